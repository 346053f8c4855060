// The simulator's background activities on the manual clock (progress,
// control, completion), faults and automatic rebuild, migration with its
// target, and the event queue.
#include <gtest/gtest.h>

#include <algorithm>

#include "SimTestHelpers.h"
#include "sim/EventCodes.h"
#include "sim/EventQueue.h"

using namespace simtest;

namespace {

class SimActivityTest : public ::testing::Test {
protected:
    void SetUp() override { zdsim_reset(); }
};

// Adapter 0 gets a RAID 1 group on disks 5 and 6 with a background-initialising VD.
uint16_t backgroundInitVd() {
    _CreateOrModify_DG_Param dg = groupParam("Work", 1, {5, 6});
    EXPECT_EQ(ZD_CreateOrModify_DG(0, &dg, 0), 0);
    _CreateOrModify_VD_Param p = vdParam("Work", dg.dg_id, 1, 2);
    EXPECT_EQ(ZD_CreateOrModify_VD(0, &p), 0);
    return p.ld_id;
}

// A rebuild of disk group `dg` onto `disks`; the call's status.
uint8_t rebuild(uint8_t adapter, uint16_t dg, std::vector<uint16_t> disks) {
    _Rebuild_Param p{};
    p.dg_id = dg;
    p.rebuild_kind = 2;
    p.disk_count = static_cast<uint8_t>(disks.size());
    for (size_t i = 0; i < disks.size(); ++i) p.disk_ids[i] = disks[i];
    return ZD_LD_DG_StartRebuild(adapter, &p);
}

// A migration of disk group 0 of adapter 0; the call's status.
uint8_t migrate(uint8_t level, std::vector<uint16_t> disks, uint8_t parity = 0) {
    _CreateOrModify_DG_Param p = groupParam("", level, disks, parity);
    p.dg_id = 0;
    return ZD_DG_StartMigration(0, &p);
}

// A virtual disk's activity as "type status percentage".
std::string activity(uint16_t id) {
    const _LD_STATUS s = vdStatus(0, id);
    return std::to_string(s.bga_type) + " " + std::to_string(s.bga_status) + " " + std::to_string(s.percentage);
}

// An event as "sequence class code device severity".
std::string eventText(const EventRecord& e) {
    return std::to_string(e.sequence) + " " + std::to_string(e.evt_class) + " " + std::to_string(e.code) + " " +
           std::to_string(e.device_id) + " " + std::to_string(e.severity);
}

bool hasEvent(const std::vector<EventRecord>& events, uint16_t cls, uint16_t code, uint16_t device) {
    return std::any_of(events.begin(), events.end(), [&](const EventRecord& e) {
        return e.evt_class == cls && e.code == code && e.device_id == device;
    });
}

}  // namespace

TEST_F(SimActivityTest, BackgroundInitialisationProgressesAndCompletes) {
    uint16_t id = backgroundInitVd();
    EXPECT_EQ(activity(id), "16 1 0");  // background initialisation running
    EXPECT_EQ(vd(0, id).bga_running, 1);
    EXPECT_EQ(vd(0, id).status, 0);

    zdsim_advance_ms(15000);  // half of a 4 TB member's 30 s
    EXPECT_EQ(vdStatus(0, id).percentage, 50);
    ASSERT_EQ(ZD_LD_BGAControl(0, id, 2), 0);  // pause
    zdsim_advance_ms(60000);
    EXPECT_EQ(activity(id), "16 3 50");
    ASSERT_EQ(ZD_LD_BGAControl(0, id, 3), 0);  // resume
    zdsim_advance_ms(14999);
    EXPECT_EQ(vdStatus(0, id).percentage, 99);
    zdsim_advance_ms(1);
    EXPECT_EQ(activity(id), "0 0 0");
    _LD_Info info = vd(0, id);
    EXPECT_EQ(info.bga_running, 0);
    EXPECT_EQ(info.status, 15);
    EXPECT_EQ(ZD_LD_BGAControl(0, id, 2), 62);

    // Quick initialisation finishes at once; foreground-type values are checked.
    EXPECT_EQ(ZD_LD_StartINIT(0, id, 0), 0);
    EXPECT_EQ(vd(0, id).bga_running, 0);
    EXPECT_EQ(ZD_LD_StartINIT(0, id, 7), 7);
    EXPECT_EQ(ZD_LD_StartINIT(0, 44, 2), 59);
}

TEST_F(SimActivityTest, ActivityControlActions) {
    uint16_t id = backgroundInitVd();
    EXPECT_EQ(ZD_LD_StartINIT(0, id, 2), 61);        // already running
    EXPECT_EQ(ZD_LD_StartConsistencyCheck(0, id, 1), 61);
    EXPECT_EQ(ZD_LD_BGAControl(0, id, 9), 153);
    zdsim_advance_ms(6000);
    ASSERT_EQ(ZD_LD_BGAControl(0, id, 1), 0);  // restart from 0
    EXPECT_EQ(vdStatus(0, id).percentage, 0);
    zdsim_advance_ms(6000);
    ASSERT_EQ(ZD_LD_BGAControl(0, id, 4), 0);  // abort: listed as aborted
    EXPECT_EQ(activity(id), "16 2 20");
    EXPECT_EQ(vd(0, id).bga_running, 0);
    zdsim_advance_ms(60000);
    EXPECT_EQ(vd(0, id).status, 0);  // never finished
    EXPECT_EQ(ZD_LD_BGAControl(0, id, 2), 62);
    ASSERT_EQ(ZD_LD_BGAControl(0, id, 1), 0);  // an aborted one restarts
    EXPECT_EQ(vdStatus(0, id).bga_status, 1);
    ASSERT_EQ(ZD_LD_BGAControl(0, id, ZD_BGA_ACTION_STOP), 0);
    EXPECT_EQ(activity(id), "0 0 0");
    EXPECT_EQ(ZD_LD_BGAControl(0, id, ZD_BGA_ACTION_STOP), 62);
    EXPECT_EQ(ZD_DG_BGAControl(0, 1, ZD_BGA_ACTION_STOP), 17);  // no group activity
    EXPECT_EQ(ZD_DG_BGAControl(0, 9, ZD_BGA_ACTION_STOP), 8);
}

TEST_F(SimActivityTest, ConsistencyCheck) {
    ASSERT_EQ(ZD_LD_StartConsistencyCheck(0, 0, 1), 0);
    EXPECT_EQ(vdStatus(0, 0).bga_type, ZD_BGA_CHECK_FIX);
    zdsim_advance_ms(40000);
    EXPECT_EQ(vdStatus(0, 0).bga_type, 0);
    ASSERT_EQ(ZD_LD_StartConsistencyCheck(0, 0, 0), 0);
    EXPECT_EQ(vdStatus(0, 0).bga_type, ZD_BGA_CHECK_ONLY);
    EXPECT_EQ(ZD_LD_StartConsistencyCheck(0, 0, 0), 61);
    EXPECT_EQ(ZD_LD_StartConsistencyCheck(0, 0, 2), 7);
    EXPECT_EQ(ZD_LD_StartConsistencyCheck(0, 8, 0), 59);

    _Create_PackageVD_Param p = packageParam("Fast", 0, {5, 6}, 3);
    ASSERT_EQ(ZD_Create_PackageVD(0, &p), 0);
    EXPECT_EQ(ZD_LD_StartConsistencyCheck(0, p.vd.ld_id, 0), 19);  // RAID 0 has nothing to check
    _Create_PackageVD_Param q = packageParam("Raw", 1, {7, 4}, 3);
    ASSERT_EQ(ZD_PD_Spare2FreeHD(0, 4), 0);
    ASSERT_EQ(ZD_Create_PackageVD(0, &q), 0);
    EXPECT_EQ(ZD_LD_StartConsistencyCheck(0, q.vd.ld_id, 0), 71);  // not initialised
}

TEST_F(SimActivityTest, FailedMemberRebuiltByHand) {
    zdsim_set_adapter_value(0, "auto_rebuild", 0);
    ASSERT_EQ(zdsim_fail_disk(0, 1), 0);
    EXPECT_EQ(vd(0, 0).status, 1);
    EXPECT_EQ(diskStatus(0, 1), 10);
    EXPECT_EQ(ZD_LD_StartConsistencyCheck(0, 0, 0), 58);

    EXPECT_EQ(rebuild(0, 0, {0}), 56);  // a healthy member
    EXPECT_EQ(rebuild(0, 6, {4}), 8);
    EXPECT_EQ(rebuild(0, 0, {4, 5}), 152);  // one slot to rebuild
    ASSERT_EQ(rebuild(0, 0, {5}), 0);

    _DG_Info info = group(0, 0);
    EXPECT_EQ(info.bga_type, ZD_BGA_REBUILD);
    EXPECT_EQ(info.bga_status, 1);
    EXPECT_EQ(info.member_ids[1], 5);
    EXPECT_EQ(vdStatus(0, 0).bga_type, ZD_BGA_REBUILD);
    EXPECT_EQ(vd(0, 0).status, 1);
    EXPECT_EQ(rebuild(0, 0, {5}), 82);
    EXPECT_EQ(diskStatus(0, 1), 9);  // the failed disk left the group

    zdsim_advance_ms(20000);
    EXPECT_EQ(vdStatus(0, 0).percentage, 44);  // 20 of 45 s
    zdsim_advance_ms(25000);
    EXPECT_EQ(vd(0, 0).status, 15);
    EXPECT_EQ(group(0, 0).bga_status, 0);
    EXPECT_EQ(diskStatus(0, 5), 2);
    auto blocks = readAll<_BLOCK_INFO>(ZD_BLK_GetInfo, 0);
    EXPECT_TRUE(std::any_of(blocks.begin(), blocks.end(), [](const _BLOCK_INFO& b) { return b.hd_id == 5; }));
    EXPECT_FALSE(std::any_of(blocks.begin(), blocks.end(), [](const _BLOCK_INFO& b) { return b.hd_id == 1; }));
}

TEST_F(SimActivityTest, SpareTakesOverWithAutoRebuild) {
    drainEvents(0);
    ASSERT_EQ(zdsim_pull_disk(0, 2), 0);
    EXPECT_TRUE(readAll<_HD_Info>(ZD_PD_GetHDInfo, 0).size() == 7);
    _DG_Info info = group(0, 0);
    EXPECT_EQ(info.member_ids[2], 4);  // the global spare took the slot
    EXPECT_EQ(info.bga_type, ZD_BGA_REBUILD);
    EXPECT_EQ(diskStatus(0, 4), 2);
    std::vector<EventRecord> events = drainEvents(0);
    EXPECT_TRUE(hasEvent(events, 2, 2, 2));  // disk removed
    EXPECT_TRUE(hasEvent(events, 1, 2, 0));  // VD status changed
    EXPECT_TRUE(hasEvent(events, 2, 9, 4));  // spare took over
    EXPECT_TRUE(hasEvent(events, 1, 30, 0));  // rebuild started

    // Pausing the rebuild goes to the group; stopping leaves it degraded.
    ASSERT_EQ(ZD_DG_BGAControl(0, 0, 2), 0);
    EXPECT_EQ(group(0, 0).bga_status, 3);
    ASSERT_EQ(ZD_DG_BGAControl(0, 0, ZD_BGA_ACTION_STOP), 0);
    EXPECT_EQ(group(0, 0).bga_status, 0);
    EXPECT_EQ(vd(0, 0).status, 1);
    ASSERT_EQ(rebuild(0, 0, {4}), 0);  // picks the stopped rebuild up again
    zdsim_advance_ms(45000);
    EXPECT_EQ(vd(0, 0).status, 15);

    // The pulled disk comes back free.
    ASSERT_EQ(zdsim_insert_disk(0, 2), 0);
    EXPECT_EQ(diskStatus(0, 2), 1);
    EXPECT_EQ(zdsim_insert_disk(0, 2), -1);
    EXPECT_EQ(zdsim_pull_disk(0, 77), -1);
}

TEST_F(SimActivityTest, ArraysGoOffline) {
    ASSERT_EQ(zdsim_fail_disk(1, 0), 0);
    EXPECT_EQ(vd(1, 0).status, 1);
    ASSERT_EQ(zdsim_pull_disk(1, 1), 0);
    EXPECT_EQ(vd(1, 0).status, 4);
    EXPECT_EQ(rebuild(1, 0, {2}), 58);

    // RAID 6 with two parity disks is partially optimal after one failure.
    _Create_PackageVD_Param r6 = packageParam("R6", 6, {4, 5, 6, 7}, 0, 2);
    ASSERT_EQ(ZD_PD_Spare2FreeHD(0, 4), 0);
    ASSERT_EQ(ZD_Create_PackageVD(0, &r6), 0);
    zdsim_fail_disk(0, 7);
    EXPECT_EQ(vd(0, r6.vd.ld_id).status, 5);
    zdsim_fail_disk(0, 6);
    EXPECT_EQ(vd(0, r6.vd.ld_id).status, 1);
    zdsim_fail_disk(0, 5);
    EXPECT_EQ(vd(0, r6.vd.ld_id).status, 4);
}

TEST_F(SimActivityTest, MigrationShowsItsTargetAndCompletes) {
    EXPECT_EQ(migrate(5, {0, 1, 2, 3, 4}), 54);  // disk 4 is the global spare
    EXPECT_EQ(migrate(5, {5, 6, 7}), 7);         // keeps none of the members
    EXPECT_EQ(migrate(5, {0, 1, 2, 3}), 68);     // nothing to do
    EXPECT_EQ(migrate(0, {0, 1}), 52);           // too small for the data
    EXPECT_EQ(ZD_LD_GetTargetLDInfo(0, 0, nullptr), 7);
    _LD_Info target{};
    EXPECT_EQ(ZD_LD_GetTargetLDInfo(0, 0, &target), 62);
    ASSERT_EQ(migrate(6, {0, 1, 2, 3, 5}, 2), 0);

    EXPECT_EQ(group(0, 0).bga_type, ZD_BGA_MIGRATE);
    EXPECT_EQ(vdStatus(0, 0).bga_type, ZD_BGA_MIGRATE);
    EXPECT_EQ(diskStatus(0, 5), 2);
    ASSERT_EQ(ZD_LD_GetTargetLDInfo(0, 0, &target), 0);
    EXPECT_EQ(target.raid_level, 6);
    EXPECT_EQ(target.pd_count, 5);
    EXPECT_EQ(zdU64Value(target.size), 3 * k4TB);

    // One migration at a time on the adapter.
    _CreateOrModify_DG_Param other = groupParam("O", 0, {6});
    ASSERT_EQ(ZD_CreateOrModify_DG(0, &other, 0), 0);
    _CreateOrModify_DG_Param grow = groupParam("", 0, {6, 7});
    grow.dg_id = other.dg_id;
    EXPECT_EQ(ZD_DG_StartMigration(0, &grow), 81);
    EXPECT_EQ(ZD_LD_Delete(0, 0, 1), 82);

    zdsim_advance_ms(60000);
    _DG_Info info = group(0, 0);
    EXPECT_EQ(info.parity_count, 2);
    EXPECT_EQ(info.bga_status, 0);
    EXPECT_EQ(zdU64Value(info.total_size), 3 * k4TB);
    EXPECT_EQ(ZD_LD_GetTargetLDInfo(0, 0, &target), 62);
    EXPECT_EQ(readAll<_BLOCK_INFO>(ZD_BLK_GetInfo, 0).size(), 5u);

    // Growing a RAID 0 onto a free disk enlarges its filling VD; a stopped
    // migration gives the new disk back.
    _CreateOrModify_VD_Param ovd = vdParam("O", other.dg_id, 0);
    ASSERT_EQ(ZD_CreateOrModify_VD(0, &ovd), 0);
    grow.raid_level = 0;
    ASSERT_EQ(ZD_DG_StartMigration(0, &grow), 0);
    ASSERT_EQ(ZD_DG_BGAControl(0, other.dg_id, ZD_BGA_ACTION_STOP), 0);
    EXPECT_EQ(diskStatus(0, 7), 1);
    ASSERT_EQ(ZD_DG_StartMigration(0, &grow), 0);
    zdsim_advance_ms(60000);
    EXPECT_EQ(zdU64Value(vd(0, ovd.ld_id).size), 2 * k4TB);
}

TEST_F(SimActivityTest, MediaPatrol) {
    ASSERT_EQ(ZD_PD_StartMediaPatrol(0, 6), 0);
    EXPECT_EQ(diskStatus(0, 6), 32);
    _HD_BGA_STATUS bga{};
    ASSERT_EQ(readOne(ZD_PD_GetBGAStatus, 0, 6, bga), 0);
    EXPECT_EQ(bga.bga_type, 1);
    EXPECT_EQ(bga.bga_status, 1);
    EXPECT_EQ(ZD_PD_StartMediaPatrol(0, 6), 88);
    EXPECT_EQ(ZD_PD_StartMediaPatrol(0, 7), 188);
    EXPECT_EQ(ZD_PD_StartMediaPatrol(0, 60), 9);
    zdsim_advance_ms(5000);
    ASSERT_EQ(ZD_PD_BGAControl(0, 6, 2), 0);
    ASSERT_EQ(readOne(ZD_PD_GetBGAStatus, 0, 6, bga), 0);
    EXPECT_EQ(bga.bga_status, 3);
    EXPECT_EQ(bga.percentage, 25);
    ASSERT_EQ(ZD_PD_BGAControl(0, 6, 3), 0);
    zdsim_advance_ms(15000);
    ASSERT_EQ(readOne(ZD_PD_GetBGAStatus, 0, 6, bga), 0);
    EXPECT_EQ(bga.bga_type, 0);
    EXPECT_EQ(diskStatus(0, 6), 1);
    EXPECT_EQ(ZD_PD_BGAControl(0, 6, 2), 62);
    ASSERT_EQ(ZD_PD_StartMediaPatrol(0, 0), 0);
    EXPECT_EQ(diskStatus(0, 0), 34);
}

TEST_F(SimActivityTest, EventQueue) {
    EventRecord batch[ZD_EVT_BATCH];
    uint8_t count = 99;
    ASSERT_EQ(ZD_EVT_GetEvent(0, 30, &count, batch), 0);
    EXPECT_EQ(count, 0);

    _CreateOrModify_DG_Param dg = groupParam("Ev", 0, {5});
    ASSERT_EQ(ZD_CreateOrModify_DG(0, &dg, 0), 0);
    _CreateOrModify_VD_Param p = vdParam("Ev", dg.dg_id, 0);
    ASSERT_EQ(ZD_CreateOrModify_VD(0, &p), 0);
    ASSERT_EQ(zdsim_fail_disk(0, 7), 0);
    ASSERT_EQ(ZD_EVT_GetEvent(0, 2, &count, batch), 0);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(batch[0].sequence, 1u);
    EXPECT_EQ(batch[0].evt_class, 13);                                          // disk group created
    EXPECT_EQ(eventText(batch[1]), "2 1 1 " + std::to_string(p.ld_id) + " 2");  // VD created
    ASSERT_EQ(ZD_EVT_GetEvent(0, 30, &count, batch), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(eventText(batch[0]), "3 2 3 7 6");  // disk 7 failed

    // Raw events keep their sequence; later ones continue above it.
    EventRecord raw{};
    raw.evt_class = 12;
    raw.code = 22;
    raw.sequence = 500;
    raw.sense_length = 2;
    raw.sense_data[1] = 0x42;
    ASSERT_EQ(zdsim_queue_event(0, &raw), 0);
    ASSERT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 6), 0);
    ASSERT_EQ(ZD_EVT_GetEvent(0, 30, &count, batch), 0);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(std::memcmp(&batch[0], &raw, sizeof(raw)), 0);
    EXPECT_EQ(batch[1].sequence, 501u);

    // A full queue drops its oldest events: what is left is the newest, in order.
    for (uint32_t i = 0; i < 5000; ++i) {
        raw.sequence = 1000 + i;
        zdsim_queue_event(0, &raw);
    }
    std::vector<EventRecord> all = drainEvents(0);
    ASSERT_GE(all.size(), 256u);
    ASSERT_LT(all.size(), 5000u);
    EXPECT_EQ(all.front().sequence, 6000u - all.size());
    EXPECT_EQ(all.back().sequence, 5999u);
    zdsim_queue_event(0, &raw);
    EXPECT_EQ(zdsim_clear_events(0), 0);
    EXPECT_TRUE(drainEvents(0).empty());
    EXPECT_EQ(ZD_EVT_GetEvent(0, 30, nullptr, batch), 7);
}
