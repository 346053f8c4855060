// Physical disk commands against the simulator: the controller call each
// request makes (arguments and record bytes), fields kept between requests,
// and the disk states that result.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/records/Records.h"
#include "command/MPPD.h"
#include "support/TestSupport.h"

namespace {

using zdtest::simCallText;

bool called(const std::string& line) { return ("\n" + simCallText()).find("\n" + line + "\n") != std::string::npos; }

_HD_CONFIG lastSetConfig() {
    _HD_CONFIG record;
    std::memset(&record, 0xEE, sizeof record);
    EXPECT_EQ(zdsim_last_record("ZD_PD_SetConfig", &record, sizeof record), sizeof record);
    return record;
}

}  // namespace

TEST(DiskCommands, PdConfigRewritesTheWholeRecordWithOnlyTheCacheChanged) {
    zdtest::LoadedBridge bridge;
    ASSERT_EQ(zdsim_set_disk_value(0, 5, "pd_cache", 1), 0);
    ASSERT_EQ(zdsim_set_disk_value(0, 5, "current_speed", 3), 0);

    zdsim_clear_calls();
    EXPECT_EQ(bridge.command("<PDConfig><ID>5</ID><PDCache>0</PDCache></PDConfig>"), 0);
    EXPECT_TRUE(called("ZD_PD_SetConfig 0 5")) << simCallText();
    _HD_CONFIG written = lastSetConfig();
    EXPECT_EQ(written.pd_cache, 0);
    EXPECT_EQ(written.current_speed, 3);
    EXPECT_EQ(written.hd_id, 5);
    EXPECT_EQ(written.reserved1[0] | written.reserved1[1] | written.reserved4[0] | written.reserved4[1], 0);

    // No "PDCache" and no "ID": disk 5 again, its current settings written back.
    ASSERT_EQ(zdsim_set_disk_value(0, 5, "pd_cache", 1), 0);
    zdsim_clear_calls();
    EXPECT_EQ(bridge.command("<PDConfig></PDConfig>"), 0);
    EXPECT_TRUE(called("ZD_PD_SetConfig 0 5")) << simCallText();
    written = lastSetConfig();
    EXPECT_EQ(written.pd_cache, 1);
    EXPECT_EQ(written.current_speed, 3);

    // An unknown disk: 9, and nothing written.
    zdsim_clear_calls();
    EXPECT_EQ(bridge.command("<PDConfig><ID>99</ID><PDCache>1</PDCache></PDConfig>"), 9);
    EXPECT_EQ(zdsim_call_count("ZD_PD_SetConfig"), 0u);

    // A failing write is passed on.
    zdsim_inject_status("ZD_PD_SetConfig", 77, 1);
    EXPECT_EQ(bridge.command("<PDConfig><ID>5</ID></PDConfig>"), 77);
}

TEST(DiskCommands, BackgroundControlMediaPatrolAndWipe) {
    zdtest::LoadedBridge bridge;

    zdsim_clear_calls();
    zdsim_inject_status("ZD_PD_BGAControl", 42, 1);
    EXPECT_EQ(bridge.command("<PDBGAControl><PDID>3</PDID><BGAControl>2</BGAControl></PDBGAControl>"), 42);
    EXPECT_TRUE(called("ZD_PD_BGAControl 0 3 2")) << simCallText();
    // Disk and action are kept from the previous request.
    zdsim_clear_calls();
    bridge.command("<PDBGAControl></PDBGAControl>");
    EXPECT_TRUE(called("ZD_PD_BGAControl 0 3 2")) << simCallText();

    zdsim_clear_calls();
    EXPECT_EQ(bridge.command("<MediaPatrolPD><ID>6</ID></MediaPatrolPD>"), 0);
    EXPECT_TRUE(called("ZD_PD_StartMediaPatrol 0 6")) << simCallText();
    zdsim_inject_status("ZD_PD_StartMediaPatrol", 12, 1);
    EXPECT_EQ(bridge.command("<MediaPatrolPD/>"), 12);

    // The schedule runner drives its own objects of the patrol command.
    zdsim_advance_ms(60000);  // once the first patrol ended
    MPPD patrol;
    patrol.setKey("7");
    patrol.prepare(0);
    patrol.replacePara(nullptr);
    zdsim_clear_calls();
    patrol.run();
    EXPECT_EQ(patrol.getRet(), 0);
    EXPECT_TRUE(called("ZD_PD_StartMediaPatrol 0 7")) << simCallText();

    zdsim_clear_calls();
    bridge.selectAdapter("1");
    EXPECT_EQ(bridge.command("<SetPDFree><ID>3</ID></SetPDFree>"), 0);
    EXPECT_TRUE(called("ZD_PD_WipeHDMDD 1 3 1")) << simCallText();
    EXPECT_EQ(zdtest::field(bridge.single("PD", "3"), "PDStatus"), "1");
}

TEST(DiskCommands, SparesMoveBetweenStates) {
    zdtest::LoadedBridge bridge;

    zdsim_clear_calls();
    EXPECT_EQ(bridge.command("<SparePD><DiskID>5</DiskID></SparePD>"), 0);
    EXPECT_TRUE(called("ZD_PD_FreeHD2GlobalSpare 0 5")) << simCallText();
    EXPECT_EQ(zdtest::field(bridge.single("PD", "5"), "PDStatus"), "5");  // Global Spare (Free)

    zdsim_clear_calls();
    EXPECT_EQ(bridge.command("<FreePD><DiskID>5</DiskID></FreePD>"), 0);
    EXPECT_TRUE(called("ZD_PD_Spare2FreeHD 0 5")) << simCallText();
    EXPECT_EQ(zdtest::field(bridge.single("PD", "5"), "PDStatus"), "1");  // Free

    // Without "DiskID" the disk is 0, not the previous request's disk.
    zdsim_clear_calls();
    bridge.command("<FreePD></FreePD>");
    EXPECT_TRUE(called("ZD_PD_Spare2FreeHD 0 0")) << simCallText();

    // Disk first, group second.
    zdsim_clear_calls();
    zdsim_inject_status("ZD_PD_FreeHD2DGSpare", 0, 1);
    EXPECT_EQ(bridge.command("<PackageVDDSpare><PackageVDID>2</PackageVDID><DiskID>7</DiskID></PackageVDDSpare>"), 0);
    EXPECT_TRUE(called("ZD_PD_FreeHD2DGSpare 0 7 2")) << simCallText();

    // A real dedicated spare of package VD 0; the group is kept when omitted.
    zdsim_clear_calls();
    EXPECT_EQ(bridge.command("<PackageVDDSpare><PackageVDID>0</PackageVDID><DiskID>6</DiskID></PackageVDDSpare>"), 0);
    EXPECT_EQ(bridge.command("<PackageVDDSpare><DiskID>7</DiskID></PackageVDDSpare>"), 0);
    EXPECT_TRUE(called("ZD_PD_FreeHD2DGSpare 0 7 0")) << simCallText();
    EXPECT_EQ(zdtest::field(bridge.single("PD", "6"), "PDStatus"), "65");  // Dedicated Spare (Free)
    EXPECT_TRUE(zdtest::contains(bridge.single("PD", "6"), "<PackageVDID>0</PackageVDID>"));
}
