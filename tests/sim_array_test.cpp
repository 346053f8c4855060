// The simulator's disk groups and virtual disks: capacity per RAID level,
// creation, deletion, spares and settings, with every refusal's code and
// nothing changed by a refused call.
#include <gtest/gtest.h>

#include "SimTestHelpers.h"

using namespace simtest;

namespace {

class SimArrayTest : public ::testing::Test {
protected:
    void SetUp() override { zdsim_reset(); }

    // An adapter 0 with eight free 4 TB disks.
    static void emptyAdapter() {
        zdsim_reset_empty(1);
        for (int i = 0; i < 8; ++i) zdsim_add_disk(0, k4TB);
    }

    static uint64_t capacity(uint8_t level, std::vector<uint16_t> disks, uint8_t parity = 0) {
        _CreateOrModify_DG_Param p = groupParam("", level, disks, parity);
        uint8_t status = ZD_CreateOrModify_DG(0, &p, 1);
        EXPECT_EQ(status, 0) << "level " << int(level);
        return zdU64Value(p.size);
    }

    static uint8_t create(uint8_t level, std::vector<uint16_t> disks, uint8_t parity = 0) {
        _CreateOrModify_DG_Param p = groupParam("G", level, disks, parity);
        return ZD_CreateOrModify_DG(0, &p, 0);
    }
};

}  // namespace

TEST_F(SimArrayTest, CapacityPerRaidLevel) {
    emptyAdapter();
    // {level, members (disks 0 ..), parity, capacity in half disks}; RAID 6 parity 0 means the usual 2.
    const uint8_t cases[][4] = {{0, 3, 0, 6}, {1, 2, 0, 2}, {16, 4, 0, 4}, {17, 3, 0, 3}, {5, 4, 0, 6},
                                {6, 5, 2, 6}, {6, 5, 0, 6}, {80, 6, 0, 8}, {96, 8, 2, 8}};
    for (const auto& c : cases) {
        std::vector<uint16_t> members(c[1]);
        for (uint16_t i = 0; i < c[1]; ++i) members[i] = i;
        EXPECT_EQ(capacity(c[0], members, c[2]), c[3] * k4TB / 2) << "level " << int(c[0]);
    }

    // The smallest member sets the size of every member.
    ASSERT_EQ(zdsim_add_disk(0, k2TB), 8);
    EXPECT_EQ(capacity(5, {0, 1, 8}), 2 * k2TB);

    // A calculation creates nothing.
    EXPECT_TRUE(readAll<_DG_Info>(ZD_DG_GetInfo, 0).empty());
    EXPECT_EQ(diskStatus(0, 0), 1);
}

TEST_F(SimArrayTest, CreationRefusals) {
    emptyAdapter();
    EXPECT_EQ(create(2, {0, 1}), 14);        // no such level
    EXPECT_EQ(create(1, {0, 1, 2}), 57);     // RAID 1 takes two disks
    EXPECT_EQ(create(16, {0, 1, 2}), 57);    // RAID 10: even, at least 4
    EXPECT_EQ(create(5, {0, 1}), 57);
    EXPECT_EQ(create(80, {0, 1, 2, 3}), 57);
    EXPECT_EQ(create(6, {0, 1, 2, 3}, 3), 66);  // at most max_parity_disks
    EXPECT_EQ(create(5, {0, 1, 99}), 55);
    EXPECT_EQ(create(5, {0, 1, 1}), 7);
    _CreateOrModify_DG_Param stripe = groupParam("G", 5, {0, 1, 2});
    stripe.stripe_size = 48;
    EXPECT_EQ(ZD_CreateOrModify_DG(0, &stripe, 0), 67);
    _CreateOrModify_DG_Param mode = groupParam("G", 5, {0, 1, 2});
    EXPECT_EQ(ZD_CreateOrModify_DG(0, &mode, 2), 7);
    zdsim_set_disk_value(0, 2, "block_size", 4096);
    EXPECT_EQ(create(5, {0, 1, 2}), 74);
    zdsim_set_disk_value(0, 2, "block_size", 512);
    zdsim_set_adapter_value(0, "raid_mode_mask", 0x3);  // RAID 0 and 1 only
    EXPECT_EQ(create(5, {0, 1, 2}), 14);
    zdsim_set_adapter_value(0, "raid_mode_mask", 0x17F);

    ASSERT_EQ(create(1, {0, 1}), 0);
    EXPECT_EQ(create(0, {1, 2}), 56);  // disk 1 is in use
    ASSERT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 3), 0);
    EXPECT_EQ(create(0, {2, 3}), 54);  // disk 3 is a spare
    zdsim_fail_disk(0, 4);
    EXPECT_EQ(create(0, {2, 4}), 56);

    // None of the refusals changed anything.
    EXPECT_EQ(readAll<_DG_Info>(ZD_DG_GetInfo, 0).size(), 1u);
    EXPECT_EQ(diskStatus(0, 2), 1);
}

TEST_F(SimArrayTest, TwoCallCreationWithRounding) {
    emptyAdapter();
    _CreateOrModify_DG_Param dg = groupParam("Media", 5, {4, 5, 6});
    ASSERT_EQ(ZD_CreateOrModify_DG(0, &dg, 0), 0);
    EXPECT_EQ(dg.dg_id, 0);
    EXPECT_EQ(zdU64Value(dg.size), 2 * k4TB);

    _CreateOrModify_VD_Param half = vdParam("Half", 0, 5, 0, 1);
    half.size = zdU64Make(k4TB + 12345);
    ASSERT_EQ(ZD_CreateOrModify_VD(0, &half), 0);
    const uint64_t gb = 1953125;  // sectors of 10^9 bytes
    uint64_t halfSize = (k4TB + 12345) / gb * gb;
    EXPECT_EQ(zdU64Value(vd(0, half.ld_id).size), halfSize);

    _CreateOrModify_VD_Param rest = vdParam("Rest", 0, 5, 3, 2);
    ASSERT_EQ(ZD_CreateOrModify_VD(0, &rest), 0);
    uint64_t restSize = (2 * k4TB - halfSize) / (10 * gb) * (10 * gb);
    _LD_Info restInfo = vd(0, rest.ld_id);
    EXPECT_EQ(zdU64Value(restInfo.size), restSize);
    EXPECT_EQ(restInfo.status, 0);  // init type 3: not initialised
    EXPECT_EQ(recordText(restInfo.name, 16), "Rest");
    EXPECT_EQ(vd(0, half.ld_id).status, 15);

    _DG_Info info = group(0, 0);
    EXPECT_EQ(recordText(info.name, 16), "Media");
    EXPECT_EQ(info.ld_ids[0], half.ld_id);
    EXPECT_EQ(info.ld_ids[1], rest.ld_id);
    EXPECT_EQ(zdU64Value(info.free_size), 2 * k4TB - halfSize - restSize);
    for (uint16_t id : {4, 5, 6}) EXPECT_EQ(diskStatus(0, id), 2);

    _CreateOrModify_VD_Param tooBig = vdParam("Big", 0, 5);
    tooBig.size = zdU64Make(k4TB);
    EXPECT_EQ(ZD_CreateOrModify_VD(0, &tooBig), 5);
    _CreateOrModify_VD_Param wrongLevel = vdParam("X", 0, 6);
    EXPECT_EQ(ZD_CreateOrModify_VD(0, &wrongLevel), 14);
    _CreateOrModify_VD_Param noGroup = vdParam("X", 9, 5);
    EXPECT_EQ(ZD_CreateOrModify_VD(0, &noGroup), 8);
    _CreateOrModify_VD_Param badName = vdParam("\x01name", 0, 5);
    EXPECT_EQ(ZD_CreateOrModify_VD(0, &badName), 72);
    EXPECT_EQ(readAll<_LD_Info>(ZD_LD_GetInfo, 0).size(), 2u);
}

TEST_F(SimArrayTest, PackageCreationInOneCall) {
    _Create_PackageVD_Param p = packageParam("Scratch", 0, {5, 6});
    ASSERT_EQ(ZD_Create_PackageVD(0, &p), 0);
    EXPECT_EQ(p.dg.dg_id, 1);
    EXPECT_EQ(vd(0, p.vd.ld_id).dg_id, 1);
    EXPECT_EQ(zdU64Value(group(0, 1).free_size), 0u);

    // Refused whole: a bad virtual-disk half creates no group either.
    _Create_PackageVD_Param bad{};
    bad.vd = vdParam("\x7f", ZD_EMPTY_ID, 1);
    bad.dg = groupParam("Bad", 1, {7, 4});
    EXPECT_EQ(ZD_Create_PackageVD(0, &bad), 54);
    bad.dg = groupParam("Bad", 1, {7, 3});
    EXPECT_EQ(ZD_Create_PackageVD(0, &bad), 56);
    zdsim_add_disk(0, k4TB);
    bad.dg = groupParam("Bad", 1, {7, 8});
    EXPECT_EQ(ZD_Create_PackageVD(0, &bad), 72);
    EXPECT_EQ(diskStatus(0, 7), 1);
    EXPECT_EQ(readAll<_DG_Info>(ZD_DG_GetInfo, 0).size(), 2u);

    // Adapter 1 does not create a package in one call.
    _Create_PackageVD_Param usb = packageParam("U", 1, {2, 3});
    EXPECT_EQ(ZD_Create_PackageVD(1, &usb), 19);
}

TEST_F(SimArrayTest, DeletionAndWipe) {
    drainEvents(0);
    EXPECT_EQ(ZD_DG_Delete(0, 0), 76);  // still holds its virtual disk
    EXPECT_EQ(ZD_LD_Delete(0, 7, 1), 59);
    ASSERT_EQ(ZD_LD_Delete(0, 0, 1), 0);
    _DG_Info info = group(0, 0);
    EXPECT_EQ(info.ld_ids[0], ZD_EMPTY_ID);
    EXPECT_EQ(zdU64Value(info.free_size), 3 * k4TB);
    EXPECT_TRUE(readAll<_BLOCK_INFO>(ZD_BLK_GetInfo, 0).empty());
    std::vector<EventRecord> events = drainEvents(0);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].evt_class, 1);
    EXPECT_EQ(events[0].code, 3);
    EXPECT_EQ(events[0].device_id, 0);
    EXPECT_EQ(std::memcmp(events[0].params, "Data\0\0\0\0\0\0\0\0\0\0\0\0", 16), 0);

    ASSERT_EQ(ZD_DG_Delete(0, 0), 0);
    EXPECT_EQ(ZD_DG_Delete(0, 0), 8);
    for (uint16_t id : {0, 1, 2, 3}) EXPECT_EQ(diskStatus(0, id), 1);

    // The wipe path: wiping every member dissolves a group and its VD.
    EXPECT_EQ(ZD_DG_Delete(1, 0), 76);
    ASSERT_EQ(ZD_PD_WipeHDMDD(1, 0, 1), 0);
    EXPECT_EQ(vd(1, 0).status, 1);  // degraded
    ASSERT_EQ(ZD_PD_WipeHDMDD(1, 1, 1), 0);
    EXPECT_TRUE(readAll<_DG_Info>(ZD_DG_GetInfo, 1).empty());
    EXPECT_TRUE(readAll<_LD_Info>(ZD_LD_GetInfo, 1).empty());
    EXPECT_EQ(diskStatus(1, 0), 1);
    EXPECT_EQ(ZD_PD_WipeHDMDD(1, 9, 1), 9);
}

TEST_F(SimArrayTest, SpareStates) {
    EXPECT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 5), 0);
    EXPECT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 5), 54);
    EXPECT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 0), 56);
    EXPECT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 40), 9);
    EXPECT_EQ(ZD_PD_Spare2FreeHD(0, 5), 0);
    EXPECT_EQ(ZD_PD_Spare2FreeHD(0, 5), 53);

    ASSERT_EQ(ZD_PD_FreeHD2DGSpare(0, 6, 0), 0);
    EXPECT_EQ(readOne<_HD_RAID_STATUS>(ZD_PD_GetHDRaidStatus, 0, 6).dg_id, 0);
    EXPECT_EQ(group(0, 0).spare_ids[0], 6);
    EXPECT_EQ(ZD_PD_FreeHD2DGSpare(0, 7, 3), 8);
    EXPECT_EQ(ZD_PD_FreeHD2DGSpare(0, 6, 0), 54);
    zdsim_add_disk(0, k2TB);
    EXPECT_EQ(ZD_PD_FreeHD2DGSpare(0, 8, 0), 52);  // too small for the members
    EXPECT_EQ(ZD_PD_Spare2FreeHD(0, 6), 0);
    EXPECT_EQ(group(0, 0).spare_count, 0);

    // A test can force a status until the disk's role changes.
    zdsim_set_disk_value(0, 7, "status", 16);
    EXPECT_EQ(diskStatus(0, 7), 16);
    ASSERT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 7), 0);
    EXPECT_EQ(diskStatus(0, 7), 5);
}

TEST_F(SimArrayTest, Settings) {
    _DG_CONFIG dg = readOne<_DG_CONFIG>(ZD_DG_GetConfig, 0, 0);
    dg.pd_cache = 0;
    ASSERT_EQ(ZD_DG_SetConfig(0, 0, &dg), 0);
    EXPECT_EQ(readOne<_HD_CONFIG>(ZD_PD_GetConfig, 0, 2).pd_cache, 0);  // the group's setting reaches its members
    dg.pd_cache = 2;
    EXPECT_EQ(ZD_DG_SetConfig(0, 0, &dg), 7);
    EXPECT_EQ(ZD_DG_SetConfig(0, 4, &dg), 8);

    _LD_Config ld = readOne<_LD_Config>(ZD_LD_GetConfig, 0, 0);
    ld.name[0] = '\n';
    EXPECT_EQ(ZD_LD_SetConfig(0, 0, &ld), 72);
    EXPECT_EQ(ZD_LD_SetConfig(0, 3, &ld), 59);
    EXPECT_EQ(recordText(vd(0, 0).name, 16), "Data");

    _HD_CONFIG cfg = readOne<_HD_CONFIG>(ZD_PD_GetConfig, 0, 5);
    cfg.pd_cache = 5;
    EXPECT_EQ(ZD_PD_SetConfig(0, 5, &cfg), 7);
    EXPECT_EQ(ZD_PD_SetConfig(0, 50, &cfg), 9);
}
