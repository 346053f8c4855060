// What zdmond reports between two cycles: each transition once, nothing on a
// first run but bad states, adapters that leave and come back, activities
// with their result, and the state it stores.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "daemon/StateChanges.h"

using zdfront::Activity;
using zdfront::AdapterState;
using zdfront::Array;
using zdfront::Disk;
using zdfront::MonitorState;
using zdfront::Snapshot;
using zdmond::compareStates;

namespace {

// "VDStatus", "PDStatus", "BGAStatus" and "VDBGAType" values.
constexpr uint64_t kInitialized = 15, kDegrade = 1, kOffline = 4;
constexpr uint64_t kAssigned = 2, kFree = 1, kOfflineFree = 9;
constexpr uint64_t kRunning = 1, kAborted = 2, kRebuild = 1;

Activity rebuild(uint64_t status = kRunning, unsigned percent = 40)
{
    Activity activity;
    activity.type = {kRebuild, "Rebuild"};
    activity.status = {status, status == kRunning ? "Running" : "Aborted"};
    activity.percent = percent;
    return activity;
}

// Adapter "SN0" (id 0): array 0 "Data" on disks 0-2, disk 3 free.
AdapterState adapter(uint64_t arrayStatus = kInitialized, uint64_t disk1 = kAssigned)
{
    AdapterState state;
    state.adapter.id = 0;
    state.adapter.serial = "SN0";
    Array array;
    array.id = 0;
    array.name = "Data";
    array.raid = {5, "RAID 5"};
    array.status = {arrayStatus, arrayStatus == kInitialized ? "Functional and initialized" : "Degrade"};
    array.disks = {0, 2};
    if (disk1 == kAssigned) array.disks = {0, 1, 2};
    state.arrays.push_back(array);
    for (uint64_t id = 0; id < 4; ++id) {
        Disk disk;
        disk.id = id;
        disk.status = {id == 3 ? kFree : kAssigned, ""};
        if (id < 3) disk.array = 0;
        disk.smartRead = true;
        disk.smart.push_back({5, "Reallocated_Sector_Ct", 100, 100, 36, 0, 0});
        state.disks.push_back(disk);
    }
    state.disks[1].status = {disk1, disk1 == kOfflineFree ? "Offline (Free)" : "Assigned"};
    if (disk1 != kAssigned) state.disks[1].array.reset();
    return state;
}

Snapshot snapshotOf(std::vector<AdapterState> adapters)
{
    Snapshot snapshot;
    snapshot.adapters = std::move(adapters);
    return snapshot;
}

// "Event where [component] details..." of each change, in order.
std::vector<std::string> describe(const std::vector<zdmond::Change>& changes, const char* detail = nullptr)
{
    std::vector<std::string> lines;
    for (const zdmond::Change& change : changes) {
        std::string line = change.event + " " + change.where + (change.component.empty() ? "" : " " + change.component);
        if (detail && change.details.count(detail)) line += " " + change.details.at(detail);
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

TEST(DaemonChanges, AFirstRunReportsOnlyBadStates)
{
    zdmond::ActivityProgress progress;
    AdapterState state = adapter(kDegrade, kOfflineFree);
    state.arrays[0].activity = rebuild();
    state.disks[2].smart[0].value = 30;  // at or below its threshold of 36
    auto result = compareStates({}, snapshotOf({state}), progress);
    EXPECT_EQ(describe(result.changes),
              (std::vector<std::string>{"ArrayDegraded adapter0/array0", "DiskFailed adapter0/disk1",
                                        "SmartThresholdCrossed adapter0/disk2"}));
    EXPECT_EQ(result.changedKeys, result.state);
    EXPECT_EQ(result.state.at("adapter/SN0"), "present:0");
    EXPECT_EQ(result.state.at("disk/SN0/2"), "2@0");
    EXPECT_EQ(result.state.at("activity/SN0/array/0"), "1");
    // Nothing changed: nothing reported, nothing to store.
    auto again = compareStates(result.state, snapshotOf({state}), progress);
    EXPECT_TRUE(again.changes.empty());
    EXPECT_TRUE(again.changedKeys.empty());
}

TEST(DaemonChanges, AFailureAndItsRebuildFromStartToEnd)
{
    zdmond::ActivityProgress progress;
    MonitorState healthy = compareStates({}, snapshotOf({adapter()}), progress).state;

    AdapterState failing = adapter(kDegrade, kOfflineFree);
    failing.arrays[0].activity = rebuild(kRunning, 10);
    auto failed = compareStates(healthy, snapshotOf({failing}), progress);
    // The failed disk has left its array; the change still names the array it was in.
    EXPECT_EQ(describe(failed.changes, "ARRAY_NAME"),
              (std::vector<std::string>{"ArrayDegraded adapter0/array0 Data", "DiskFailed adapter0/array0 adapter0/disk1 Data",
                                        "RebuildStarted adapter0/array0"}));
    EXPECT_EQ(failed.changes[0].severity, 6u);
    EXPECT_EQ(failed.changes[2].severity, 2u);

    failing.arrays[0].activity = rebuild(kRunning, 90);
    EXPECT_TRUE(compareStates(failed.state, snapshotOf({failing}), progress).changes.empty());

    struct Case {
        const char* what;
        uint64_t arrayStatus;
        std::optional<Activity> activity;
        std::vector<std::string> changes;
    } cases[] = {
        {"completed", kInitialized, std::nullopt,
         {"ArrayRecovered adapter0/array0", "RebuildFinished adapter0/array0 completed"}},
        {"stopped with the array still degraded", kDegrade, std::nullopt, {"RebuildFinished adapter0/array0 incomplete"}},
        {"aborted", kDegrade, rebuild(kAborted), {"RebuildFinished adapter0/array0 aborted"}},
        {"array gone offline", kOffline, std::nullopt,
         {"ArrayOffline adapter0/array0", "RebuildFinished adapter0/array0 failed"}},
    };
    for (const Case& c : cases) {
        zdmond::ActivityProgress seen = progress;
        AdapterState after = adapter(c.arrayStatus, kOfflineFree);
        after.arrays[0].activity = c.activity;
        auto result = compareStates(failed.state, snapshotOf({after}), seen);
        EXPECT_EQ(describe(result.changes, "RESULT"), c.changes) << c.what;
        if (!result.changes.empty()) {
            EXPECT_EQ(result.changes.back().details.at("LAST_PERCENT"), "90") << c.what;
        }
        EXPECT_EQ(result.changedKeys.count("activity/SN0/array/0"), 1u) << c.what;
        EXPECT_EQ(result.changedKeys.at("activity/SN0/array/0"), "") << c.what << ": the key is removed";
    }
}

TEST(DaemonChanges, DisksPulledAndInsertedSmartAndAdaptersLostAndFound)
{
    zdmond::ActivityProgress progress;
    AdapterState other = adapter();
    other.adapter.id = 1;
    other.adapter.serial = "SN1";
    MonitorState both = compareStates({}, snapshotOf({adapter(), other}), progress).state;

    AdapterState pulled = adapter();
    pulled.disks[3].present = false;
    pulled.disks[2].smart[0].value = 20;
    auto step = compareStates(both, snapshotOf({pulled, other}), progress);
    EXPECT_EQ(describe(step.changes, "SMART_VALUE"),
              (std::vector<std::string>{"SmartThresholdCrossed adapter0/disk2 20", "DiskRemoved adapter0/disk3"}));

    // SMART not read this time: no change seen, the crossing is kept.
    AdapterState unread = pulled;
    unread.disks[2].smartRead = false;
    unread.disks[2].smart.clear();
    auto quiet = compareStates(step.state, snapshotOf({unread, other}), progress);
    EXPECT_TRUE(quiet.changes.empty());
    EXPECT_EQ(quiet.state.count("smart/SN0/2/5"), 1u);

    // Adapter 1 disappears: reported once, its state kept for its return.
    auto lost = compareStates(quiet.state, snapshotOf({adapter()}), progress);
    EXPECT_EQ(describe(lost.changes),
              (std::vector<std::string>{"SmartThresholdCleared adapter0/disk2", "DiskInserted adapter0/disk3",
                                        "AdapterLost adapter1"}));
    EXPECT_EQ(lost.state.at("adapter/SN1"), "lost:1");
    EXPECT_EQ(lost.state.at("array/SN1/0"), "15");
    EXPECT_TRUE(compareStates(lost.state, snapshotOf({adapter()}), progress).changes.empty());

    // It comes back with a failed disk, at another index.
    AdapterState back = adapter(kDegrade, kOfflineFree);
    back.adapter.id = 0;
    back.adapter.serial = "SN1";
    AdapterState first = adapter();
    first.adapter.id = 1;
    auto found = compareStates(lost.state, snapshotOf({back, first}), progress);
    EXPECT_EQ(describe(found.changes),
              (std::vector<std::string>{"AdapterFound adapter0", "ArrayDegraded adapter0/array0",
                                        "DiskFailed adapter0/array0 adapter0/disk1"}));
    EXPECT_EQ(found.state.at("adapter/SN1"), "present:0");
}
