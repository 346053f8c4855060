// The package VD maintenance commands through the loaded bridge: check,
// initialisation, rebuild, migration, background-activity control and
// configuration; their records, result codes and the activities the
// "PackageVD" provider shows afterwards.
#include <gtest/gtest.h>

#include "ArrayTestSupport.h"
#include "command/CheckPackageVD.h"
#include "command/InitPackageVD.h"
#include "middle/StructMiddle.h"

using namespace arraytest;
using zdtest::contains;

namespace {

using Lines = std::vector<std::string>;

class MaintenanceTest : public DataArrayTest {
protected:
    std::string packageVD() { return bridge->single("PackageVD", id); }
    std::string keyed(const char* name, const std::string& body, const char* key = "ID") {
        return std::string("<") + name + "><" + key + ">" + id + "</" + key + ">" + body + "</" + name + ">";
    }
};

// Runs a command object of its own on disk group `id` with one field; answers its result.
template <typename Command>
int runOwn(uint16_t id, const char* field, const char* value) {
    StructMiddle para(Command().getName());
    para.addSingle(field, value);
    Command command;
    command.setKey(std::to_string(id));
    command.prepare(kTbAdapter);
    command.replacePara(&para);
    command.run();
    return command.getRet();
}

}  // namespace

TEST_F(MaintenanceTest, CheckTranslatesActivityTypesAndKeepsTheType) {
    ASSERT_EQ(command(keyed("CheckPackageVD", "<CheckType>4</CheckType>")), 0);
    EXPECT_EQ(actions(), Lines{"ZD_LD_StartConsistencyCheck 0 " + vd + " 0"});
    EXPECT_TRUE(contains(log(), "ZD_LD_StartConsistencyCheck:(m_key " + id + ", vdid " + vd + ", type 4, i 0)"));
    EXPECT_TRUE(contains(packageVD(), "<VDBGAType>4</VDBGAType>"));

    zdsim_inject_status("ZD_LD_StartConsistencyCheck", 0, -1);
    zdsim_clear_calls();
    ASSERT_EQ(command(keyed("CheckPackageVD", "<CheckType>2</CheckType>")), 0);
    ASSERT_EQ(command(keyed("CheckPackageVD", "")), 0);  // the translated type is kept
    ASSERT_EQ(command(keyed("CheckPackageVD", "<CheckType>0</CheckType>")), 0);
    ASSERT_EQ(command(keyed("CheckPackageVD", "<CheckType>1</CheckType>")), 0);
    const std::string call = "ZD_LD_StartConsistencyCheck 0 " + vd + " ";
    EXPECT_EQ(actions(), (Lines{call + "1", call + "1", call + "0", call + "1"}));

    zdsim_inject_status("ZD_LD_StartConsistencyCheck", 12, 1);
    EXPECT_EQ(command(keyed("CheckPackageVD", "")), 12);

    zdsim_clear_calls();
    EXPECT_EQ(command("<CheckPackageVD><ID>77</ID></CheckPackageVD>"), 1);
    EXPECT_EQ(actions(), Lines{});
}

TEST_F(MaintenanceTest, InitRefusesForegroundAndTranslatesActivityTypes) {
    ASSERT_EQ(command(keyed("InitPackageVD", "<InitType>1</InitType>")), 1);
    EXPECT_EQ(actions(), Lines{});

    ASSERT_EQ(command(keyed("InitPackageVD", "<InitType>16</InitType>")), 0);
    EXPECT_EQ(actions(), Lines{"ZD_LD_StartINIT 0 " + vd + " 2"});
    EXPECT_TRUE(contains(log(), "ZD_LD_StartINIT:(m_adapter 0,m_key " + id + ", vdid " + vd + ", type 16)"));
    EXPECT_TRUE(contains(packageVD(), "<VDBGAType>16</VDBGAType>"));

    // Pausing an initialisation goes to the virtual disk.
    zdsim_clear_calls();
    ASSERT_EQ(command(keyed("PackageVDBGAControl", "<BGAControl>2</BGAControl>", "PackageVDID")), 0);
    EXPECT_EQ(actions(), Lines{"ZD_LD_BGAControl 0 " + vd + " 2"});
    EXPECT_TRUE(contains(log(), "ZD_LD_BGAControl:(id " + vd + " type 2)"));

    zdsim_inject_status("ZD_LD_StartINIT", 0, -1);
    zdsim_clear_calls();
    ASSERT_EQ(command(keyed("InitPackageVD", "<InitType>8</InitType>")), 0);
    ASSERT_EQ(command(keyed("InitPackageVD", "")), 0);
    EXPECT_EQ(actions(), (Lines{"ZD_LD_StartINIT 0 " + vd + " 0", "ZD_LD_StartINIT 0 " + vd + " 0"}));

    zdsim_clear_calls();
    EXPECT_EQ(command("<InitPackageVD><ID>77</ID></InitPackageVD>"), 1);
    EXPECT_EQ(command("<PackageVDBGAControl><PackageVDID>77</PackageVDID><BGAControl>2</BGAControl>"
                      "</PackageVDBGAControl>"),
              8);
    EXPECT_EQ(actions(), Lines{});
    zdsim_inject_status("ZD_LD_BGAControl", 19, 1);
    EXPECT_EQ(command(keyed("PackageVDBGAControl", "<BGAControl>3</BGAControl>", "PackageVDID")), 19);
    EXPECT_EQ(actions(), Lines{"ZD_LD_BGAControl 0 " + vd + " 3"});
}

TEST_F(MaintenanceTest, GroupWithoutVirtualDiskUsesId255) {
    zdsim_set_adapter_value(kTbAdapter, "AdvancedFeatures2", 0);
    zdsim_inject_status("ZD_CreateOrModify_VD", 31, 1);
    ASSERT_EQ(command("<CreatePackageVD><Name>Bare</Name><RAID>1</RAID>" + disksXml({5, 6}) + "</CreatePackageVD>"),
              31);
    _DG_Info bare;
    ASSERT_TRUE(findGroup(kTbAdapter, "Bare", bare));
    const std::string bareId = std::to_string(bare.id);

    zdsim_inject_status("ZD_LD_StartConsistencyCheck", 42, 1);
    zdsim_inject_status("ZD_LD_StartINIT", 43, 1);
    zdsim_clear_calls();
    EXPECT_EQ(command("<CheckPackageVD><ID>" + bareId + "</ID><CheckType>0</CheckType></CheckPackageVD>"), 42);
    EXPECT_EQ(command("<InitPackageVD><ID>" + bareId + "</ID><InitType>0</InitType></InitPackageVD>"), 43);
    EXPECT_EQ(actions(), (Lines{"ZD_LD_StartConsistencyCheck 0 255 0", "ZD_LD_StartINIT 0 255 0"}));
    EXPECT_TRUE(contains(log(), "vdid 255, type 0, i 32)"));

    // No virtual disk to configure: 8 without any change.
    zdsim_clear_calls();
    EXPECT_EQ(command("<PackageVDConfig><ID>" + bareId + "</ID><Name>X</Name></PackageVDConfig>"), 8);
    EXPECT_EQ(actions(), Lines{});
}

// The schedule runner builds its own command objects and passes
// background-activity types.
TEST(ScheduledMaintenance, OwnObjectsTranslateActivityTypes) {
    zdtest::TempDir logDir;
    setenv("ZDBRIDGE_LOG_DIR", (logDir.path() + "/").c_str(), 1);
    zdsim_reset();
    _DG_Info data;
    ASSERT_TRUE(findGroup(kTbAdapter, "Data", data));
    zdsim_inject_status("ZD_LD_StartConsistencyCheck", 0, -1);
    zdsim_inject_status("ZD_LD_StartINIT", 0, -1);
    zdsim_clear_calls();
    EXPECT_EQ(runOwn<CheckPackageVD>(data.id, "CheckType", "2"), 0);
    EXPECT_EQ(runOwn<InitPackageVD>(data.id, "InitType", "16"), 0);
    const std::string vd = std::to_string(data.ld_ids[0]);
    EXPECT_EQ(actions(), (Lines{"ZD_LD_StartConsistencyCheck 0 " + vd + " 1", "ZD_LD_StartINIT 0 " + vd + " 2"}));
    unsetenv("ZDBRIDGE_LOG_DIR");
}

TEST_F(MaintenanceTest, RebuildSendsTheDiskListAndKeepsIt) {
    zdsim_set_adapter_value(kTbAdapter, "auto_rebuild", 0);  // the global spare must not take over
    ASSERT_EQ(zdsim_fail_disk(kTbAdapter, 2), 0);
    zdsim_clear_calls();
    ASSERT_EQ(command(keyed("RebuildPackageVD", disksXml({5}))), 0);
    _Rebuild_Param expected;
    std::memset(&expected, 0, sizeof(expected));
    expected.dg_id = data.id;
    expected.rebuild_kind = 2;
    expected.disk_count = 1;
    expected.disk_ids[0] = 5;
    EXPECT_EQ(bytesOf(lastRecord<_Rebuild_Param>("ZD_LD_DG_StartRebuild")), bytesOf(expected));
    EXPECT_EQ(actions(), Lines{"ZD_LD_DG_StartRebuild 0"});
    EXPECT_TRUE(contains(log(), "RebuildPackageVD ZD_LD_DG_StartRebuild:(file "));
    EXPECT_TRUE(contains(packageVD(), "<VDBGAType>1</VDBGAType>"));

    // A rebuild is a disk-group activity.
    zdsim_clear_calls();
    ASSERT_EQ(command(keyed("PackageVDBGAControl", "<BGAControl>2</BGAControl>", "PackageVDID")), 0);
    EXPECT_EQ(actions(), Lines{"ZD_DG_BGAControl 0 " + id + " 2"});

    zdsim_inject_status("ZD_LD_DG_StartRebuild", 0, -1);
    ASSERT_EQ(command(keyed("RebuildPackageVD", "")), 0);
    EXPECT_EQ(bytesOf(lastRecord<_Rebuild_Param>("ZD_LD_DG_StartRebuild")), bytesOf(expected));

    ASSERT_EQ(command(keyed("RebuildPackageVD", disksXml({6, 7}))), 0);
    ASSERT_EQ(command(keyed("RebuildPackageVD", disksXml({7}))), 0);
    expected.disk_ids[0] = 7;
    EXPECT_EQ(bytesOf(lastRecord<_Rebuild_Param>("ZD_LD_DG_StartRebuild")), bytesOf(expected));

    zdsim_clear_calls();
    EXPECT_EQ(command(keyed("RebuildPackageVD", disksXml(repeated(6, 161)))), 7);
    EXPECT_EQ(calls(), Lines{});
    ASSERT_EQ(command(keyed("RebuildPackageVD", "")), 0);
    EXPECT_EQ(bytesOf(lastRecord<_Rebuild_Param>("ZD_LD_DG_StartRebuild")), bytesOf(expected));

    ASSERT_EQ(command(keyed("RebuildPackageVD", disksXml(repeated(6, 160)))), 0);
    _Rebuild_Param full = lastRecord<_Rebuild_Param>("ZD_LD_DG_StartRebuild");
    EXPECT_EQ(full.disk_count, 160);
    EXPECT_EQ(full.disk_ids[159], 6);

    zdsim_inject_status("ZD_LD_DG_StartRebuild", 23, 1);
    EXPECT_EQ(command(keyed("RebuildPackageVD", "")), 23);
}

TEST_F(MaintenanceTest, MigrationRecordAndTargetWhileItRuns) {
    ASSERT_EQ(command(keyed("MigratePackageVD", "<RAID>5</RAID>" + disksXml({0, 1, 2, 3, 5}))), 0);
    _CreateOrModify_DG_Param expected;
    std::memset(&expected, 0, sizeof(expected));
    expected.dg_id = data.id;
    expected.raid_level = 5;
    expected.raid_aux = data.raid_aux;
    expected.stripe_size = data.stripe_size;
    expected.block_size = data.block_size;
    expected.disk_count = 5;
    for (uint16_t i = 0; i < 4; ++i) expected.disk_ids[i] = i;
    expected.disk_ids[4] = 5;
    EXPECT_EQ(bytesOf(lastRecord<_CreateOrModify_DG_Param>("ZD_DG_StartMigration")), bytesOf(expected));
    EXPECT_EQ(actions(), Lines{"ZD_DG_StartMigration 0"});
    EXPECT_TRUE(contains(log(), "check_migration_para:(ret 0 raid mode 0x5, disk count 5, dgid " + id + ")"));
    EXPECT_TRUE(contains(log(), "ZD_DG_StartMigration:(file "));

    std::string answer = packageVD();
    EXPECT_TRUE(contains(answer, "<VDBGAType>32</VDBGAType>"));
    EXPECT_TRUE(contains(answer, "<TargetRAID>5</TargetRAID>"));
    EXPECT_TRUE(contains(answer, "<TargetDisks><ID>0</ID><ID>1</ID><ID>2</ID><ID>3</ID><ID>5</ID></TargetDisks>"));
    EXPECT_TRUE(contains(answer, "<TargetSize>"));

    zdsim_advance_ms(10000);
    answer = packageVD();
    EXPECT_FALSE(contains(answer, "<BGAPercentage>0</BGAPercentage>"));

    // Pausing a migration goes to the disk group.
    zdsim_clear_calls();
    ASSERT_EQ(command(keyed("PackageVDBGAControl", "<BGAControl>2</BGAControl>", "PackageVDID")), 0);
    EXPECT_EQ(actions(), Lines{"ZD_DG_BGAControl 0 " + id + " 2"});
    EXPECT_TRUE(contains(log(), "ZD_DG_BGAControl:(id " + id + " type 2)"));

    // Without "RAID" and "Disks" the earlier ones are used again.
    zdsim_inject_status("ZD_DG_StartMigration", 77, 1);
    EXPECT_EQ(command(keyed("MigratePackageVD", "")), 77);
    EXPECT_EQ(bytesOf(lastRecord<_CreateOrModify_DG_Param>("ZD_DG_StartMigration")), bytesOf(expected));
}

TEST_F(MaintenanceTest, MigrationRulesRefuseBeforeTheController) {
    EXPECT_EQ(command(keyed("MigratePackageVD", "<RAID>0</RAID>" + disksXml({0, 1, 2, 3}))), 14);
    EXPECT_TRUE(contains(log(), "MigratePackageVD:(RAID MODE failed source 5, target 0)"));
    EXPECT_EQ(command(keyed("MigratePackageVD", "<RAID>17</RAID>")), 14);
    EXPECT_TRUE(contains(log(), "MigratePackageVD:(valid_raid_mode failed target 17)"));
    EXPECT_EQ(command("<MigratePackageVD><ID>77</ID><RAID>5</RAID></MigratePackageVD>"), 14);
    EXPECT_EQ(zdsim_call_count("ZD_DG_StartMigration"), 0u);

    // RAID 0 to RAID 1 on three disks passes the rank and fails the count.
    ASSERT_EQ(command("<CreatePackageVD><Name>Zero</Name><RAID>0</RAID>" + disksXml({5, 6}) + "</CreatePackageVD>"), 0);
    _DG_Info zero;
    ASSERT_TRUE(findGroup(kTbAdapter, "Zero", zero));
    zdsim_clear_calls();
    EXPECT_EQ(command("<MigratePackageVD><ID>" + std::to_string(zero.id) + "</ID><RAID>1</RAID>" +
                      disksXml({5, 6, 7}) + "</MigratePackageVD>"),
              57);
    EXPECT_TRUE(contains(log(), "check_migration_para:(ret 57 raid mode 0x1, disk count 3, dgid " +
                               std::to_string(zero.id) + ")"));
    EXPECT_EQ(zdsim_call_count("ZD_DG_StartMigration"), 0u);

    zdsim_clear_calls();
    EXPECT_EQ(command(keyed("MigratePackageVD", "<RAID>5</RAID>" + disksXml(repeated(5, 193)))), 7);
    EXPECT_EQ(calls(), Lines{});
    zdsim_inject_status("ZD_DG_StartMigration", 0, 1);
    ASSERT_EQ(command(keyed("MigratePackageVD", "<RAID>5</RAID>" + disksXml(repeated(5, 192)))), 0);
    _CreateOrModify_DG_Param full = lastRecord<_CreateOrModify_DG_Param>("ZD_DG_StartMigration");
    EXPECT_EQ(full.disk_count, 192);
    EXPECT_EQ(full.disk_ids[191], 5);
}

TEST_F(MaintenanceTest, ConfigStopsAtFailuresAndRenamesGroupAndVirtualDisk) {
    zdsim_inject_status("ZD_DG_SetConfig", 5, 1);
    EXPECT_EQ(command(keyed("PackageVDConfig", "<Name>Never</Name>")), 5);
    EXPECT_EQ(actions(), Lines{"ZD_DG_SetConfig 0 " + id});

    zdsim_clear_calls();
    EXPECT_EQ(command(keyed("PackageVDConfig", "<Name>SixteenCharsName</Name><VDCache>1</VDCache>")), 7);
    EXPECT_EQ(actions(), Lines{});
    EXPECT_EQ(command("<PackageVDConfig><ID>77</ID><Name>X</Name></PackageVDConfig>"), 8);
    EXPECT_EQ(actions(), Lines{});
    EXPECT_TRUE(contains(packageVD(), "<Name>Data</Name>"));

    zdsim_clear_calls();
    ASSERT_EQ(command(keyed("PackageVDConfig", "<Name>Renamed</Name><VDCache>1</VDCache><PDCache>0</PDCache>")), 0);
    EXPECT_EQ(actions(), (Lines{"ZD_DG_SetConfig 0 " + id, "ZD_LD_SetConfig 0 " + vd}));
    _DG_CONFIG groupConfig = lastRecord<_DG_CONFIG>("ZD_DG_SetConfig");
    _LD_Config vdConfig = lastRecord<_LD_Config>("ZD_LD_SetConfig");
    EXPECT_EQ(std::string(groupConfig.name), "Renamed");
    EXPECT_EQ(groupConfig.pd_cache, 0);
    EXPECT_EQ(groupConfig.id, data.id);
    EXPECT_EQ(std::string(vdConfig.name), "Renamed");
    EXPECT_EQ(vdConfig.cache_policy, 1);
    EXPECT_EQ(vdConfig.id, data.ld_ids[0]);
    EXPECT_TRUE(contains(log(), ")(ZD_DG_SetConfig id " + id + " ret 0)(file "));
    EXPECT_TRUE(contains(log(), ")(ZD_LD_SetConfig id " + vd + " ret 0)"));

    std::string answer = packageVD();
    EXPECT_TRUE(contains(answer, "<Name>Renamed</Name>"));
    EXPECT_TRUE(contains(answer, "<VDCache>1</VDCache>"));
    EXPECT_TRUE(contains(answer, "<PDCache>0</PDCache>"));

    // Only the fields of the request change; the rest is read afresh.
    ASSERT_EQ(command(keyed("PackageVDConfig", "<PDCache>1</PDCache>")), 0);
    EXPECT_EQ(std::string(lastRecord<_LD_Config>("ZD_LD_SetConfig").name), "Renamed");
    EXPECT_TRUE(contains(packageVD(), "<PDCache>1</PDCache>"));
}
