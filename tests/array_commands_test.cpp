// "CreatePackageVD" and "DeletePackageVD" through the loaded bridge: the
// records and calls that reach the controller, the result codes, what is
// skipped after a failure, and the USB rescan.
#include <gtest/gtest.h>

#include "ArrayTestSupport.h"

using namespace arraytest;

namespace {

using Lines = std::vector<std::string>;

_CreateOrModify_DG_Param expectedGroupRecord(const char* name, uint8_t raid, uint8_t parity, uint16_t stripe,
                                             uint32_t blockSize, uint8_t initType,
                                             const std::vector<uint16_t>& disks) {
    _CreateOrModify_DG_Param record;
    std::memset(&record, 0, sizeof(record));
    record.dg_id = 0xFFFF;
    std::strncpy(record.name, name, sizeof(record.name) - 1);
    record.raid_level = raid;
    record.parity_count = parity;
    record.stripe_size = stripe;
    record.block_size = blockSize;
    record.init_type = initType;
    record.disk_count = static_cast<uint8_t>(disks.size());
    std::copy(disks.begin(), disks.end(), record.disk_ids);
    return record;
}

_CreateOrModify_VD_Param expectedVdRecord(uint16_t group, const char* name, uint8_t raid, uint8_t parity,
                                          uint16_t stripe, uint32_t blockSize, uint8_t initType, uint8_t rounding) {
    _CreateOrModify_VD_Param record;
    std::memset(&record, 0, sizeof(record));
    record.ld_id = 0xFFFF;
    record.dg_id = group;
    std::strncpy(record.name, name, sizeof(record.name) - 1);
    record.raid_level = raid;
    record.parity_count = parity;
    record.fixed23 = 0xFF;
    record.stripe_size = stripe;
    record.rounding_scheme = rounding;
    record.init_type = initType;
    record.block_size = blockSize;
    return record;
}

const std::string kBackupRequest =
    "<CreatePackageVD><ID>9</ID><Name>Backup</Name><RAID>5</RAID>" + disksXml({5, 6, 7}) +
    "<StripeSize>128</StripeSize><PDCache>0</PDCache><InitType>2</InitType><ParityNumber>0</ParityNumber>"
    "<RoundingScheme>1</RoundingScheme><Size>123</Size><VDCache>1</VDCache></CreatePackageVD>";

std::string deleteRequest(uint16_t group, const std::string& extra = "") {
    return "<DeletePackageVD><ID>" + std::to_string(group) + "</ID>" + extra + "</DeletePackageVD>";
}

}  // namespace

using CreatePackageVDTest = ArrayTest;
using DeletePackageVDTest = DataArrayTest;

TEST_F(CreatePackageVDTest, DiskGroupThenVirtualDiskWithoutOneCallFeature) {
    zdsim_set_adapter_value(kTbAdapter, "AdvancedFeatures2", 0);
    for (uint16_t disk : {5, 6, 7}) zdsim_set_disk_value(kTbAdapter, disk, "block_size", 4096);
    zdsim_clear_calls();

    ASSERT_EQ(command(kBackupRequest), 0);

    _DG_Info group;
    ASSERT_TRUE(findGroup(kTbAdapter, "Backup", group));
    EXPECT_EQ(bytesOf(lastRecord<_CreateOrModify_DG_Param>("ZD_CreateOrModify_DG")),
              bytesOf(expectedGroupRecord("Backup", 5, 0, 128, 4096, 2, {5, 6, 7})));
    EXPECT_EQ(bytesOf(lastRecord<_CreateOrModify_VD_Param>("ZD_CreateOrModify_VD")),
              bytesOf(expectedVdRecord(group.id, "Backup", 5, 0, 128, 4096, 2, 1)));
    EXPECT_EQ(zdsim_call_count("ZD_Create_PackageVD"), 0u);
    EXPECT_EQ(actions(), (Lines{"ZD_CreateOrModify_DG 0 0", "ZD_CreateOrModify_VD 0",
                                "ZD_DG_SetConfig 0 " + std::to_string(group.id)}));
    _DG_CONFIG config = lastRecord<_DG_CONFIG>("ZD_DG_SetConfig");
    EXPECT_EQ(config.pd_cache, 0);
    EXPECT_EQ(config.id, group.id);

    const std::string text = log();
    EXPECT_TRUE(zdtest::contains(text, "CreatePackageVD ZD_CreateOrModify_DG:(file "));
    EXPECT_TRUE(zdtest::contains(text, "CreatePackageVD ZD_CreateOrModify_VD:(file "));
    EXPECT_TRUE(zdtest::contains(text, "CreatePackageVD ZD_DG_SetConfig:( WriteCacheOn 0 )"));

    const std::string answer = bridge->single("PackageVD", std::to_string(group.id));
    EXPECT_TRUE(zdtest::contains(answer, "<Name>Backup</Name>"));
    EXPECT_TRUE(zdtest::contains(answer, "<RAID>5</RAID>"));
    EXPECT_TRUE(zdtest::contains(answer, "<Disks><ID>5</ID><ID>6</ID><ID>7</ID></Disks>"));
    EXPECT_TRUE(zdtest::contains(answer, "<PDCache>0</PDCache>"));
    EXPECT_TRUE(zdtest::contains(answer, "<StripeSize>128</StripeSize>"));
}

TEST_F(CreatePackageVDTest, OneCallWithFeatureBit) {
    zdsim_set_adapter_value(kTbAdapter, "AdvancedFeatures2", 2);
    zdsim_clear_calls();

    ASSERT_EQ(command(kBackupRequest), 0);

    _DG_Info group;
    ASSERT_TRUE(findGroup(kTbAdapter, "Backup", group));
    _Create_PackageVD_Param expected;
    expected.vd = expectedVdRecord(0xFFFF, "Backup", 5, 0, 128, 512, 2, 1);
    expected.dg = expectedGroupRecord("Backup", 5, 0, 128, 512, 2, {5, 6, 7});
    EXPECT_EQ(bytesOf(lastRecord<_Create_PackageVD_Param>("ZD_Create_PackageVD")), bytesOf(expected));
    EXPECT_EQ(actions(), (Lines{"ZD_Create_PackageVD 0", "ZD_DG_SetConfig 0 " + std::to_string(group.id)}));
    EXPECT_TRUE(zdtest::contains(log(), "CreatePackageVD ZD_Create_PackageVD:(file "));
    EXPECT_TRUE(zdtest::contains(bridge->single("PackageVD", std::to_string(group.id)), "<Name>Backup</Name>"));
}

TEST_F(CreatePackageVDTest, FieldsAndSpareAreKeptBetweenRequests) {
    zdsim_set_adapter_value(kTbAdapter, "AdvancedFeatures2", 0);
    const uint64_t size = diskSize(kTbAdapter, 5);
    const int extraA = zdsim_add_disk(kTbAdapter, size);
    const int extraB = zdsim_add_disk(kTbAdapter, size);
    const int extraSpare = zdsim_add_disk(kTbAdapter, size);
    ASSERT_GE(extraA, 0);
    zdsim_clear_calls();

    ASSERT_EQ(command("<CreatePackageVD><Name>LongerName12345</Name><RAID>1</RAID>" + disksXml({5, 6}) +
                      "<StripeSize>256</StripeSize><Spare>1</Spare><SpareDiskID>7</SpareDiskID></CreatePackageVD>"),
              0);
    _DG_Info first;
    ASSERT_TRUE(findGroup(kTbAdapter, "LongerName12345", first));
    EXPECT_EQ(actions().back(), "ZD_PD_FreeHD2DGSpare 0 7 " + std::to_string(first.id));
    EXPECT_TRUE(zdtest::contains(log(),
        "CreatePackageVD ZD_PD_FreeHD2DGSpare:( hd id 7, dg id " + std::to_string(first.id) + " )"));

    // No "Spare", "RAID" or "StripeSize" this time: the earlier values stay.
    zdsim_clear_calls();
    ASSERT_EQ(command("<CreatePackageVD><Name>Two</Name>" +
                      disksXml({static_cast<unsigned>(extraA), static_cast<unsigned>(extraB)}) +
                      "<SpareDiskID>" + std::to_string(extraSpare) + "</SpareDiskID></CreatePackageVD>"),
              0);
    _DG_Info second;
    ASSERT_TRUE(findGroup(kTbAdapter, "Two", second));
    EXPECT_EQ(bytesOf(lastRecord<_CreateOrModify_DG_Param>("ZD_CreateOrModify_DG")),
              bytesOf(expectedGroupRecord("Two", 1, 0, 256, 512, 0,
                                          {static_cast<uint16_t>(extraA), static_cast<uint16_t>(extraB)})));
    EXPECT_EQ(actions().back(),
              "ZD_PD_FreeHD2DGSpare 0 " + std::to_string(extraSpare) + " " + std::to_string(second.id));
}

// A failure stops the request: its code is answered and nothing after it is called.
TEST_F(CreatePackageVDTest, FailuresSkipEverythingAfter) {
    struct Case {
        int features;          // AdvancedFeatures2
        const char* injected;  // the failing call, with status 30
        std::vector<unsigned> disks;
        unsigned char code;
        Lines actions;
    };
    const Case cases[] = {
        {0, nullptr, {99, 5}, 9, {}},  // a missing first disk
        {0, "ZD_CreateOrModify_DG", {5, 6}, 30, {"ZD_CreateOrModify_DG 0 0"}},
        {0, "ZD_CreateOrModify_VD", {5, 6}, 30, {"ZD_CreateOrModify_DG 0 0", "ZD_CreateOrModify_VD 0"}},
        {2, "ZD_Create_PackageVD", {5, 6}, 30, {"ZD_Create_PackageVD 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.injected ? c.injected : "missing disk");
        zdsim_set_adapter_value(kTbAdapter, "AdvancedFeatures2", c.features);
        if (c.injected) zdsim_inject_status(c.injected, 30, 1);
        zdsim_clear_calls();
        EXPECT_EQ(command("<CreatePackageVD><Name>Failed</Name><RAID>1</RAID>" + disksXml(c.disks) +
                          "<Spare>1</Spare><SpareDiskID>7</SpareDiskID></CreatePackageVD>"),
                  c.code);
        EXPECT_EQ(actions(), c.actions);
    }
    // The group made before the failed virtual disk stays.
    _DG_Info group;
    ASSERT_TRUE(findGroup(kTbAdapter, "Failed", group));
    EXPECT_EQ(group.ld_ids[0], 0xFFFF);
}

TEST_F(CreatePackageVDTest, CacheFailureIsIgnoredSpareFailureIsAnswered) {
    zdsim_set_adapter_value(kTbAdapter, "AdvancedFeatures2", 0);
    zdsim_inject_status("ZD_DG_SetConfig", 5, 1);
    zdsim_clear_calls();
    ASSERT_EQ(command("<CreatePackageVD><Name>Cache</Name><RAID>0</RAID>" + disksXml({5}) +
                      "<Spare>1</Spare><SpareDiskID>6</SpareDiskID></CreatePackageVD>"),
              0);
    EXPECT_EQ(zdsim_call_count("ZD_DG_SetConfig"), 1u);
    EXPECT_EQ(zdsim_call_count("ZD_PD_FreeHD2DGSpare"), 1u);

    zdsim_inject_status("ZD_PD_FreeHD2DGSpare", 40, 1);
    ASSERT_EQ(command("<CreatePackageVD><Name>Spare</Name>" + disksXml({7}) + "</CreatePackageVD>"), 40);
    _DG_Info group;
    EXPECT_TRUE(findGroup(kTbAdapter, "Spare", group));  // nothing is rolled back
}

TEST_F(CreatePackageVDTest, OversizedNameOrDiskListIsRefusedWhole) {
    zdsim_set_adapter_value(kTbAdapter, "AdvancedFeatures2", 0);
    zdsim_inject_status("ZD_CreateOrModify_DG", 30, -1);  // keep the disks free
    ASSERT_EQ(command("<CreatePackageVD><Name>Keep</Name><RAID>1</RAID>" + disksXml({5, 6}) + "</CreatePackageVD>"),
              30);

    zdsim_clear_calls();
    EXPECT_EQ(command("<CreatePackageVD><Name>SixteenCharsName</Name><RAID>0</RAID></CreatePackageVD>"), 7);
    EXPECT_EQ(command("<CreatePackageVD><Name>Other</Name><RAID>0</RAID>" + disksXml(repeated(5, 129)) +
                      "</CreatePackageVD>"),
              7);
    EXPECT_EQ(calls(), Lines{});

    // Neither refused request changed the kept record.
    ASSERT_EQ(command("<CreatePackageVD><ID>1</ID></CreatePackageVD>"), 30);
    EXPECT_EQ(bytesOf(lastRecord<_CreateOrModify_DG_Param>("ZD_CreateOrModify_DG")),
              bytesOf(expectedGroupRecord("Keep", 1, 0, 0, 512, 0, {5, 6})));

    // 15 characters and 128 disks fit.
    ASSERT_EQ(command("<CreatePackageVD><Name>FifteenCharsNa</Name>" + disksXml(repeated(5, 128)) +
                      "</CreatePackageVD>"),
              30);
    _CreateOrModify_DG_Param sent = lastRecord<_CreateOrModify_DG_Param>("ZD_CreateOrModify_DG");
    EXPECT_EQ(std::string(sent.name), "FifteenCharsNa");
    EXPECT_EQ(sent.disk_count, 128);
    EXPECT_EQ(sent.disk_ids[127], 5);
}

TEST_F(DeletePackageVDTest, DeletesVirtualDiskThenGroupWithDeleteMbrPerRequest) {
    ASSERT_EQ(command("<CreatePackageVD><Name>Extra</Name><RAID>0</RAID>" + disksXml({5, 6}) + "</CreatePackageVD>"),
              0);
    _DG_Info extra;
    ASSERT_TRUE(findGroup(kTbAdapter, "Extra", extra));
    zdsim_clear_calls();
    ASSERT_EQ(command(deleteRequest(extra.id, "<DeleteMBR>0</DeleteMBR>")), 0);
    EXPECT_EQ(actions(), (Lines{"ZD_LD_Delete 0 " + std::to_string(extra.ld_ids[0]) + " 0",
                                "ZD_DG_Delete 0 " + std::to_string(extra.id)}));

    zdsim_clear_calls();
    ASSERT_EQ(command(deleteRequest(data.id)), 0);
    EXPECT_EQ(actions(), (Lines{"ZD_LD_Delete 0 " + vd + " 1", "ZD_DG_Delete 0 " + id}));
    EXPECT_TRUE(zdtest::contains(log(),
        "DeletePackageVD:(ZD_LD_Delete " + vd + ")( ret  0)(ZD_DG_Delete " + id + ")( ret  0)"));
    bridge->unanswered("PackageVD", id);

    zdsim_clear_calls();
    ASSERT_EQ(command(deleteRequest(77)), 8);
    EXPECT_EQ(actions(), Lines{});
}

TEST_F(DeletePackageVDTest, RunningMigrationIsStoppedFirst) {
    ASSERT_EQ(command("<MigratePackageVD><ID>" + id + "</ID><RAID>5</RAID>" + disksXml({0, 1, 2, 3, 5}) +
                      "</MigratePackageVD>"),
              0);
    const Lines stops = {"ZD_DG_BGAControl 0 " + id + " 7", "ZD_LD_BGAControl 0 " + vd + " 7"};
    // A refused stop answers 8 and deletes nothing.
    for (uint8_t refusal : {17, 8}) {
        zdsim_inject_status("ZD_DG_BGAControl", refusal, 1);
        zdsim_inject_status("ZD_LD_BGAControl", 0, 1);
        zdsim_clear_calls();
        ASSERT_EQ(command(deleteRequest(data.id)), 8);
        EXPECT_EQ(actions(), stops);
    }

    zdsim_clear_calls();
    EXPECT_EQ(command(deleteRequest(data.id)), 0);
    EXPECT_EQ(actions(), (Lines{stops[0], stops[1], "ZD_LD_Delete 0 " + vd + " 1", "ZD_DG_Delete 0 " + id}));
    EXPECT_TRUE(zdtest::contains(log(), "DeletePackageVD TERMINATE:(ZD_DG_BGAControl stop " + id + ")( ret  0)"));
    EXPECT_TRUE(zdtest::contains(log(), "DeletePackageVD TERMINATE:(ZD_LD_BGAControl stop " + vd + ")( ret  "));
}

TEST_F(DeletePackageVDTest, GroupDeletionDecidesTheResultAndCode76Wipes) {
    zdsim_inject_status("ZD_LD_Delete", 5, 1);
    zdsim_inject_status("ZD_DG_Delete", 0, 1);
    ASSERT_EQ(command(deleteRequest(data.id)), 0);
    EXPECT_EQ(zdsim_call_count("ZD_DG_Delete"), 1u);
    zdsim_inject_status("ZD_LD_Delete", 0, 1);
    zdsim_inject_status("ZD_DG_Delete", 33, 1);
    EXPECT_EQ(command(deleteRequest(data.id)), 33);

    // 76: the members, then the spares, are wiped.
    ASSERT_EQ(ZD_PD_FreeHD2DGSpare(kTbAdapter, 5, data.id), 0);
    zdsim_inject_status("ZD_LD_Delete", 0, -1);
    zdsim_inject_status("ZD_DG_Delete", 76, -1);
    zdsim_inject_status("ZD_PD_WipeHDMDD", 0, -1);
    zdsim_clear_calls();
    ASSERT_EQ(command(deleteRequest(data.id)), 0);
    EXPECT_EQ(actions(), (Lines{"ZD_LD_Delete 0 " + vd + " 1", "ZD_DG_Delete 0 " + id, "ZD_PD_WipeHDMDD 0 0 1",
                                "ZD_PD_WipeHDMDD 0 1 1", "ZD_PD_WipeHDMDD 0 2 1", "ZD_PD_WipeHDMDD 0 3 1",
                                "ZD_PD_WipeHDMDD 0 5 1"}));
    EXPECT_TRUE(zdtest::contains(log(), "DeletePackageVD retry:(wipe 0 ret 0)(wipe 1 ret 0)(wipe 2 ret 0)"
                                        "(wipe 3 ret 0)(wipe 5 ret 0)"));
    zdsim_inject_status("ZD_PD_WipeHDMDD", 9, -1);
    EXPECT_EQ(command(deleteRequest(data.id)), 181);
}

// Creating or deleting on the USB adapter rescans it afterwards, whatever the result.
TEST_F(CreatePackageVDTest, UsbAdapterIsRescannedAfterCreateAndDelete) {
    select(kUsbAdapter);
    zdsim_clear_calls();
    ASSERT_EQ(command("<CreatePackageVD><Name>Usb</Name><RAID>1</RAID>" + disksXml({2, 3}) + "</CreatePackageVD>"), 0);
    EXPECT_EQ(actions().back(), "ZD_API_RescanAdapter");
    EXPECT_TRUE(zdtest::contains(log(), "CreatePackageVD RescanAdapter:"));
    zdsim_clear_calls();
    ASSERT_EQ(command("<CreatePackageVD>" + disksXml({99}) + "</CreatePackageVD>"), 9);
    EXPECT_EQ(actions(), Lines{"ZD_API_RescanAdapter"});

    _DG_Info mirror;
    ASSERT_TRUE(findGroup(kUsbAdapter, "Mirror", mirror));
    zdsim_clear_calls();
    ASSERT_EQ(command(deleteRequest(mirror.id)), 0);
    EXPECT_EQ(actions(), (Lines{"ZD_LD_Delete 1 " + std::to_string(mirror.ld_ids[0]) + " 1",
                                "ZD_DG_Delete 1 " + std::to_string(mirror.id), "ZD_API_RescanAdapter"}));
    EXPECT_TRUE(zdtest::contains(log(), "DeletePackageVD RescanAdapter:"));
    zdsim_clear_calls();
    ASSERT_EQ(command(deleteRequest(77)), 8);
    EXPECT_EQ(actions(), Lines{"ZD_API_RescanAdapter"});
}
