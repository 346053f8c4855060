// Event codes of the simulated adapter, per event class (EventQueue.h).
//
// Background activities use a base code plus an offset: started +0,
// completed +1, aborted or stopped +2, paused +3, resumed +4, restarted +5.
// Migrations use their own codes (80 started, 82 completed, 83 aborted,
// 85 restarted, 88 paused, 89 resumed). Activity events of a disk group
// are queued once per virtual disk of the group, with the virtual disk id.
#pragma once

#include <cstdint>

namespace evt {

// Class 0, adapter; device id 0.
enum : uint16_t { kAdapterSettings = 1, kAdapterRescan = 2 };
// Class 1, virtual disk; device id = virtual disk id.
enum : uint16_t {
    kVdCreated = 1,
    kVdStatusChanged = 2,  // params[0] = new "VDStatus"
    kVdDeleted = 3,        // params = the 16 name bytes
    kVdSettings = 4,
    kVdInitBase = 10,
    kVdCheckBase = 20,  // params[0] = 1 check and fix, 0 check only; completed:
                        // [1] inconsistent stripes found, [2] repaired
    kVdRebuildBase = 30,
    kVdMigrateStarted = 80,  // migration events: params[0] level before, [1] after
    kVdMigrateCompleted = 82,
    kVdMigrateAborted = 83,
    kVdMigrateRestarted = 85,
    kVdMigratePaused = 88,
    kVdMigrateResumed = 89,
};
// Class 2, physical disk; device id = disk id.
enum : uint16_t {
    kHdInserted = 1,
    kHdRemoved = 2,
    kHdFailed = 3,
    kHdGlobalSpare = 4,
    kHdDedicatedSpare = 5,  // params[0] = disk group
    kHdSpareReleased = 6,
    kHdWiped = 7,
    kHdSettings = 8,
    kHdSpareTakeover = 9,  // params[0] = disk group
    kHdPatrolBase = 10,
};
// Class 10, flash; device id 0. Completed: params = the new version.
enum : uint16_t { kFlashStarted = 1, kFlashCompleted = 2, kFlashFailed = 3 };
// Class 13, disk array; device id = disk group id.
enum : uint16_t { kDgCreated = 1, kDgDeleted = 2, kDgSettings = 3 };
// Class 15, OEM enclosure; device id 0, params[0] = the request value.
enum : uint16_t { kOemUserRequest = 1 };

enum : uint16_t {
    kStarted = 0,
    kCompleted = 1,
    kAborted = 2,
    kPaused = 3,
    kResumed = 4,
    kRestarted = 5,
};

}  // namespace evt
