// Physical disk work of one adapter: settings, media patrol, metadata wipe,
// the spare states (free, global spare, dedicated spare of a disk group),
// and the faults a test can cause (a disk failing, being pulled, being
// inserted again). When a member fails and automatic rebuild is on, a
// dedicated spare of its group, else a global spare, takes over and a
// rebuild starts. Answers are the controller's status codes.
#pragma once

#include <cstdint>

#include "api/records/Records.h"
#include "sim/AdapterModel.h"

class DiskOperations {
public:
    explicit DiskOperations(AdapterModel& adapter) : m_adapter(adapter) {}

    uint8_t setConfig(uint16_t diskId, const _HD_CONFIG& config);
    uint8_t startMediaPatrol(uint16_t diskId);
    uint8_t wipe(uint16_t diskId);
    uint8_t spareToFree(uint16_t diskId);
    uint8_t freeToGlobalSpare(uint16_t diskId);
    uint8_t freeToDedicatedSpare(uint16_t diskId, uint16_t groupId);

    // Faults; false for an unknown disk (or, for insert, one not pulled).
    bool fail(uint16_t diskId);
    bool pull(uint16_t diskId);
    bool insert(uint16_t diskId);

    // Lets spares take over degraded groups when automatic rebuild is on.
    void autoRebuild();

private:
    uint8_t checkFree(const Disk& disk) const;
    // A member of a group lost: status events, and the group's activities end
    // when it goes offline.
    void memberLost(uint16_t groupId);

    AdapterModel& m_adapter;
};
