#include "sim/DiskOperations.h"

#include <algorithm>

#include "sim/ActivityEngine.h"
#include "sim/ArrayOperations.h"
#include "sim/EventCodes.h"

uint8_t DiskOperations::setConfig(uint16_t diskId, const _HD_CONFIG& config) {
    Disk* d = m_adapter.presentDisk(diskId);
    if (d == nullptr) return 9;
    if (config.pd_cache > 1) return 7;
    d->pdCache = config.pd_cache;
    m_adapter.event(kEvtHD, evt::kHdSettings, kSevInfo, diskId);
    return 0;
}

uint8_t DiskOperations::startMediaPatrol(uint16_t diskId) {
    Disk* d = m_adapter.presentDisk(diskId);
    if (d == nullptr) return 9;
    if (d->offline) return 58;
    for (const Activity& a : m_adapter.activities) {
        if (a.kind == ActivityKind::MediaPatrol && a.active()) return a.owner == diskId ? 88 : 188;
    }
    ActivityEngine engine(m_adapter);
    engine.start(ActivityKind::MediaPatrol, diskId, 1, d->sectors);
    m_adapter.event(kEvtHD, evt::kHdPatrolBase + evt::kStarted, kSevInfo, diskId);
    return 0;
}

uint8_t DiskOperations::wipe(uint16_t diskId) {
    Disk* d = m_adapter.presentDisk(diskId);
    if (d == nullptr) return 9;
    if (d->offline) return 58;
    if (m_adapter.activeActivity(ActivityKind::MediaPatrol, diskId) != nullptr) return 88;
    if (d->role == DiskRole::Member) {
        uint16_t groupId = d->dg;
        DiskGroup* g = m_adapter.group(groupId);
        if (g != nullptr && m_adapter.groupActivity(groupId) != nullptr) return 82;
        d->setRole(DiskRole::Free);
        if (g != nullptr) {
            g->rebuilding.erase(diskId);
            bool anyLeft = std::any_of(g->members.begin(), g->members.end(),
                                       [&](uint16_t id) { return m_adapter.memberHealthy(*g, id); });
            if (!anyLeft) {
                // Metadata gone from every member: the group dissolves.
                ActivityEngine(m_adapter).stopGroup(groupId);
                ArrayOperations arrays(m_adapter);
                std::vector<uint16_t> vds = g->vds;
                for (uint16_t vdId : vds) arrays.deleteVd(vdId);
                arrays.deleteGroup(groupId);
            } else {
                memberLost(groupId);
            }
        }
    } else if (d->role != DiskRole::Free) {
        d->setRole(DiskRole::Free);
    }
    m_adapter.event(kEvtHD, evt::kHdWiped, kSevInfo, diskId);
    return 0;
}

uint8_t DiskOperations::spareToFree(uint16_t diskId) {
    Disk* d = m_adapter.presentDisk(diskId);
    if (d == nullptr) return 9;
    if (d->role != DiskRole::GlobalSpare && d->role != DiskRole::DedicatedSpare) return 53;
    d->setRole(DiskRole::Free);
    m_adapter.event(kEvtHD, evt::kHdSpareReleased, kSevInfo, diskId);
    return 0;
}

uint8_t DiskOperations::checkFree(const Disk& d) const {
    if (d.offline) return 58;
    if (d.role == DiskRole::GlobalSpare || d.role == DiskRole::DedicatedSpare) return 54;
    if (d.role != DiskRole::Free) return 56;
    return 0;
}

uint8_t DiskOperations::freeToGlobalSpare(uint16_t diskId) {
    Disk* d = m_adapter.presentDisk(diskId);
    if (d == nullptr) return 9;
    if (uint8_t s = checkFree(*d)) return s;
    d->setRole(DiskRole::GlobalSpare);
    m_adapter.event(kEvtHD, evt::kHdGlobalSpare, kSevInfo, diskId);
    autoRebuild();
    return 0;
}

uint8_t DiskOperations::freeToDedicatedSpare(uint16_t diskId, uint16_t groupId) {
    Disk* d = m_adapter.presentDisk(diskId);
    if (d == nullptr) return 9;
    const DiskGroup* g = m_adapter.group(groupId);
    if (g == nullptr) return 8;
    if (uint8_t s = checkFree(*d)) return s;
    if (m_adapter.dedicatedSpares(groupId).size() >= ZD_DG_MAX_SPARES) return 4;
    if (d->blockSize != g->blockSize) return 74;
    if (d->sectors < m_adapter.smallestMember(*g)) return 52;
    d->setRole(DiskRole::DedicatedSpare, groupId);
    m_adapter.event(kEvtHD, evt::kHdDedicatedSpare, kSevInfo, diskId, {groupId, 0, 0, 0});
    autoRebuild();
    return 0;
}

bool DiskOperations::fail(uint16_t diskId) {
    Disk* d = m_adapter.presentDisk(diskId);
    if (d == nullptr) return false;
    if (d->offline) return true;
    d->offline = true;
    m_adapter.dropActivities(ActivityKind::MediaPatrol, diskId);
    m_adapter.event(kEvtHD, evt::kHdFailed, kSevCritical, diskId);
    if (d->role == DiskRole::Member) memberLost(d->dg);
    autoRebuild();
    return true;
}

bool DiskOperations::pull(uint16_t diskId) {
    Disk* d = m_adapter.presentDisk(diskId);
    if (d == nullptr) return false;
    d->present = false;
    m_adapter.dropActivities(ActivityKind::MediaPatrol, diskId);
    m_adapter.event(kEvtHD, evt::kHdRemoved, kSevWarning, diskId);
    if (d->role == DiskRole::Member) memberLost(d->dg);
    autoRebuild();
    return true;
}

bool DiskOperations::insert(uint16_t diskId) {
    Disk* d = m_adapter.disk(diskId);
    if (d == nullptr || d->present) return false;
    d->present = true;
    d->offline = false;
    d->setRole(DiskRole::Free);
    m_adapter.event(kEvtHD, evt::kHdInserted, kSevInfo, diskId);
    return true;
}

void DiskOperations::memberLost(uint16_t groupId) {
    DiskGroup* g = m_adapter.group(groupId);
    if (g == nullptr) return;
    if (m_adapter.groupOffline(*g)) ActivityEngine(m_adapter).stopGroup(groupId);
    // The enclosure sounds its alarm for a lost member when the alarm is on.
    if (m_adapter.enclosure.buzzerStatus != 0) m_adapter.enclosure.buzzerRinging = 1;
    for (uint16_t vdId : g->vds) {
        const VirtualDisk* v = m_adapter.vd(vdId);
        uint8_t status = m_adapter.vdStatus(*v);
        uint8_t severity = status == 4 ? kSevCritical : kSevWarning;
        m_adapter.event(kEvtVD, evt::kVdStatusChanged, severity, vdId, {status, 0, 0, 0});
    }
}

void DiskOperations::autoRebuild() {
    if (m_adapter.config.auto_rebuild == 0) return;
    for (auto& [groupId, g] : m_adapter.groups) {
        if (m_adapter.groupActivity(groupId) != nullptr || m_adapter.groupOffline(g)) continue;
        unsigned missing = 0;
        for (uint16_t id : g.members) {
            if (g.rebuilding.count(id) == 0 && !m_adapter.memberHealthy(g, id)) ++missing;
        }
        if (missing == 0) continue;
        uint64_t needed = 0;
        for (uint16_t id : g.members) {
            const Disk* d = m_adapter.presentDisk(id);
            if (d != nullptr && m_adapter.memberHealthy(g, id) && (needed == 0 || d->sectors < needed)) {
                needed = d->sectors;
            }
        }
        _Rebuild_Param param{};
        param.dg_id = groupId;
        param.rebuild_kind = 2;
        auto take = [&, blockSize = g.blockSize](DiskRole role, uint16_t owner) {
            for (const auto& [id, d] : m_adapter.disks) {
                if (param.disk_count == missing) return;
                if (!d.usable() || d.role != role || d.dg != owner) continue;
                if (d.sectors < needed || d.blockSize != blockSize) continue;
                param.disk_ids[param.disk_count++] = id;
            }
        };
        take(DiskRole::DedicatedSpare, groupId);
        take(DiskRole::GlobalSpare, ZD_EMPTY_ID);
        if (param.disk_count == 0) continue;
        ArrayOperations(m_adapter).startRebuild(param);
    }
}
