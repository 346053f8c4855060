// The information providers "Adapter", "PD", "PackageVD" and
// "VDDistribution": exact answer texts through the exported functions of the
// loaded bridge against the simulator, the controller calls behind them, and
// the capacity arithmetic of VDDistribution in-process.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "SimTestHelpers.h"
#include "info/VDDistribution.h"
#include "middle/StructMiddle.h"

namespace {

using zdtest::field;
using zdtest::simCallText;

struct Split {
    std::string available;
    std::string backup;
    std::string unused;
};

Split split(uint8_t raid, uint8_t parity, uint64_t vdSize, std::initializer_list<uint64_t> disks) {
    VDDistribution d;
    d.reset(raid, static_cast<uint8_t>(disks.size()), parity);
    d.setVDSize(zdU64Make(vdSize));
    for (uint64_t size : disks) d.add_disk(zdU64Make(size));
    StructMiddle s("VDDistribution");
    d.distribution(&s);
    EXPECT_EQ(s.fieldCount(), 3u);
    const std::string* a = s.findSingle("Available");
    const std::string* b = s.findSingle("Backup");
    const std::string* u = s.findSingle("Unused");
    return {a ? *a : "-", b ? *b : "-", u ? *u : "-"};
}

void expectSplit(const Split& got, const char* available, const char* backup, const char* unused) {
    EXPECT_EQ(got.available, available);
    EXPECT_EQ(got.backup, backup);
    EXPECT_EQ(got.unused, unused);
}

}  // namespace

TEST(VDDistribution, SplitForEveryRaidLevelNeverWrapsAndStartsAfreshOnReset) {
    expectSplit(split(1, 0, 100, {100, 100}), "100", "100", "0");                  // RAID 1
    expectSplit(split(16, 0, 200, {100, 100, 100, 100}), "200", "200", "0");       // RAID 10
    expectSplit(split(5, 1, 300, {100, 100, 100, 100}), "300", "100", "0");        // RAID 5
    expectSplit(split(5, 1, 250, {100, 100, 100, 100}), "250", "83", "67");        // truncating division
    expectSplit(split(5, 1, 50, {100}), "50", "0", "50");                          // one disk: no divisor
    expectSplit(split(6, 2, 400, {100, 100, 100, 100, 100, 100}), "400", "200", "0");  // RAID 6
    expectSplit(split(6, 3, 300, {100, 100, 100}), "300", "0", "0");               // parity = disks
    expectSplit(split(96, 4, 400, {100, 100, 100, 100, 100, 100, 100, 100}), "400", "400", "0");  // RAID 60
    expectSplit(split(80, 2, 400, {100, 100, 100, 100, 100, 100}), "400", "200", "0");  // RAID 50
    expectSplit(split(80, 2, 300, {100, 100, 100, 100}), "300", "0", "100");       // RAID 50, 4 disks
    expectSplit(split(80, 2, 300, {100, 100, 100, 100, 100}), "300", "300", "0");  // 5 / 2 = 2: S / 1
    expectSplit(split(0, 0, 150, {100, 100}), "150", "0", "50");                   // RAID 0
    expectSplit(split(17, 0, 150, {100, 100, 100}), "150", "0", "150");            // RAID 1E: no backup
    expectSplit(split(15, 0, 100, {100}), "100", "0", "0");
    expectSplit(split(102, 0, 100, {300}), "100", "0", "200");
    expectSplit(split(1, 0, 150, {100, 100}), "150", "150", "0");  // backup + size above the total
    // A sum that would wrap around 2^64 still answers 0.
    expectSplit(split(1, 0, 9223372036854775808ull, {100}), "9223372036854775808", "9223372036854775808", "0");
    expectSplit(split(5, 1, 0, {100, 100, 100}), "0", "0", "300");
    // Sizes above 32 bits use both halves.
    expectSplit(split(0, 0, 1, {0x100000000ull, 0x100000000ull}), "1", "0", "8589934591");

    VDDistribution d;
    d.reset(1, 2, 0);
    d.setVDSize(zdU64Make(10));
    d.add_disk(zdU64Make(100));
    d.reset(0, 1, 0);  // forgets the total and the size
    d.add_disk(zdU64Make(7));
    StructMiddle s("VDDistribution");
    d.distribution(&s);
    EXPECT_EQ(s.toString(),
              "<VDDistribution><Available>0</Available><Backup>0</Backup><Unused>7</Unused></VDDistribution>");
}

namespace {

// The built-in adapter 0 as "Adapter" answers it.
const std::string kAdapter0 =
    "<Adapter><AdapterLinkType>0</AdapterLinkType><AlarmStatus>1</AlarmStatus><Alias>Thunderbolt Storage</Alias>"
    "<AutoRebuild>1</AutoRebuild><Bootloader>1.1.0.3</Bootloader><CopyBack>0</CopyBack><Device>2578</Device>"
    "<DiskCheckSpeed>30</DiskCheckSpeed><Driver>3.1.0.12</Driver><Firmware>2.4.1.7</Firmware><ID>0</ID>"
    "<InitSpeed>50</InitSpeed><MaxPD>8</MaxPD><MaxParityDisks>2</MaxParityDisks><MigrateSpeed>50</MigrateSpeed>"
    "<NXPVersion>1.2.0.7</NXPVersion><PortCount>8</PortCount><RebuildSpeed>70</RebuildSpeed><Revision>2</Revision>"
    "<SMARTPoll>1</SMARTPoll><Serial>ZDT8-2411-1001</Serial><SubDevice>1</SubDevice><SubVendor>7193</SubVendor>"
    "<SupportIdentify>1</SupportIdentify><SupportRAIDMode><RAID>0</RAID><RAID>1</RAID><RAID>17</RAID><RAID>5</RAID>"
    "<RAID>6</RAID><RAID>16</RAID><RAID>80</RAID><RAID>96</RAID></SupportRAIDMode><SupportStripeSize>"
    "<StripeSize>16</StripeSize><StripeSize>32</StripeSize><StripeSize>64</StripeSize><StripeSize>128</StripeSize>"
    "<StripeSize>256</StripeSize><StripeSize>512</StripeSize><StripeSize>1024</StripeSize></SupportStripeSize>"
    "<SyncSpeed>50</SyncSpeed><Vendor>7193</Vendor></Adapter>";

// A disk group on the given free disks of adapter 0; answers its id.
uint16_t createGroup(const char* name, uint8_t raid, std::vector<uint16_t> disks) {
    _CreateOrModify_DG_Param group = simtest::groupParam(name, raid, disks);
    EXPECT_EQ(ZD_CreateOrModify_DG(0, &group, 0), 0);
    return group.dg_id;
}

// A virtual disk of `size` sectors on the disk group (0: all of it).
void createVd(uint16_t dg, const char* name, uint8_t raid, uint64_t size = 0) {
    _CreateOrModify_VD_Param vd = simtest::vdParam(name, dg, raid);
    vd.size = zdU64Make(size);
    EXPECT_EQ(ZD_CreateOrModify_VD(0, &vd), 0);
}

}  // namespace

TEST(AdapterProvider, SingleAndArrayTexts) {
    zdtest::LoadedBridge bridge;
    EXPECT_EQ(bridge.answered("Adapter", "0"), kAdapter0);

    // Any adapter by its key, whatever is selected; the USB adapter has fewer levels.
    const std::string usb = bridge.answered("Adapter", "1");
    EXPECT_EQ(field(usb, "ID"), "1");
    EXPECT_EQ(field(usb, "AdapterLinkType"), "1");
    EXPECT_EQ(field(usb, "NXPVersion"), "1.1.3.2");
    EXPECT_EQ(field(usb, "SupportRAIDMode"),
              "<RAID>0</RAID><RAID>1</RAID><RAID>17</RAID><RAID>5</RAID><RAID>6</RAID><RAID>16</RAID>");
    EXPECT_EQ(field(usb, "Alias"), "USB Enclosure");

    EXPECT_EQ(bridge.array("Adapter"),
              "<Adapters><Adapter><Alias>Thunderbolt Storage</Alias><ID>0</ID><MaxPD>8</MaxPD><SubDevice>1</SubDevice>"
              "</Adapter><Adapter><Alias>USB Enclosure</Alias><ID>1</ID><MaxPD>4</MaxPD><SubDevice>1</SubDevice>"
              "</Adapter></Adapters>");

    // A failed configuration read answers false; the text is there with zero settings.
    zdsim_inject_status("ZD_Adapter_GetConfig", 1, 1);
    const std::string noConfig = bridge.unanswered("Adapter", "0");
    EXPECT_EQ(field(noConfig, "RebuildSpeed"), "0");
    EXPECT_EQ(field(noConfig, "Alias"), "");
    EXPECT_EQ(field(noConfig, "MaxPD"), "8");
}

TEST(AdapterProvider, KeyLimitAndNxpRules) {
    zdtest::LoadedBridge bridge;
    // Key 9: records of adapter 9 are asked for; ID, NXP slot and OEM details are adapter 0's.
    zdsim_clear_calls();
    const std::string nine = bridge.unanswered("Adapter", "9");
    EXPECT_EQ(field(nine, "ID"), "0");
    EXPECT_EQ(field(nine, "Firmware"), "0.0.0.0");
    EXPECT_EQ(field(nine, "NXPVersion"), "1.2.0.7");
    const std::string calls = simCallText();
    EXPECT_TRUE(zdtest::contains(calls, "ZD_Adapter_GetInfo 9"));
    EXPECT_TRUE(zdtest::contains(calls, "ZD_Adapter_GetConfig 9"));
    EXPECT_TRUE(zdtest::contains(calls, "ZD_Adapter_Get_OEM_Data 0"));
    EXPECT_TRUE(zdtest::contains(calls, "ZD_Adapter_Get_OEM_Info 0"));

    // Index 255 names every adapter at once: not asked for.
    zdsim_clear_calls();
    EXPECT_EQ(field(bridge.unanswered("Adapter", "255"), "ID"), "0");
    EXPECT_FALSE(zdtest::contains(simCallText(), " 255"));

    // Sub-device 3 with 16 disks is shown as 4 only in the list; with exactly 12 in both.
    ASSERT_EQ(zdsim_set_adapter_value(0, "sub_device_id", 3), 0);
    ASSERT_EQ(zdsim_set_adapter_value(0, "max_pd", 16), 0);
    EXPECT_EQ(field(bridge.single("Adapter", "0"), "SubDevice"), "3");
    EXPECT_EQ(field(bridge.array("Adapter"), "SubDevice"), "4");
    ASSERT_EQ(zdsim_set_adapter_value(0, "max_pd", 12), 0);
    EXPECT_EQ(field(bridge.single("Adapter", "0"), "SubDevice"), "4");
    EXPECT_EQ(field(bridge.array("Adapter"), "SubDevice"), "4");
    ASSERT_EQ(zdsim_set_adapter_value(0, "max_pd", 11), 0);
    EXPECT_EQ(field(bridge.array("Adapter"), "SubDevice"), "3");

    // No max_pd: the single answer falls back to max_pd_small, the list does not.
    ASSERT_EQ(zdsim_set_adapter_value(0, "max_pd", 0), 0);
    ASSERT_EQ(zdsim_set_adapter_value(0, "max_pd_small", 6), 0);
    EXPECT_EQ(field(bridge.single("Adapter", "0"), "MaxPD"), "6");
    EXPECT_EQ(field(bridge.array("Adapter"), "MaxPD"), "0");

    // Stripe sizes only when one of the low seven mask bits is set.
    ASSERT_EQ(zdsim_set_adapter_value(0, "stripe_size_mask", 0x0180), 0);
    EXPECT_TRUE(zdtest::contains(bridge.single("Adapter", "0"), "<SupportStripeSize />"));
    ASSERT_EQ(zdsim_set_adapter_value(0, "stripe_size_mask", 0x0003), 0);
    EXPECT_EQ(field(bridge.single("Adapter", "0"), "SupportStripeSize"),
              "<StripeSize>16</StripeSize><StripeSize>32</StripeSize>");

    // Identify: bit 0 of the OEM support bits clear, never for device 2.
    ASSERT_EQ(zdsim_set_adapter_value(0, "support_bits", 1), 0);
    EXPECT_EQ(field(bridge.single("Adapter", "0"), "SupportIdentify"), "0");
    ASSERT_EQ(zdsim_set_adapter_value(0, "support_bits", 0), 0);
    ASSERT_EQ(zdsim_set_adapter_value(0, "device_id", 2), 0);
    EXPECT_EQ(field(bridge.single("Adapter", "0"), "SupportIdentify"), "0");

    // No NXP version reported: the field is left out and the enclosure asked again.
    ASSERT_EQ(zdsim_set_adapter_value(1, "nxp_version", 0), 0);
    zdsim_clear_calls();
    EXPECT_EQ(field(bridge.single("Adapter", "1"), "NXPVersion"), "<none>");
    EXPECT_EQ(field(bridge.single("Adapter", "1"), "NXPVersion"), "<none>");
    EXPECT_EQ(zdsim_call_count("ZD_Adapter_Get_OEM_Data"), 2u);
    ASSERT_EQ(zdsim_set_adapter_value(1, "nxp_version", 0x09080706), 0);
    EXPECT_EQ(field(bridge.single("Adapter", "1"), "NXPVersion"), "9.8.7.6");
    // Kept from now on, even when the enclosure changes it.
    ASSERT_EQ(zdsim_set_adapter_value(1, "nxp_version", 0x01010101), 0);
    EXPECT_EQ(field(bridge.single("Adapter", "1"), "NXPVersion"), "9.8.7.6");
    EXPECT_EQ(zdsim_call_count("ZD_Adapter_Get_OEM_Data"), 3u);
}

TEST(PdProvider, SingleTexts) {
    zdtest::LoadedBridge bridge;
    const std::string model = "  ZD TESTMODEL 0123456789 ABCDEFGHIJKLMN";  // 40 bytes, no NUL
    ASSERT_EQ(model.size(), 40u);
    ASSERT_EQ(zdsim_set_disk_text(0, 6, "model", model.c_str()), 0);
    ASSERT_EQ(zdsim_set_disk_text(0, 6, "serial_number", " SN-6"), 0);
    ASSERT_EQ(zdsim_set_disk_text(0, 6, "firmware_revision", "FW 1.0"), 0);
    ASSERT_EQ(zdsim_set_disk_value(0, 6, "device_type", 1), 0);
    ASSERT_EQ(zdsim_set_disk_value(0, 6, "feature_bits", 0x31), 0);
    ASSERT_EQ(zdsim_set_disk_value(0, 6, "current_speed", 2), 0);
    ASSERT_EQ(zdsim_set_disk_value(0, 6, "parent_id", 3), 0);
    ASSERT_EQ(zdsim_set_disk_value(0, 6, "parent_port", 9), 0);
    _SMART_ENTRY entries[2]{};
    entries[0] = _SMART_ENTRY{194, {}, 34, 120, 99, 36, 1, {}, 7, {}};
    std::strcpy(entries[0].attribute_name, "  Temperature_Celsius");
    entries[1] = _SMART_ENTRY{5, {}, 51, 100, 98, 0, 0, {}, 5, {}};
    std::strcpy(entries[1].attribute_name, "Reallocated_Sector_Ct");
    ASSERT_EQ(zdsim_set_smart(0, 6, entries, 2), 0);

    EXPECT_EQ(bridge.answered("PD", "6"),
              "<PD><AdapterID>0</AdapterID><BGAPercentage>0</BGAPercentage><BGAStatus>0</BGAStatus>"
              "<CurrentSpeed>2</CurrentSpeed><DeviceType>1</DeviceType><Feature>49</Feature>"
              "<Firmware>FW 1.0</Firmware><ID>6</ID><Model>  ZD TESTMODEL 0123456789 ABCDEFGHIJKLMN</Model>"
              "<PDBGAType>0</PDBGAType><PDSMART>1</PDSMART><PDStatus>1</PDStatus><ParentDeviceType>12"
              "</ParentDeviceType><ParentID>3</ParentID><ParentPort>9</ParentPort><SMARTAttributeName>"
              "<AttributeName>Temperature_Celsius</AttributeName><AttributeName>Reallocated_Sector_Ct"
              "</AttributeName></SMARTAttributeName><SMARTCurrentValue><CurrentValue>120</CurrentValue>"
              "<CurrentValue>100</CurrentValue></SMARTCurrentValue><SMARTID><ID>194</ID><ID>5</ID></SMARTID>"
              "<SMARTRawValue0><RawValue0>36</RawValue0><RawValue0>0</RawValue0></SMARTRawValue0><SMARTRawValue1>"
              "<RawValue1>1</RawValue1><RawValue1>0</RawValue1></SMARTRawValue1><SMARTStatusFlags>"
              "<StatusFlags>34</StatusFlags><StatusFlags>51</StatusFlags></SMARTStatusFlags><SMARTThresholdValue>"
              "<ThresholdValue>7</ThresholdValue><ThresholdValue>5</ThresholdValue></SMARTThresholdValue>"
              "<SMARTWorstValue><WorstValue>99</WorstValue><WorstValue>98</WorstValue></SMARTWorstValue>"
              "<Serial> SN-6</Serial><Size>7814037168</Size></PD>");

    // An empty SMART table gives eight empty lists.
    ASSERT_EQ(zdsim_set_smart(0, 6, entries, 0), 0);
    const std::string empty = bridge.single("PD", "6");
    for (const char* name : {"SMARTID", "SMARTAttributeName", "SMARTCurrentValue", "SMARTWorstValue",
                             "SMARTThresholdValue", "SMARTRawValue0", "SMARTRawValue1", "SMARTStatusFlags"}) {
        EXPECT_TRUE(zdtest::contains(empty, std::string("<") + name + " />")) << name;
    }

    // A failed SMART read: PDSMART 0 and no lists.
    zdsim_inject_status("ZD_PD_GET_SMART_INFO", 1, 1);
    const std::string failed = bridge.single("PD", "6");
    EXPECT_EQ(field(failed, "PDSMART"), "0");
    EXPECT_FALSE(zdtest::contains(failed, "<SMART"));

    // SMART polling off: no SMART read, and the built-in disk 2 in full.
    ASSERT_EQ(zdsim_set_adapter_value(0, "smart_polling", 0), 0);
    zdsim_clear_calls();
    EXPECT_EQ(bridge.answered("PD", "2"),
              "<PD><AdapterID>0</AdapterID><BGAPercentage>0</BGAPercentage><BGAStatus>0</BGAStatus>"
              "<CurrentSpeed>3</CurrentSpeed><DeviceType>0</DeviceType><Feature>241</Feature>"
              "<Firmware>RN04A3C0</Firmware><ID>2</ID><Model>ZDS DT4000-7K2 SATA 6Gb/s</Model>"
              "<PDBGAType>0</PDBGAType><PDSMART>0</PDSMART><PDStatus>2</PDStatus><ParentDeviceType>12"
              "</ParentDeviceType><ParentID>0</ParentID><ParentPort>2</ParentPort><Serial>ZS1001280002</Serial>"
              "<Size>7814037168</Size></PD>");
    EXPECT_EQ(zdsim_call_count("ZD_PD_GET_SMART_INFO"), 0u);

    // Unknown disk: false and nothing stored.
    EXPECT_EQ(bridge.unanswered("PD", "42"), "");

    // Missing status record: false, PDStatus from the zero-filled record.
    zdsim_inject_status("ZD_PD_GetHDRaidStatus", 1, 1);
    const std::string noStatus = bridge.unanswered("PD", "2");
    EXPECT_EQ(field(noStatus, "PDStatus"), "0");
    EXPECT_EQ(field(noStatus, "Model"), "ZDS DT4000-7K2 SATA 6Gb/s");

    // The same id on the other adapter is another disk.
    bridge.selectAdapter("1");
    const std::string other = bridge.single("PD", "2");
    EXPECT_EQ(field(other, "AdapterID"), "1");
    EXPECT_EQ(field(other, "Size"), "3907029168");
}

TEST(PdProvider, ArrayAndDedicatedSpares) {
    zdtest::LoadedBridge bridge;
    const uint16_t dg = createGroup("Pair", 1, {5, 6});
    ASSERT_EQ(dg, 1);
    createVd(dg, "Pair", 1);
    ASSERT_EQ(ZD_PD_FreeHD2DGSpare(0, 7, dg), 0);

    zdsim_clear_calls();
    EXPECT_EQ(bridge.array("PD"),
              "<PDs><PD><ID>0</ID><PDStatus>2</PDStatus><Size>7814037168</Size></PD>"
              "<PD><ID>1</ID><PDStatus>2</PDStatus><Size>7814037168</Size></PD>"
              "<PD><ID>2</ID><PDStatus>2</PDStatus><Size>7814037168</Size></PD>"
              "<PD><ID>3</ID><PDStatus>2</PDStatus><Size>7814037168</Size></PD>"
              "<PD><ID>4</ID><PDStatus>5</PDStatus><Size>7814037168</Size></PD>"
              "<PD><ID>5</ID><PDStatus>2</PDStatus><Size>7814037168</Size></PD>"
              "<PD><ID>6</ID><PDStatus>2</PDStatus><Size>7814037168</Size></PD>"
              "<PD><ID>7</ID><PDStatus>65</PDStatus><PackageVDID>1</PackageVDID><Size>7814037168</Size></PD></PDs>");
    // One list request (and the final one) for the disks, one single request per status.
    EXPECT_EQ(zdsim_call_count("ZD_PD_GetHDInfo_Ext"), 2u);
    EXPECT_EQ(zdsim_call_count("ZD_PD_GetHDRaidStatus"), 8u);

    EXPECT_EQ(field(bridge.answered("PD", "7"), "PackageVDID"), "1");
    EXPECT_EQ(field(bridge.single("PD", "4"), "PackageVDID"), "<none>");  // global spare

    // A status that cannot be read shows as 10 in the list; nothing is left out.
    zdsim_inject_status("ZD_PD_GetHDRaidStatus", 1, 1);
    const std::string list = bridge.array("PD");
    EXPECT_EQ(list.rfind("<PDs><PD><ID>0</ID><PDStatus>10</PDStatus><Size>7814037168</Size></PD><PD><ID>1</ID>", 0), 0u)
        << list;
    EXPECT_TRUE(zdtest::contains(list, "<ID>7</ID><PDStatus>65</PDStatus><PackageVDID>1</PackageVDID>"));
}

namespace {

const char kDataHead[] =
    "<PackageVD><Available>0</Available><BGAPercentage>0</BGAPercentage><BGAStatus>0</BGAStatus>"
    "<DiskBlock>2861585</DiskBlock><Disks><ID>0</ID><ID>1</ID><ID>2</ID><ID>3</ID></Disks><ID>0</ID>"
    "<Name>Data</Name><PDCache>1</PDCache><PDCount>4</PDCount><RAID>5</RAID><Size>23442111504</Size>";

// Migrates the built-in RAID 5 of adapter 0 from disks 0-3 to disks 0-3 and 5.
void startMigration() {
    _CreateOrModify_DG_Param param = simtest::groupParam("", 5, {0, 1, 2, 3, 5});
    param.dg_id = 0;
    ASSERT_EQ(ZD_DG_StartMigration(0, &param), 0);
    zdsim_advance_ms(1000);
}

}  // namespace

TEST(PackageVDProvider, SingleAndArrayTexts) {
    zdtest::LoadedBridge bridge;
    zdsim_clear_calls();
    EXPECT_EQ(bridge.answered("PackageVD", "0"),
              std::string(kDataHead) +
                  "<StripeSize>64</StripeSize><Used>23442111504</Used><VDBGAType>0</VDBGAType><VDCache>0</VDCache>"
                  "<VDStatus>15</VDStatus></PackageVD>");
    // No background activity: zeros without reading the status.
    EXPECT_EQ(zdsim_call_count("ZD_LD_GetStatus"), 0u);
    EXPECT_EQ(bridge.array("PackageVD"),
              "<PackageVDs><PackageVD><BGAPercentage>0</BGAPercentage><BGAStatus>0</BGAStatus><ID>0</ID>"
              "<Name>Data</Name><PDCount>4</PDCount><RAID>5</RAID><Size>23442111504</Size><VDBGAType>0</VDBGAType>"
              "<VDStatus>15</VDStatus></PackageVD></PackageVDs>");
    EXPECT_EQ(zdsim_call_count("ZD_LD_GetStatus"), 0u);

    EXPECT_EQ(bridge.unanswered("PackageVD", "5"), "");

    // A failed disk group configuration read answers false with the text all the same.
    zdsim_inject_status("ZD_DG_GetConfig", 1, 1);
    const std::string noConfig = bridge.unanswered("PackageVD", "0");
    EXPECT_EQ(field(noConfig, "PDCache"), "0");
    EXPECT_EQ(field(noConfig, "Name"), "Data");

    bridge.selectAdapter("1");
    EXPECT_EQ(bridge.array("PackageVD"),
              "<PackageVDs><PackageVD><BGAPercentage>0</BGAPercentage><BGAStatus>0</BGAStatus><ID>0</ID>"
              "<Name>Mirror</Name><PDCount>2</PDCount><RAID>1</RAID><Size>3907029168</Size>"
              "<VDBGAType>0</VDBGAType><VDStatus>15</VDStatus></PackageVD></PackageVDs>");
}

TEST(PackageVDProvider, SparesAndGroupsWithoutVirtualDisk) {
    zdtest::LoadedBridge bridge;
    ASSERT_EQ(ZD_PD_FreeHD2DGSpare(0, 7, 0), 0);
    EXPECT_EQ(field(bridge.single("PackageVD", "0"), "SpareDisks"), "<ID>7</ID>");
    EXPECT_EQ(bridge.array("PackageVD"),
              "<PackageVDs><PackageVD><BGAPercentage>0</BGAPercentage><BGAStatus>0</BGAStatus><ID>0</ID>"
              "<Name>Data</Name><PDCount>4</PDCount><RAID>5</RAID><Size>23442111504</Size>"
              "<SpareDisks><ID>7</ID></SpareDisks><VDBGAType>0</VDBGAType><VDStatus>15</VDStatus></PackageVD>"
              "</PackageVDs>");

    // A disk group without a virtual disk is no package VD.
    const uint16_t bare = createGroup("Bare", 1, {5, 6});
    EXPECT_EQ(bridge.unanswered("PackageVD", std::to_string(bare)), "");
    EXPECT_FALSE(zdtest::contains(bridge.array("PackageVD"), "<Name>Bare</Name>"));
    EXPECT_EQ(bridge.unanswered("VDDistribution", std::to_string(bare)), "");

    zdsim_reset_empty(1);
    ASSERT_EQ(zdsim_add_disk(0, 1000), 0);
    ASSERT_EQ(zdsim_add_disk(0, 1000), 1);
    createGroup("Bare", 1, {0, 1});
    EXPECT_EQ(bridge.array("PackageVD"), "<PackageVDs />");
    EXPECT_EQ(bridge.array("VDDistribution"), "<VDDistributions />");
}

TEST(PackageVDProvider, BackgroundActivity) {
    zdtest::LoadedBridge bridge;
    ASSERT_EQ(ZD_LD_StartINIT(0, 0, 1), 0);
    zdsim_clear_calls();
    const std::string init = bridge.answered("PackageVD", "0");
    EXPECT_EQ(field(init, "VDBGAType"), "16");
    EXPECT_EQ(field(init, "BGAStatus"), "1");
    EXPECT_EQ(field(init, "TargetSize"), "<none>");
    EXPECT_EQ(zdsim_call_count("ZD_LD_GetStatus"), 1u);
    EXPECT_EQ(zdsim_call_count("ZD_LD_GetTargetLDInfo"), 0u);
    zdsim_inject_status("ZD_LD_GetStatus", 1, 1);
    // The status record was the last one read: false.
    EXPECT_EQ(field(bridge.unanswered("PackageVD", "0"), "VDBGAType"), "0");
}

TEST(PackageVDProvider, MigrationTarget) {
    zdtest::LoadedBridge bridge;
    startMigration();
    zdsim_clear_calls();
    EXPECT_EQ(bridge.answered("PackageVD", "0"),
              "<PackageVD><Available>0</Available><BGAPercentage>1</BGAPercentage><BGAStatus>1</BGAStatus>"
              "<DiskBlock>2861585</DiskBlock><Disks><ID>0</ID><ID>1</ID><ID>2</ID><ID>3</ID></Disks><ID>0</ID>"
              "<Name>Data</Name><PDCache>1</PDCache><PDCount>4</PDCount><RAID>5</RAID><Size>23442111504</Size>"
              "<StripeSize>64</StripeSize><TargetDisks><ID>0</ID><ID>1</ID><ID>2</ID><ID>3</ID><ID>5</ID>"
              "</TargetDisks><TargetRAID>5</TargetRAID><TargetSize>31256148672</TargetSize>"
              "<Used>23442111504</Used><VDBGAType>32</VDBGAType><VDCache>0</VDCache><VDStatus>15</VDStatus>"
              "</PackageVD>");
    EXPECT_EQ(simCallText(),
              "ZD_Adapter_GetInfo 0\nZD_DG_GetInfo 0\nZD_Adapter_GetInfo 0\nZD_LD_GetInfo 0\n"
              "ZD_Adapter_GetInfo 0\nZD_DG_GetConfig 0\nZD_Adapter_GetInfo 0\nZD_LD_GetStatus 0\n"
              "ZD_LD_GetTargetLDInfo 0 0\nZD_Adapter_GetInfo 0\nZD_BLK_GetInfo 0\n");
    _Request_Header blocks{};
    ASSERT_EQ(zdsim_last_record("ZD_BLK_GetInfo", &blocks, sizeof(blocks)), sizeof(blocks));
    EXPECT_EQ(blocks.request_type, ZD_REQUEST_RANGE);
    EXPECT_EQ(blocks.start_id, 0);

    // The list never shows the target.
    EXPECT_EQ(bridge.array("PackageVD"),
              "<PackageVDs><PackageVD><BGAPercentage>1</BGAPercentage><BGAStatus>1</BGAStatus><ID>0</ID>"
              "<Name>Data</Name><PDCount>4</PDCount><RAID>5</RAID><Size>23442111504</Size>"
              "<VDBGAType>32</VDBGAType><VDStatus>15</VDStatus></PackageVD></PackageVDs>");

    // Blocks that cannot be found add nothing; without a target there are no Target fields.
    zdsim_inject_status("ZD_BLK_GetInfo", 1, -1);
    const std::string noBlocks = bridge.single("PackageVD", "0");
    EXPECT_TRUE(zdtest::contains(noBlocks, "<TargetDisks /><TargetRAID>5</TargetRAID>"));
    zdsim_clear_injections();
    zdsim_inject_status("ZD_LD_GetTargetLDInfo", 1, 1);
    const std::string noTarget = bridge.single("PackageVD", "0");
    EXPECT_FALSE(zdtest::contains(noTarget, "<Target"));
    EXPECT_EQ(field(noTarget, "VDBGAType"), "32");
}

TEST(VDDistributionProvider, Answers) {
    zdtest::LoadedBridge bridge;
    const uint16_t pair = createGroup("Pair", 1, {5, 6});
    createVd(pair, "Pair", 1, 1000000);
    zdsim_clear_calls();
    EXPECT_EQ(bridge.answered("VDDistribution", "0"),
              "<VDDistribution><Available>23442111504</Available><Backup>7814037168</Backup><ID>0</ID>"
              "<Unused>0</Unused></VDDistribution>");
    EXPECT_EQ(zdsim_call_count("ZD_PD_GetHDInfo_Ext"), 1u);  // all four members in the first batch
    EXPECT_EQ(bridge.array("VDDistribution"),
              "<VDDistributions><VDDistribution><Available>23442111504</Available><Backup>7814037168</Backup>"
              "<ID>0</ID><Unused>0</Unused></VDDistribution><VDDistribution><Available>1000000</Available>"
              "<Backup>1000000</Backup><ID>1</ID><Unused>15626074336</Unused></VDDistribution></VDDistributions>");
    EXPECT_EQ(bridge.unanswered("VDDistribution", "7"), "");

    // A member that cannot be read adds nothing to the total.
    ASSERT_EQ(zdsim_set_adapter_value(0, "auto_rebuild", 0), 0);  // the spare stays a spare
    ASSERT_EQ(zdsim_pull_disk(0, 6), 0);
    EXPECT_EQ(bridge.single("VDDistribution", "1"),
              "<VDDistribution><Available>1000000</Available><Backup>1000000</Backup><ID>1</ID>"
              "<Unused>7812037168</Unused></VDDistribution>");
    ASSERT_EQ(zdsim_set_adapter_value(0, "max_buffer_kb", 0), 0);
    EXPECT_EQ(bridge.unanswered("VDDistribution", "0"), "");
}

TEST(ProviderLog, ControllerReadsAreLogged) {
    zdtest::LoadedBridge bridge({true, "api_data=1\n"});
    bridge.single("Adapter", "0");
    bridge.single("PD", "1");
    bridge.single("VDDistribution", "0");
    startMigration();
    bridge.single("PackageVD", "0");
    const std::string log = bridge.log();
    for (const char* line : {"  ZD_Adapter_GetConfig Adapter_Config_V2:(key is 0)(file ", "  OEM_Data:(NXP_VER 1.2.0.7)\n",
                             "  Adapter OEM Info link_type:(key: 0 data 0)\n",
                             "  Adapter OEM Info support_bit:(key: 0 data 0)\n", "  ZD_PD_GET_SMART_INFO:(key is 1)(file ",
                             "  VDDistribution reset:(raid 0x5,pd_count 4,NumParityDisk 1)\n",
                             "  VDDistribution setVDSize:(size 0x575423c10)\n", "  ZD_LD_GetTargetLDInfo:(key is 0)(file ",
                             "  ZD_BLK_GetInfo Info_Request:(key is 0)(file "}) {
        EXPECT_TRUE(zdtest::contains(log, line)) << line;
    }
    // The block request is dumped as its header and two more bytes.
    const size_t dump = log.find("(file ", log.find("ZD_BLK_GetInfo Info_Request"));
    ASSERT_NE(dump, std::string::npos);
    const std::string name = log.substr(dump + 6, log.find(')', dump) - dump - 6);
    const std::string bytes = zdtest::readFile(name);
    ASSERT_EQ(bytes.size(), 18u);
    EXPECT_EQ(bytes[1], ZD_REQUEST_RANGE);
}
