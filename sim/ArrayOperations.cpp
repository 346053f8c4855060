#include "sim/ArrayOperations.h"

#include <algorithm>
#include <set>

#include "api/records/RecordText.h"
#include "sim/ActivityEngine.h"
#include "sim/EventCodes.h"
#include "sim/RaidLayout.h"

namespace {

constexpr uint64_t kSectorsPerGB = 1000000000ull / 512;  // 1953125

bool validStripe(uint16_t stripe, uint16_t mask) {
    for (int bit = 0; bit < 16; ++bit) {
        if (stripe == (16u << bit)) return (mask >> bit) & 1u;
    }
    return false;
}

}  // namespace

uint64_t ArrayOperations::roundSize(uint64_t sectors, uint8_t scheme) {
    uint64_t step = scheme == 1 ? kSectorsPerGB : scheme == 2 ? 10 * kSectorsPerGB : 1;
    return sectors / step * step;
}

bool ArrayOperations::validName(const std::string& name) {
    return std::all_of(name.begin(), name.end(), [](char c) { return c >= 32 && c <= 126; });
}

uint8_t ArrayOperations::checkDisks(const uint16_t* ids, unsigned count, uint16_t ownGroup, bool strict,
                                    std::vector<uint16_t>& out, uint32_t& blockSize) const {
    if (count == 0 || count > ZD_DG_PARAM_MAX_DISKS) return 152;
    std::set<uint16_t> seen;
    out.clear();
    blockSize = 0;
    for (unsigned i = 0; i < count; ++i) {
        const Disk* d = m_adapter.presentDisk(ids[i]);
        if (d == nullptr) return 55;
        if (!seen.insert(d->id).second) return 7;
        if (strict) {
            bool own = d->role == DiskRole::Member && d->dg == ownGroup && ownGroup != ZD_EMPTY_ID;
            if (d->offline) return 56;
            if (d->role == DiskRole::GlobalSpare || d->role == DiskRole::DedicatedSpare) return 54;
            if (d->role != DiskRole::Free && !own) return 56;
        }
        if (blockSize != 0 && d->blockSize != blockSize) return 74;
        blockSize = d->blockSize;
        out.push_back(d->id);
    }
    return 0;
}

uint8_t ArrayOperations::planGroup(const _CreateOrModify_DG_Param& p, bool strict, GroupPlan& plan) const {
    const _Adapter_Info& info = m_adapter.info;
    if (!raid::supported(p.raid_level, info.raid_mode_mask)) return 14;
    plan.level = p.raid_level;
    plan.parity = raid::effectiveParity(p.raid_level, p.parity_count);
    if (uint8_t s = raid::checkLayout(plan.level, plan.parity, info.max_parity_disks, p.disk_count)) return s;
    uint16_t ownGroup = p.dg_id;
    if (uint8_t s = checkDisks(p.disk_ids, p.disk_count, ownGroup, strict, plan.members, plan.blockSize)) return s;
    if (p.block_size != 0 && p.block_size != plan.blockSize) return 67;
    plan.stripe = p.stripe_size == 0 ? 64 : p.stripe_size;
    if (!validStripe(plan.stripe, info.stripe_size_mask)) return 67;
    uint64_t smallest = 0;
    for (uint16_t id : plan.members) {
        uint64_t size = m_adapter.presentDisk(id)->sectors;
        if (smallest == 0 || size < smallest) smallest = size;
    }
    plan.capacity = raid::capacity(plan.level, plan.parity, static_cast<unsigned>(plan.members.size()), smallest);
    return 0;
}

uint8_t ArrayOperations::planVd(const _CreateOrModify_VD_Param& p, const GroupPlan& group, uint64_t freeSpace,
                                size_t vdCount, VdPlan& plan) const {
    if (p.ld_id != ZD_EMPTY_ID) return 19;
    if (p.raid_level != group.level) return 14;
    if (p.init_type > 3 || p.rounding_scheme > 2) return 7;
    if (p.block_size != 0 && p.block_size != group.blockSize) return 67;
    plan.stripe = p.stripe_size == 0 ? group.stripe : p.stripe_size;
    if (!validStripe(plan.stripe, m_adapter.info.stripe_size_mask)) return 67;
    plan.name = recordText(p.name, sizeof(p.name));
    if (!validName(plan.name)) return 72;
    if (vdCount >= ZD_DG_LD_SLOTS) return 64;
    if (freeSpace == 0) return 4;
    uint64_t wanted = zdU64Value(p.size);
    if (wanted > freeSpace) return 5;
    plan.size = roundSize(wanted == 0 ? freeSpace : wanted, p.rounding_scheme);
    if (plan.size == 0) return 5;
    plan.initType = p.init_type;
    return 0;
}

uint16_t ArrayOperations::addGroup(const GroupPlan& plan, const std::string& name, uint8_t raidAux) {
    DiskGroup g;
    g.id = m_adapter.newGroupId();
    g.name = name;
    g.raidLevel = plan.level;
    g.raidAux = raidAux;
    g.parity = plan.parity;
    g.stripeSize = plan.stripe;
    g.blockSize = plan.blockSize;
    g.totalSize = plan.capacity;
    g.members = plan.members;
    for (uint16_t id : plan.members) m_adapter.disk(id)->setRole(DiskRole::Member, g.id);
    uint16_t id = g.id;
    m_adapter.groups[id] = std::move(g);
    m_adapter.event(kEvtDiskArray, evt::kDgCreated, kSevInfo, id);
    return id;
}

uint16_t ArrayOperations::addVd(uint16_t groupId, const VdPlan& plan) {
    DiskGroup& g = *m_adapter.group(groupId);
    VirtualDisk v;
    v.id = m_adapter.newVdId();
    v.dg = groupId;
    v.name = plan.name;
    v.stripeSize = plan.stripe;
    v.size = plan.size;
    v.initialized = plan.initType == 0;
    for (uint16_t member : g.members) {
        uint16_t block = m_adapter.newBlockId();
        m_adapter.blocks[block] = member;
        v.blocks.push_back(block);
    }
    uint16_t id = v.id;
    m_adapter.vds[id] = std::move(v);
    g.vds.push_back(id);
    m_adapter.event(kEvtVD, evt::kVdCreated, kSevInfo, id);
    if (plan.initType == 1 || plan.initType == 2) ActivityEngine(m_adapter).startInit(id, plan.initType);
    return id;
}

uint8_t ArrayOperations::createGroup(_CreateOrModify_DG_Param& p, uint8_t mode) {
    if (mode > 1) return 7;
    if (p.dg_id != ZD_EMPTY_ID && (mode == 0 || m_adapter.group(p.dg_id) == nullptr)) return mode == 0 ? 19 : 8;
    GroupPlan plan;
    std::string name = recordText(p.name, sizeof(p.name));
    if (uint8_t s = planGroup(p, mode == 0, plan)) return s;
    if (mode == 1) {
        p.size = zdU64Make(plan.capacity);
        return 0;
    }
    if (!validName(name)) return 72;
    p.dg_id = addGroup(plan, name, p.raid_aux);
    p.size = zdU64Make(plan.capacity);
    return 0;
}

uint8_t ArrayOperations::createVd(_CreateOrModify_VD_Param& p) {
    const DiskGroup* g = m_adapter.group(p.dg_id);
    if (g == nullptr) return 8;
    if (m_adapter.groupOffline(*g)) return 58;
    if (m_adapter.groupActivity(g->id) != nullptr) return 82;
    GroupPlan group;
    group.level = g->raidLevel;
    group.stripe = g->stripeSize;
    group.blockSize = g->blockSize;
    VdPlan plan;
    if (uint8_t s = planVd(p, group, m_adapter.freeSize(*g), g->vds.size(), plan)) return s;
    p.ld_id = addVd(g->id, plan);
    return 0;
}

uint8_t ArrayOperations::createPackage(_Create_PackageVD_Param& p) {
    if ((m_adapter.info.AdvancedFeatures2 & ZD_FEATURE_PACKAGE_VD_CREATE) == 0) return 19;
    if (p.dg.dg_id != ZD_EMPTY_ID) return 19;
    GroupPlan group;
    if (uint8_t s = planGroup(p.dg, true, group)) return s;
    std::string name = recordText(p.dg.name, sizeof(p.dg.name));
    if (!validName(name)) return 72;
    VdPlan plan;
    if (uint8_t s = planVd(p.vd, group, group.capacity, 0, plan)) return s;
    uint16_t groupId = addGroup(group, name, p.dg.raid_aux);
    uint16_t vdId = addVd(groupId, plan);
    p.dg.dg_id = groupId;
    p.dg.size = zdU64Make(group.capacity);
    p.vd.dg_id = groupId;
    p.vd.ld_id = vdId;
    return 0;
}

uint8_t ArrayOperations::deleteVd(uint16_t vdId) {
    VirtualDisk* v = m_adapter.vd(vdId);
    if (v == nullptr) return 59;
    if (m_adapter.groupActivity(v->dg) != nullptr) return 82;
    if (m_adapter.activeActivity(ActivityKind::Init, vdId) || m_adapter.activeActivity(ActivityKind::Check, vdId)) {
        return 61;
    }
    for (uint16_t block : v->blocks) m_adapter.blocks.erase(block);
    if (DiskGroup* g = m_adapter.group(v->dg)) g->vds.erase(std::remove(g->vds.begin(), g->vds.end(), vdId), g->vds.end());
    m_adapter.dropActivities(ActivityKind::Init, vdId);
    m_adapter.dropActivities(ActivityKind::Check, vdId);
    std::string name = v->name;
    m_adapter.vds.erase(vdId);
    m_adapter.namedEvent(kEvtVD, evt::kVdDeleted, kSevInfo, vdId, name);
    return 0;
}

uint8_t ArrayOperations::deleteGroup(uint16_t groupId) {
    DiskGroup* g = m_adapter.group(groupId);
    if (g == nullptr) return 8;
    if (!g->vds.empty()) return 76;
    if (m_adapter.groupActivity(groupId) != nullptr) return 82;
    for (auto& [id, d] : m_adapter.disks) {
        if ((d.role == DiskRole::Member || d.role == DiskRole::DedicatedSpare) && d.dg == groupId) {
            d.setRole(DiskRole::Free);
        }
    }
    m_adapter.dropActivities(ActivityKind::Rebuild, groupId);
    m_adapter.dropActivities(ActivityKind::Migrate, groupId);
    m_adapter.groups.erase(groupId);
    m_adapter.event(kEvtDiskArray, evt::kDgDeleted, kSevInfo, groupId);
    return 0;
}

uint8_t ArrayOperations::setGroupConfig(uint16_t groupId, const _DG_CONFIG& config) {
    DiskGroup* g = m_adapter.group(groupId);
    if (g == nullptr) return 8;
    if (config.pd_cache > 1) return 7;
    std::string name = recordText(config.name, sizeof(config.name));
    if (!validName(name)) return 72;
    g->name = name;
    g->pdCache = config.pd_cache;
    for (uint16_t id : g->members) {
        if (Disk* d = m_adapter.disk(id)) d->pdCache = config.pd_cache;
    }
    m_adapter.event(kEvtDiskArray, evt::kDgSettings, kSevInfo, groupId);
    return 0;
}

uint8_t ArrayOperations::setVdConfig(uint16_t vdId, const _LD_Config& config) {
    VirtualDisk* v = m_adapter.vd(vdId);
    if (v == nullptr) return 59;
    if (config.cache_policy > 1) return 7;
    std::string name = recordText(config.name, sizeof(config.name));
    if (!validName(name)) return 72;
    v->name = name;
    v->cachePolicy = config.cache_policy;
    m_adapter.event(kEvtVD, evt::kVdSettings, kSevInfo, vdId);
    return 0;
}

uint8_t ArrayOperations::startRebuild(const _Rebuild_Param& p) {
    DiskGroup* g = m_adapter.group(p.dg_id);
    if (g == nullptr) return 8;
    if (p.disk_count == 0 || p.disk_count > ZD_REBUILD_MAX_DISKS) return 152;
    if (m_adapter.groupActivity(g->id) != nullptr) return 82;
    for (uint16_t vdId : g->vds) {
        if (m_adapter.activeActivity(ActivityKind::Init, vdId) || m_adapter.activeActivity(ActivityKind::Check, vdId)) {
            return 61;
        }
    }
    if (m_adapter.groupOffline(*g)) return 58;
    std::vector<size_t> failedSlots;
    uint64_t smallestHealthy = 0;
    for (size_t slot = 0; slot < g->members.size(); ++slot) {
        uint16_t id = g->members[slot];
        if (g->rebuilding.count(id) == 0 && !m_adapter.memberHealthy(*g, id)) {
            failedSlots.push_back(slot);
        } else if (const Disk* d = m_adapter.presentDisk(id)) {
            if (smallestHealthy == 0 || d->sectors < smallestHealthy) smallestHealthy = d->sectors;
        }
    }
    if (failedSlots.empty() && g->rebuilding.empty()) return 60;
    std::set<uint16_t> seen;
    std::vector<uint16_t> fresh;
    for (unsigned i = 0; i < p.disk_count; ++i) {
        const Disk* d = m_adapter.presentDisk(p.disk_ids[i]);
        if (d == nullptr) return 55;
        if (!seen.insert(d->id).second) return 7;
        if (d->offline) return 56;
        bool resumed = d->role == DiskRole::Member && d->dg == g->id && g->rebuilding.count(d->id) != 0;
        bool ownSpare = d->role == DiskRole::DedicatedSpare && d->dg == g->id;
        if (!resumed && d->role != DiskRole::Free && d->role != DiskRole::GlobalSpare && !ownSpare) {
            return d->role == DiskRole::DedicatedSpare ? 54 : 56;
        }
        if (d->blockSize != g->blockSize) return 74;
        if (d->sectors < smallestHealthy) return 52;
        if (!resumed) fresh.push_back(d->id);
    }
    if (fresh.size() > failedSlots.size()) return 152;

    for (size_t i = 0; i < fresh.size(); ++i) {
        uint16_t old = g->members[failedSlots[i]];
        Disk* replacement = m_adapter.disk(fresh[i]);
        if (replacement->role != DiskRole::Free) {
            m_adapter.event(kEvtHD, evt::kHdSpareTakeover, kSevInfo, fresh[i], {g->id, 0, 0, 0});
        }
        if (Disk* gone = m_adapter.disk(old); gone != nullptr && gone->role == DiskRole::Member && gone->dg == g->id) {
            gone->setRole(DiskRole::Free);
        }
        replacement->setRole(DiskRole::Member, g->id);
        g->members[failedSlots[i]] = fresh[i];
        g->rebuilding.insert(fresh[i]);
        for (uint16_t vdId : g->vds) {
            for (uint16_t block : m_adapter.vd(vdId)->blocks) {
                if (m_adapter.blocks[block] == old) m_adapter.blocks[block] = fresh[i];
            }
        }
    }
    ActivityEngine engine(m_adapter);
    Activity& a = engine.start(ActivityKind::Rebuild, g->id, ZD_BGA_REBUILD, m_adapter.smallestMember(*g));
    a.target.members.assign(g->rebuilding.begin(), g->rebuilding.end());
    engine.notify(a, evt::kStarted);
    return 0;
}

uint8_t ArrayOperations::startMigration(const _CreateOrModify_DG_Param& p) {
    DiskGroup* g = m_adapter.group(p.dg_id);
    if (g == nullptr) return 8;
    const _Adapter_Info& info = m_adapter.info;
    if (!raid::supported(p.raid_level, info.raid_mode_mask)) return 14;
    uint8_t parity = raid::effectiveParity(p.raid_level, p.parity_count);
    if (uint8_t s = raid::checkLayout(p.raid_level, parity, info.max_parity_disks, p.disk_count)) return s;
    for (const Activity& a : m_adapter.activities) {
        if (a.kind == ActivityKind::Migrate && a.active()) return 81;
    }
    if (m_adapter.groupActivity(g->id) != nullptr) return 82;
    for (uint16_t vdId : g->vds) {
        if (m_adapter.activeActivity(ActivityKind::Init, vdId) || m_adapter.activeActivity(ActivityKind::Check, vdId)) {
            return 61;
        }
    }
    if (m_adapter.failedMembers(*g) != 0) return 58;
    std::vector<uint16_t> members;
    uint32_t blockSize = 0;
    if (uint8_t s = checkDisks(p.disk_ids, p.disk_count, g->id, true, members, blockSize)) return s;
    if (blockSize != g->blockSize) return 74;
    if (p.stripe_size != 0 && p.stripe_size != g->stripeSize) return 69;
    bool keepsOld = false;
    for (uint16_t id : members) {
        if (std::find(g->members.begin(), g->members.end(), id) != g->members.end()) keepsOld = true;
    }
    if (!keepsOld) return 7;
    std::set<uint16_t> oldSet(g->members.begin(), g->members.end());
    std::set<uint16_t> newSet(members.begin(), members.end());
    if (oldSet == newSet && p.raid_level == g->raidLevel && parity == g->parity) return 68;
    uint64_t smallest = 0;
    for (uint16_t id : members) {
        uint64_t size = m_adapter.presentDisk(id)->sectors;
        if (smallest == 0 || size < smallest) smallest = size;
    }
    uint64_t capacity = raid::capacity(p.raid_level, parity, static_cast<unsigned>(members.size()), smallest);
    if (capacity < m_adapter.usedSize(*g)) return 52;

    MigrationTarget target;
    target.sourceLevel = g->raidLevel;
    target.raidLevel = p.raid_level;
    target.parity = parity;
    target.members = members;
    target.totalSize = capacity;
    bool grows = g->vds.size() == 1 && m_adapter.freeSize(*g) == 0;
    for (uint16_t vdId : g->vds) {
        target.vdSizes[vdId] = grows ? capacity : m_adapter.vd(vdId)->size;
        for (uint16_t id : members) {
            uint16_t block = m_adapter.newBlockId();
            m_adapter.blocks[block] = id;
            target.vdBlocks[vdId].push_back(block);
        }
    }
    for (uint16_t id : members) {
        Disk* d = m_adapter.disk(id);
        if (d->role == DiskRole::Free) d->setRole(DiskRole::Member, g->id);
    }
    ActivityEngine engine(m_adapter);
    Activity& a = engine.start(ActivityKind::Migrate, g->id, ZD_BGA_MIGRATE, smallest);
    a.target = target;
    engine.notify(a, evt::kStarted);
    return 0;
}
