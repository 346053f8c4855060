// Starts, controls and advances the background activities of one adapter.
//
// Activities progress by the simulated time that passes (clock milliseconds
// times the clock's speed); a duration is fixed when an activity starts,
// from its kind and the size of the disks it covers (for a 4 TB member:
// initialisation 30 s, check 40 s, rebuild 45 s, migration 60 s, media
// patrol 20 s). Completion applies the activity's result: an initialised
// virtual disk, a rebuilt member, a migrated disk group.
#pragma once

#include <cstdint>

#include "sim/AdapterModel.h"

class ActivityEngine {
public:
    explicit ActivityEngine(AdapterModel& adapter) : m_adapter(adapter) {}

    // Brings every activity up to the clock; answers whether any finished.
    bool advance();

    // Starts an activity (replacing an aborted one of the same owner).
    Activity& start(ActivityKind kind, uint16_t owner, uint16_t bgaType, uint64_t sectors);

    // ZD_LD_StartINIT: 0 quick (done at once), 1 foreground and 2 background.
    uint8_t startInit(uint16_t vdId, uint8_t type);
    // ZD_LD_StartConsistencyCheck: 0 check only, 1 check and fix.
    uint8_t startCheck(uint16_t vdId, uint8_t option);

    // Actions: 1 restart, 2 pause, 3 resume, 4 abort, 7 stop.
    uint8_t controlVd(uint16_t vdId, uint8_t action);
    uint8_t controlGroup(uint16_t groupId, uint8_t action);
    uint8_t controlDisk(uint16_t diskId, uint8_t action);

    // Ends every activity of a disk group and its virtual disks (an array
    // going offline or being deleted).
    void stopGroup(uint16_t groupId);
    void stop(Activity& activity);

    // Queues the events of an activity's step (evt::kStarted ...).
    void notify(const Activity& activity, uint16_t step);

    static uint64_t durationMs(ActivityKind kind, uint64_t sectors);

private:
    uint8_t control(Activity& activity, uint8_t action);
    void finish(const Activity& activity);
    void cancel(const Activity& activity);

    AdapterModel& m_adapter;
};
