#include "sim/AdapterModel.h"

#include <algorithm>

#include "sim/RaidLayout.h"
#include "sim/SimClock.h"

namespace {

template <typename Map>
auto* find(Map& map, uint16_t id) {
    auto it = map.find(id);
    return it == map.end() ? nullptr : &it->second;
}

// The lowest id not in use; 0x00FF is skipped where it would read as an
// empty slot (block and virtual disk ids).
template <typename Map>
uint16_t firstFreeKey(const Map& map, bool skipEmptyBlock) {
    uint16_t id = 0;
    while (map.count(id) != 0 || (skipEmptyBlock && id == ZD_EMPTY_BLOCK)) ++id;
    return id;
}

}  // namespace

Disk* AdapterModel::disk(uint16_t id) { return find(disks, id); }

Disk* AdapterModel::presentDisk(uint16_t id) {
    Disk* d = find(disks, id);
    return d != nullptr && d->present ? d : nullptr;
}

const Disk* AdapterModel::presentDisk(uint16_t id) const {
    auto it = disks.find(id);
    return it != disks.end() && it->second.present ? &it->second : nullptr;
}

DiskGroup* AdapterModel::group(uint16_t id) { return find(groups, id); }
const DiskGroup* AdapterModel::group(uint16_t id) const {
    auto it = groups.find(id);
    return it == groups.end() ? nullptr : &it->second;
}
VirtualDisk* AdapterModel::vd(uint16_t id) { return find(vds, id); }
const VirtualDisk* AdapterModel::vd(uint16_t id) const {
    auto it = vds.find(id);
    return it == vds.end() ? nullptr : &it->second;
}

uint8_t AdapterModel::diskStatus(const Disk& d) const {
    if (d.forcedStatus >= 0) return static_cast<uint8_t>(d.forcedStatus);
    bool assigned = d.role == DiskRole::Member;
    if (d.offline) return assigned ? 10 : 9;
    const Activity* patrol = activeActivity(ActivityKind::MediaPatrol, d.id);
    switch (d.role) {
    case DiskRole::Free: return patrol ? 32 : 1;
    case DiskRole::Member: return patrol ? 34 : 2;
    case DiskRole::GlobalSpare: return patrol ? 37 : 5;
    case DiskRole::DedicatedSpare: return patrol ? 96 : 65;
    }
    return 1;
}

bool AdapterModel::memberHealthy(const DiskGroup& g, uint16_t diskId) const {
    const Disk* d = presentDisk(diskId);
    return d != nullptr && !d->offline && d->role == DiskRole::Member && d->dg == g.id &&
           g.rebuilding.count(diskId) == 0;
}

unsigned AdapterModel::failedMembers(const DiskGroup& g) const {
    return static_cast<unsigned>(
        std::count_if(g.members.begin(), g.members.end(), [&](uint16_t id) { return !memberHealthy(g, id); }));
}

bool AdapterModel::groupOffline(const DiskGroup& g) const {
    return failedMembers(g) > raid::redundancy(g.raidLevel, g.parity);
}

uint8_t AdapterModel::vdStatus(const VirtualDisk& v) const {
    const DiskGroup* g = group(v.dg);
    if (g == nullptr) return 4;
    unsigned failed = failedMembers(*g);
    if (failed == 0) return v.initialized ? 15 : 0;
    if (failed > raid::redundancy(g->raidLevel, g->parity)) return 4;
    bool doubleParity = g->raidLevel == raid::kRaid6 || g->raidLevel == raid::kRaid60;
    return doubleParity && failed < g->parity ? 5 : 1;
}

uint64_t AdapterModel::usedSize(const DiskGroup& g) const {
    uint64_t used = 0;
    for (uint16_t id : g.vds) {
        if (const VirtualDisk* v = vd(id)) used += v->size;
    }
    return used;
}

uint64_t AdapterModel::freeSize(const DiskGroup& g) const {
    uint64_t used = usedSize(g);
    return used >= g.totalSize ? 0 : g.totalSize - used;
}

uint64_t AdapterModel::smallestMember(const DiskGroup& g) const {
    uint64_t smallest = 0;
    for (uint16_t id : g.members) {
        auto it = disks.find(id);
        if (it == disks.end()) continue;
        if (smallest == 0 || it->second.sectors < smallest) smallest = it->second.sectors;
    }
    return smallest;
}

std::vector<uint16_t> AdapterModel::dedicatedSpares(uint16_t groupId) const {
    std::vector<uint16_t> spares;
    for (const auto& [id, d] : disks) {
        if (d.present && d.role == DiskRole::DedicatedSpare && d.dg == groupId) spares.push_back(id);
    }
    return spares;
}

Activity* AdapterModel::activeActivity(ActivityKind kind, uint16_t owner) {
    for (Activity& a : activities) {
        if (a.kind == kind && a.owner == owner && a.active()) return &a;
    }
    return nullptr;
}

const Activity* AdapterModel::activeActivity(ActivityKind kind, uint16_t owner) const {
    return const_cast<AdapterModel*>(this)->activeActivity(kind, owner);
}

const Activity* AdapterModel::shownActivity(const VirtualDisk& v) const {
    const Activity* found = nullptr;
    for (const Activity& a : activities) {
        bool mine = (a.kind == ActivityKind::Init || a.kind == ActivityKind::Check) && a.owner == v.id;
        bool group = a.dgLevel() && a.owner == v.dg;
        if (!mine && !group) continue;
        if (a.active()) return &a;
        if (found == nullptr) found = &a;
    }
    return found;
}

const Activity* AdapterModel::groupActivity(uint16_t groupId) const {
    for (const Activity& a : activities) {
        if (a.dgLevel() && a.owner == groupId && a.active()) return &a;
    }
    return nullptr;
}

const Activity* AdapterModel::diskActivity(uint16_t diskId) const {
    for (const Activity& a : activities) {
        if (a.kind == ActivityKind::MediaPatrol && a.owner == diskId) return &a;
    }
    return nullptr;
}

void AdapterModel::dropActivities(ActivityKind kind, uint16_t owner) {
    activities.erase(std::remove_if(activities.begin(), activities.end(),
                                    [&](const Activity& a) { return a.kind == kind && a.owner == owner; }),
                     activities.end());
}

uint16_t AdapterModel::newDiskId() const { return firstFreeKey(disks, false); }
uint16_t AdapterModel::newGroupId() const { return firstFreeKey(groups, false); }
uint16_t AdapterModel::newVdId() const { return firstFreeKey(vds, true); }
uint16_t AdapterModel::newBlockId() const { return firstFreeKey(blocks, true); }

void AdapterModel::event(uint16_t evtClass, uint16_t code, uint8_t severity, uint16_t deviceId,
                         const std::array<uint32_t, 4>& params) {
    events.push(evtClass, code, severity, deviceId, m_clock->nowSeconds(), params);
}

void AdapterModel::namedEvent(uint16_t evtClass, uint16_t code, uint8_t severity, uint16_t deviceId,
                              const std::string& name) {
    events.pushNamed(evtClass, code, severity, deviceId, m_clock->nowSeconds(), name);
}
