#include "sim/Enclosure.h"

#include <cstdio>
#include <cstdlib>

#include "sim/ActivityEngine.h"
#include "sim/BuiltInEnclosure.h"
#include "sim/StateCodec.h"

Enclosure& Enclosure::instance() {
    // Never destroyed: a bridge being unloaded at process exit, or its upload
    // worker, may still call in after static destructors have run. Every
    // change is already committed when its call returns.
    static Enclosure* enclosure = new Enclosure;
    return *enclosure;
}

Enclosure::Enclosure() { replaceAdapters(builtin::enclosure(&m_clock)); }

AdapterModel* Enclosure::scanned(uint8_t index) {
    if (index >= m_scanned.size()) return nullptr;
    for (const auto& adapter : m_adapters) {
        if (adapter->uid == m_scanned[index]) return adapter.get();
    }
    return nullptr;
}

void Enclosure::rescan() {
    m_scanned.clear();
    for (const auto& adapter : m_adapters) m_scanned.push_back(adapter->uid);
}

AdapterModel* Enclosure::adapter(uint8_t index) {
    return index < m_adapters.size() ? m_adapters[index].get() : nullptr;
}

int Enclosure::addAdapter(uint8_t linkType) {
    if (m_adapters.size() >= kMaxAdapters) return -1;
    m_adapters.push_back(builtin::bareAdapter(&m_clock, linkType, static_cast<unsigned>(m_adapters.size())));
    m_adapters.back()->uid = m_nextAdapterUid++;
    changed();
    return static_cast<int>(m_adapters.size() - 1);
}

bool Enclosure::removeAdapter(uint8_t index) {
    if (index >= m_adapters.size()) return false;
    m_adapters.erase(m_adapters.begin() + index);
    changed();
    return true;
}

void Enclosure::resetBuiltIn() {
    replaceAdapters(builtin::enclosure(&m_clock));
    changed();
}

void Enclosure::resetEmpty(uint8_t count) {
    std::vector<std::shared_ptr<AdapterModel>> adapters;
    for (unsigned i = 0; i < count && i < kMaxAdapters; ++i) {
        adapters.push_back(builtin::bareAdapter(&m_clock, ZD_LINK_THUNDERBOLT, i));
    }
    replaceAdapters(std::move(adapters));
    changed();
}

void Enclosure::replaceAdapters(std::vector<std::shared_ptr<AdapterModel>> adapters) {
    m_nextAdapterUid = 1;
    for (auto& adapter : adapters) adapter->uid = m_nextAdapterUid++;
    m_adapters = std::move(adapters);
    rescan();
}

void Enclosure::adopt(std::vector<std::shared_ptr<AdapterModel>> adapters, uint32_t nextAdapterUid) {
    for (auto& adapter : adapters) {
        for (auto& old : m_adapters) {
            if (old->uid == adapter->uid) adapter->flash = std::move(old->flash);
        }
    }
    m_adapters = std::move(adapters);
    m_nextAdapterUid = nextAdapterUid;
}

void Enclosure::adoptBuiltIn() {
    std::vector<std::shared_ptr<AdapterModel>> adapters = builtin::enclosure(&m_clock);
    uint32_t uid = 1;
    for (auto& adapter : adapters) adapter->uid = uid++;
    adopt(std::move(adapters), uid);
}

bool Enclosure::advanceActivities() {
    bool finished = false;
    for (auto& adapter : m_adapters) finished = ActivityEngine(*adapter).advance() || finished;
    return finished;
}

void Enclosure::rebaseActivities(uint64_t from, uint64_t to) {
    for (auto& adapter : m_adapters) {
        for (Activity& a : adapter->activities) a.lastMs = a.lastMs + to - from;
    }
}

void Enclosure::useManualClock(bool manual) {
    uint64_t before = m_clock.nowMs();
    m_clock.useManual(manual);
    rebaseActivities(before, m_clock.nowMs());
    changed();
}

void Enclosure::resetManualClock() {
    uint64_t before = m_clock.nowMs();
    m_clock.resetManual();
    rebaseActivities(before, m_clock.nowMs());
    changed();
}

void Enclosure::advanceClock(uint64_t ms) {
    m_clock.advance(ms);
    advanceActivities();
    changed();
}

void Enclosure::initialize() {
    const char* path = std::getenv("ZD_SIM_STATE");
    m_file.attach(path != nullptr ? path : "");
    m_fileUsable = true;
    m_lastGood.reset();
    m_warned.clear();
    EnclosureCall call(*this);
    // The scale is the enclosure's: the last process that asked for one sets it.
    std::optional<double> scale = SimClock::environmentScale();
    if (m_file.attached() && scale && *scale != m_clock.setting().scale) {
        m_clock.setScale(*scale);
        changed();
    }
    rescan();
    call.commit();
}

uint64_t Enclosure::eventRevision() const {
    uint64_t revision = 0;
    for (const auto& adapter : m_adapters) revision += adapter->events.revision();
    return revision;
}

void Enclosure::beginCall() {
    m_callChanged = false;
    if (m_file.attached()) {
        m_locked = m_file.lock(m_lockProblem);
        if (!m_locked) {
            warn("zdsim: the state file " + m_file.path() + " " + m_lockProblem +
                 "; calls that read go on, changes are refused.");
        }
        refresh();
    }
    m_backgroundChanged = advanceActivities();
    m_eventRevision = eventRevision();
}

bool Enclosure::endCall() {
    const bool callChanged = m_callChanged || eventRevision() != m_eventRevision;
    bool committed = true;
    std::string why;
    if (m_file.attached() && (callChanged || m_backgroundChanged) && !save(why)) {
        if (callChanged) {
            restoreLastGood();
            committed = false;
            warn("zdsim: the change was not made: the state file " + m_file.path() + " " + why + ".");
        } else {
            warn("zdsim: the state file " + m_file.path() + " " + why +
                 "; the activities that finished are known to this process only.");
        }
    }
    if (m_locked) m_file.unlock();
    m_locked = false;
    m_callChanged = false;
    m_backgroundChanged = false;
    return committed;
}

void Enclosure::refresh() {
    std::string text, why;
    switch (m_file.look(text, why)) {
    case StateFile::Seen::Unchanged: return;
    case StateFile::Seen::Missing:
        adoptBuiltIn();
        m_fileUsable = true;
        m_lastGood = state::encode(m_clock, m_nextAdapterUid, m_adapters);
        return;
    case StateFile::Seen::Changed:
        if (std::optional<state::SharedState> loaded = state::decode(text, &m_clock, why)) {
            m_clock.set(loaded->clock);
            adopt(std::move(loaded->adapters), loaded->nextAdapterUid);
            m_fileUsable = true;
            m_lastGood = std::move(text);
            return;
        }
        break;
    case StateFile::Seen::Unreadable: break;
    }
    m_fileUsable = false;
    m_fileProblem = why;
    if (!m_lastGood) adoptBuiltIn();
    warn("zdsim: the state file " + m_file.path() + " " + why +
         ". Calls that read go on from the last state read from it (else the built-in enclosure); changes are "
         "refused, and the file is left alone, until it is fixed, moved or deleted.");
}

bool Enclosure::save(std::string& why) {
    if (!m_locked) {
        why = m_lockProblem;
        return false;
    }
    if (!m_fileUsable) {
        why = m_fileProblem;
        return false;
    }
    std::string text = state::encode(m_clock, m_nextAdapterUid, m_adapters);
    if (!m_file.replace(text, why)) return false;
    m_lastGood = std::move(text);
    m_warned.clear();  // a problem that comes back is reported again
    return true;
}

void Enclosure::restoreLastGood() {
    std::string why;
    std::optional<state::SharedState> good;
    if (m_lastGood) good = state::decode(*m_lastGood, &m_clock, why);
    if (!good) {
        adoptBuiltIn();
        return;
    }
    m_clock.set(good->clock);
    adopt(std::move(good->adapters), good->nextAdapterUid);
}

void Enclosure::warn(const std::string& message) {
    if (m_warned.insert(message).second) std::fprintf(stderr, "%s\n", message.c_str());
}
