// The state of one simulated RAID adapter and of the enclosure behind it:
// identity and limits (_Adapter_Info), configuration, OEM enclosure values,
// physical disks, disk groups, virtual disks, blocks, background activities,
// the event queue and a firmware flash in progress. The operations that
// change it live in ArrayOperations, DiskOperations, ActivityEngine,
// OemEnclosure and FlashSession; RecordView renders it as controller records.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "api/records/Records.h"
#include "sim/Activity.h"
#include "sim/Disk.h"
#include "sim/DiskGroup.h"
#include "sim/EventQueue.h"
#include "sim/FlashSession.h"
#include "sim/VirtualDisk.h"

class SimClock;

struct EnclosureState {
    uint32_t nxpVersion = 0;  // 0xAABBCCDD for A.B.C.D, 0 = none
    uint8_t buzzerStatus = 1;
    uint8_t buzzerRinging = 0;
    uint32_t supportBits = 0;
    uint8_t linkType = ZD_LINK_THUNDERBOLT;
    uint8_t lowPower = 0;
    uint8_t identify = 0;
};

class AdapterModel {
public:
    explicit AdapterModel(const SimClock* clock) : m_clock(clock) {}

    _Adapter_Info info{};
    _Adapter_Config_V2 config{};
    EnclosureState enclosure;
    std::map<uint16_t, Disk> disks;
    std::map<uint16_t, DiskGroup> groups;
    std::map<uint16_t, VirtualDisk> vds;
    std::map<uint16_t, uint16_t> blocks;  // block id -> disk id
    std::vector<Activity> activities;
    EventQueue events;
    FlashSession flash;  // this process's upload: not part of the shared state
    // Identity of the adapter in the enclosure, kept in the state file; the
    // controller library's scan refers to adapters by it.
    uint32_t uid = 0;

    const SimClock& clock() const { return *m_clock; }
    void setClock(const SimClock* clock) { m_clock = clock; }

    // Lookups; nullptr when absent. presentDisk skips pulled disks.
    Disk* disk(uint16_t id);
    Disk* presentDisk(uint16_t id);
    const Disk* presentDisk(uint16_t id) const;
    DiskGroup* group(uint16_t id);
    const DiskGroup* group(uint16_t id) const;
    VirtualDisk* vd(uint16_t id);
    const VirtualDisk* vd(uint16_t id) const;

    // "PDStatus" of a disk.
    uint8_t diskStatus(const Disk& disk) const;
    // Members that are missing, failed or still being rebuilt.
    unsigned failedMembers(const DiskGroup& group) const;
    bool memberHealthy(const DiskGroup& group, uint16_t diskId) const;
    // "VDStatus" of a virtual disk.
    uint8_t vdStatus(const VirtualDisk& vd) const;
    bool groupOffline(const DiskGroup& group) const;
    uint64_t usedSize(const DiskGroup& group) const;
    uint64_t freeSize(const DiskGroup& group) const;
    // Smallest size of the group's members that are present.
    uint64_t smallestMember(const DiskGroup& group) const;
    std::vector<uint16_t> dedicatedSpares(uint16_t groupId) const;

    // Activities: the running or paused one of an owner, or nullptr.
    Activity* activeActivity(ActivityKind kind, uint16_t owner);
    const Activity* activeActivity(ActivityKind kind, uint16_t owner) const;
    // What a virtual disk shows: its own activity, else its group's.
    const Activity* shownActivity(const VirtualDisk& vd) const;
    const Activity* groupActivity(uint16_t groupId) const;  // running or paused rebuild or migration
    const Activity* diskActivity(uint16_t diskId) const;    // media patrol, any state
    void dropActivities(ActivityKind kind, uint16_t owner);  // aborted ones too

    uint16_t newDiskId() const;
    uint16_t newGroupId() const;
    uint16_t newVdId() const;
    uint16_t newBlockId() const;

    // Queues an event stamped with the clock.
    void event(uint16_t evtClass, uint16_t code, uint8_t severity, uint16_t deviceId,
               const std::array<uint32_t, 4>& params = {});
    void namedEvent(uint16_t evtClass, uint16_t code, uint8_t severity, uint16_t deviceId, const std::string& name);

private:
    const SimClock* m_clock;
};
