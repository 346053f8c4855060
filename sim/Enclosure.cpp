#include "sim/Enclosure.h"

#include "sim/ActivityEngine.h"
#include "sim/BuiltInEnclosure.h"

Enclosure& Enclosure::instance() {
    // Never destroyed: a bridge being unloaded at process exit, or its upload
    // worker, may still call in after static destructors have run. Every
    // change is already saved when it happens.
    static Enclosure* enclosure = new Enclosure;
    return *enclosure;
}

Enclosure::Enclosure() { replaceAdapters(builtin::enclosure(&m_clock)); }

AdapterModel* Enclosure::scanned(uint8_t index) {
    if (index >= m_scanned.size() || m_scanned[index]->unplugged) return nullptr;
    return m_scanned[index].get();
}

void Enclosure::rescan() { m_scanned = m_adapters; }

AdapterModel* Enclosure::adapter(uint8_t index) {
    return index < m_adapters.size() ? m_adapters[index].get() : nullptr;
}

int Enclosure::addAdapter(uint8_t linkType) {
    if (m_adapters.size() >= kMaxAdapters) return -1;
    m_adapters.push_back(builtin::bareAdapter(&m_clock, linkType, static_cast<unsigned>(m_adapters.size())));
    changed();
    return static_cast<int>(m_adapters.size() - 1);
}

bool Enclosure::removeAdapter(uint8_t index) {
    if (index >= m_adapters.size()) return false;
    m_adapters[index]->unplugged = true;
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
    m_adapters = std::move(adapters);
    m_scanned = m_adapters;
}

void Enclosure::advance() {
    bool finished = false;
    for (auto& adapter : m_adapters) finished = ActivityEngine(*adapter).advance() || finished;
    if (finished) changed();
}

void Enclosure::rebaseActivities(uint64_t from, uint64_t to) {
    for (auto& adapter : m_adapters) {
        for (Activity& a : adapter->activities) a.lastMs = a.lastMs + to - from;
    }
}

void Enclosure::useManualClock(bool manual) {
    advance();
    uint64_t before = m_clock.nowMs();
    m_clock.useManual(manual);
    rebaseActivities(before, m_clock.nowMs());
}

void Enclosure::resetManualClock() {
    uint64_t before = m_clock.nowMs();
    m_clock.resetManual();
    rebaseActivities(before, m_clock.nowMs());
}

void Enclosure::initialize() {
    std::vector<std::shared_ptr<AdapterModel>> loaded;
    switch (m_store.load(m_clock, loaded)) {
    case StateStore::LoadResult::Disabled: rescan(); break;
    case StateStore::LoadResult::Loaded: replaceAdapters(std::move(loaded)); break;
    case StateStore::LoadResult::Missing:
    case StateStore::LoadResult::Refused: replaceAdapters(builtin::enclosure(&m_clock)); break;
    }
}

void Enclosure::changed() { m_store.save(m_clock, m_adapters); }
