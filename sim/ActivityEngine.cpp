#include "sim/ActivityEngine.h"

#include <algorithm>

#include "sim/EventCodes.h"
#include "sim/RaidLayout.h"
#include "sim/SimClock.h"

namespace {

constexpr uint64_t kReferenceSectors = 7814037168ull;  // a 4 TB disk

enum : uint8_t { kRestart = 1, kPause = 2, kResume = 3, kAbort = 4, kStop = ZD_BGA_ACTION_STOP };

uint16_t migrationCode(uint16_t step) {
    switch (step) {
    case evt::kStarted: return evt::kVdMigrateStarted;
    case evt::kCompleted: return evt::kVdMigrateCompleted;
    case evt::kAborted: return evt::kVdMigrateAborted;
    case evt::kPaused: return evt::kVdMigratePaused;
    case evt::kResumed: return evt::kVdMigrateResumed;
    default: return evt::kVdMigrateRestarted;
    }
}

}  // namespace

uint64_t ActivityEngine::durationMs(ActivityKind kind, uint64_t sectors) {
    uint64_t base = 30000;
    switch (kind) {
    case ActivityKind::Init: base = 30000; break;
    case ActivityKind::Check: base = 40000; break;
    case ActivityKind::Rebuild: base = 45000; break;
    case ActivityKind::Migrate: base = 60000; break;
    case ActivityKind::MediaPatrol: base = 20000; break;
    }
    double scaled = static_cast<double>(base) * static_cast<double>(sectors) / kReferenceSectors;
    return std::max<uint64_t>(1000, static_cast<uint64_t>(scaled));
}

bool ActivityEngine::advance() {
    uint64_t now = m_adapter.clock().nowMs();
    double speed = m_adapter.clock().speed();
    std::vector<Activity> finished;
    for (Activity& a : m_adapter.activities) {
        if (a.state == ActivityState::Running && now > a.lastMs) {
            a.doneMs += static_cast<double>(now - a.lastMs) * speed;
        }
        a.lastMs = now;
        if (a.state == ActivityState::Running && a.doneMs >= static_cast<double>(a.durationMs)) {
            finished.push_back(a);
        }
    }
    if (finished.empty()) return false;
    auto& list = m_adapter.activities;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [](const Activity& a) {
                                  return a.state == ActivityState::Running &&
                                         a.doneMs >= static_cast<double>(a.durationMs);
                              }),
               list.end());
    for (const Activity& a : finished) finish(a);
    return true;
}

Activity& ActivityEngine::start(ActivityKind kind, uint16_t owner, uint16_t bgaType, uint64_t sectors) {
    m_adapter.dropActivities(kind, owner);
    Activity a;
    a.kind = kind;
    a.owner = owner;
    a.bgaType = bgaType;
    a.durationMs = durationMs(kind, sectors);
    a.lastMs = m_adapter.clock().nowMs();
    m_adapter.activities.push_back(a);
    return m_adapter.activities.back();
}

uint8_t ActivityEngine::startInit(uint16_t vdId, uint8_t type) {
    VirtualDisk* v = m_adapter.vd(vdId);
    if (v == nullptr) return 59;
    const DiskGroup* g = m_adapter.group(v->dg);
    if (g == nullptr) return 59;
    if (type > 2) return 7;
    if (m_adapter.groupActivity(g->id) != nullptr) return 82;
    if (m_adapter.activeActivity(ActivityKind::Init, vdId) || m_adapter.activeActivity(ActivityKind::Check, vdId)) {
        return 61;
    }
    if (m_adapter.failedMembers(*g) != 0) return 58;
    m_adapter.dropActivities(ActivityKind::Check, vdId);
    if (type == 0) {
        m_adapter.dropActivities(ActivityKind::Init, vdId);
        v->initialized = true;
        v->inconsistentStripes = 0;
        m_adapter.event(kEvtVD, evt::kVdInitBase + evt::kStarted, kSevInfo, vdId);
        m_adapter.event(kEvtVD, evt::kVdInitBase + evt::kCompleted, kSevInfo, vdId);
        return 0;
    }
    v->initialized = false;
    Activity& a = start(ActivityKind::Init, vdId, ZD_BGA_INIT_BACKGROUND, m_adapter.smallestMember(*g));
    notify(a, evt::kStarted);
    return 0;
}

uint8_t ActivityEngine::startCheck(uint16_t vdId, uint8_t option) {
    const VirtualDisk* v = m_adapter.vd(vdId);
    if (v == nullptr) return 59;
    const DiskGroup* g = m_adapter.group(v->dg);
    if (g == nullptr) return 59;
    if (option > 1) return 7;
    if (raid::redundancy(g->raidLevel, g->parity) == 0) return 19;
    if (m_adapter.groupActivity(g->id) != nullptr) return 82;
    if (m_adapter.activeActivity(ActivityKind::Init, vdId) || m_adapter.activeActivity(ActivityKind::Check, vdId)) {
        return 61;
    }
    if (m_adapter.failedMembers(*g) != 0) return 58;
    if (!v->initialized) return 71;
    m_adapter.dropActivities(ActivityKind::Init, vdId);
    uint16_t type = option == 1 ? ZD_BGA_CHECK_FIX : ZD_BGA_CHECK_ONLY;
    Activity& a = start(ActivityKind::Check, vdId, type, m_adapter.smallestMember(*g));
    a.fix = option == 1;
    notify(a, evt::kStarted);
    return 0;
}

uint8_t ActivityEngine::controlVd(uint16_t vdId, uint8_t action) {
    const VirtualDisk* v = m_adapter.vd(vdId);
    if (v == nullptr) return 59;
    Activity* own = nullptr;
    for (Activity& a : m_adapter.activities) {
        if ((a.kind == ActivityKind::Init || a.kind == ActivityKind::Check) && a.owner == vdId) {
            if (own == nullptr || a.active()) own = &a;
        }
    }
    if (own != nullptr && (own->active() || action == kRestart)) return control(*own, action);
    for (Activity& a : m_adapter.activities) {
        if (a.dgLevel() && a.owner == v->dg && a.active()) return control(a, action);
    }
    return 62;
}

uint8_t ActivityEngine::controlGroup(uint16_t groupId, uint8_t action) {
    if (m_adapter.group(groupId) == nullptr) return 8;
    Activity* found = nullptr;
    for (Activity& a : m_adapter.activities) {
        if (a.dgLevel() && a.owner == groupId && (found == nullptr || a.active())) found = &a;
    }
    if (found == nullptr || (!found->active() && action != kRestart)) return 17;
    return control(*found, action);
}

uint8_t ActivityEngine::controlDisk(uint16_t diskId, uint8_t action) {
    if (m_adapter.presentDisk(diskId) == nullptr) return 9;
    for (Activity& a : m_adapter.activities) {
        if (a.kind == ActivityKind::MediaPatrol && a.owner == diskId) return control(a, action);
    }
    return 62;
}

uint8_t ActivityEngine::control(Activity& a, uint8_t action) {
    uint64_t now = m_adapter.clock().nowMs();
    switch (action) {
    case kRestart:
        if (!a.active() && a.kind == ActivityKind::Migrate) return 62;
        a.state = ActivityState::Running;
        a.doneMs = 0;
        a.lastMs = now;
        notify(a, evt::kRestarted);
        return 0;
    case kPause:
        if (!a.active()) return 62;
        if (a.state == ActivityState::Running) {
            a.state = ActivityState::Paused;
            notify(a, evt::kPaused);
        }
        return 0;
    case kResume:
        if (!a.active()) return 62;
        if (a.state == ActivityState::Paused) {
            a.state = ActivityState::Running;
            a.lastMs = now;
            notify(a, evt::kResumed);
        }
        return 0;
    case kAbort:
        if (!a.active()) return 62;
        cancel(a);
        a.state = ActivityState::Aborted;
        notify(a, evt::kAborted);
        return 0;
    case kStop:
        if (!a.active()) return 62;
        stop(a);
        return 0;
    default: return 153;
    }
}

void ActivityEngine::stop(Activity& activity) {
    Activity copy = activity;
    cancel(copy);
    notify(copy, evt::kAborted);
    auto& list = m_adapter.activities;
    list.erase(std::remove_if(list.begin(), list.end(), [&](const Activity& a) { return &a == &activity; }),
               list.end());
}

void ActivityEngine::stopGroup(uint16_t groupId) {
    const DiskGroup* g = m_adapter.group(groupId);
    if (g == nullptr) return;
    std::vector<uint16_t> vds = g->vds;
    auto belongs = [&](const Activity& a) {
        if (a.dgLevel()) return a.owner == groupId;
        if (a.kind == ActivityKind::MediaPatrol) return false;
        return std::find(vds.begin(), vds.end(), a.owner) != vds.end();
    };
    for (;;) {
        auto it = std::find_if(m_adapter.activities.begin(), m_adapter.activities.end(),
                               [&](const Activity& a) { return belongs(a) && a.active(); });
        if (it == m_adapter.activities.end()) break;
        stop(*it);
    }
    auto& list = m_adapter.activities;
    list.erase(std::remove_if(list.begin(), list.end(), belongs), list.end());
}

void ActivityEngine::cancel(const Activity& a) {
    if (a.kind != ActivityKind::Migrate) return;
    DiskGroup* g = m_adapter.group(a.owner);
    for (uint16_t id : a.target.members) {
        bool old = g != nullptr && std::find(g->members.begin(), g->members.end(), id) != g->members.end();
        Disk* d = m_adapter.disk(id);
        if (!old && d != nullptr && d->role == DiskRole::Member && d->dg == a.owner) d->setRole(DiskRole::Free);
    }
    for (const auto& [vdId, blocks] : a.target.vdBlocks) {
        for (uint16_t block : blocks) m_adapter.blocks.erase(block);
    }
}

void ActivityEngine::finish(const Activity& a) {
    switch (a.kind) {
    case ActivityKind::Init:
        if (VirtualDisk* v = m_adapter.vd(a.owner)) {
            v->initialized = true;
            v->inconsistentStripes = 0;
        }
        break;
    case ActivityKind::Check: {
        VirtualDisk* v = m_adapter.vd(a.owner);
        const uint32_t found = v != nullptr ? v->inconsistentStripes : 0;
        if (v != nullptr && a.fix) v->inconsistentStripes = 0;
        const uint8_t severity = found != 0 && !a.fix ? kSevWarning : kSevInfo;
        m_adapter.event(kEvtVD, evt::kVdCheckBase + evt::kCompleted, severity, a.owner,
                        {a.fix ? 1u : 0u, found, a.fix ? found : 0, 0});
        return;
    }
    case ActivityKind::MediaPatrol: break;
    case ActivityKind::Rebuild:
        if (DiskGroup* g = m_adapter.group(a.owner)) {
            for (uint16_t id : a.target.members) g->rebuilding.erase(id);
        }
        break;
    case ActivityKind::Migrate: {
        DiskGroup* g = m_adapter.group(a.owner);
        if (g == nullptr) break;
        const MigrationTarget& t = a.target;
        for (uint16_t id : g->members) {
            if (std::find(t.members.begin(), t.members.end(), id) != t.members.end()) continue;
            if (Disk* d = m_adapter.disk(id); d != nullptr && d->role == DiskRole::Member && d->dg == g->id) {
                d->setRole(DiskRole::Free);
            }
        }
        g->raidLevel = t.raidLevel;
        g->parity = t.parity;
        g->members = t.members;
        g->totalSize = t.totalSize;
        for (uint16_t vdId : g->vds) {
            VirtualDisk* v = m_adapter.vd(vdId);
            if (v == nullptr) continue;
            for (uint16_t block : v->blocks) m_adapter.blocks.erase(block);
            auto blocks = t.vdBlocks.find(vdId);
            v->blocks = blocks == t.vdBlocks.end() ? std::vector<uint16_t>{} : blocks->second;
            auto size = t.vdSizes.find(vdId);
            if (size != t.vdSizes.end()) v->size = size->second;
        }
        break;
    }
    }
    notify(a, evt::kCompleted);
}

void ActivityEngine::notify(const Activity& a, uint16_t step) {
    uint8_t severity = step == evt::kAborted ? kSevWarning : kSevInfo;
    switch (a.kind) {
    case ActivityKind::Init: m_adapter.event(kEvtVD, evt::kVdInitBase + step, severity, a.owner); return;
    case ActivityKind::Check:
        m_adapter.event(kEvtVD, evt::kVdCheckBase + step, severity, a.owner, {a.fix ? 1u : 0u, 0, 0, 0});
        return;
    case ActivityKind::MediaPatrol: m_adapter.event(kEvtHD, evt::kHdPatrolBase + step, severity, a.owner); return;
    case ActivityKind::Rebuild:
    case ActivityKind::Migrate: break;
    }
    uint16_t code = a.kind == ActivityKind::Migrate ? migrationCode(step) : evt::kVdRebuildBase + step;
    const DiskGroup* g = m_adapter.group(a.owner);
    if (g == nullptr || g->vds.empty()) {
        m_adapter.event(kEvtDiskArray, code, severity, a.owner);
        return;
    }
    for (uint16_t vdId : g->vds) {
        std::array<uint32_t, 4> params{};
        if (a.kind == ActivityKind::Migrate) params = {a.target.sourceLevel, a.target.raidLevel, 0, 0};
        m_adapter.event(kEvtVD, code, severity, vdId, params);
    }
}
