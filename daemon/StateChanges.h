// StateChanges: what changed in the enclosure between two monitoring cycles.
//
// The monitor remembers the enclosure as a small key/value map (MonitorState,
// stored in the event history so that it survives restarts): adapters by
// serial number, the state of each array and disk, the running activities,
// and the SMART attributes past their threshold. Each cycle it observes the
// new snapshot in the same form and compares. Every difference that matters
// becomes a Change, which the monitor stores and notifies:
//
//   AdapterLost / AdapterFound          an adapter disappears or comes back
//   ArrayDegraded / ArrayOffline / ArrayRecovered
//   DiskFailed / DiskRemoved / DiskInserted
//   <Activity>Started / <Activity>Finished (Rebuild, Init, Check, Migrate, Patrol), with the result
//   SmartThresholdCrossed / SmartThresholdCleared
//
// With nothing remembered (the first run ever) only bad states are reported:
// an array already degraded, a disk already failed, an attribute already past
// its threshold. The state of an adapter that is gone is kept as it was, so
// its return is compared with what it was when it left.
//
//   StateComparison result = compareStates(remembered, snapshot, progress);
//   writer.record(events, result.changedKeys);
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "front/EventHistory.h"
#include "front/Model.h"

namespace zdmond {

struct Change {
    std::string event;  // "ArrayDegraded"
    unsigned severity = 2;
    unsigned adapter = 0;
    std::string adapterSerial;
    int device = -1;        // the array's or disk's id, -1 for the adapter
    std::string where;      // "adapter0/array1"
    std::string component;  // "adapter0/disk2", or empty
    std::string message;
    std::map<std::string, std::string> details;  // ARRAY_NAME, RESULT, ...
};

// The last progress seen of each running activity, by its state key (kept in memory only).
using ActivityProgress = std::map<std::string, zdfront::Activity>;

struct StateComparison {
    std::vector<Change> changes;
    zdfront::MonitorState state;         // what to remember now
    zdfront::MonitorState changedKeys;   // the difference to store (empty value: key removed)
};

// The name activities are reported under: "Rebuild", "Init", "Check", "Migrate", "Patrol".
std::string activityName(const zdfront::Activity& activity, bool onDisk);

// `progress` is updated with the activities running now.
StateComparison compareStates(const zdfront::MonitorState& remembered, const zdfront::Snapshot& snapshot,
                              ActivityProgress& progress);

}  // namespace zdmond
