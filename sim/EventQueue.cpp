#include "sim/EventQueue.h"

#include <algorithm>
#include <cstring>

void EventQueue::push(uint16_t evtClass, uint16_t code, uint8_t severity, uint16_t deviceId,
                      uint32_t timestamp, const std::array<uint32_t, 4>& params) {
    EventRecord record{};
    record.evt_class = evtClass;
    record.code = code;
    record.severity = severity;
    record.device_id = deviceId;
    record.timestamp = timestamp;
    record.sequence = m_nextSequence++;
    std::copy(params.begin(), params.end(), record.params);
    append(record);
}

void EventQueue::pushNamed(uint16_t evtClass, uint16_t code, uint8_t severity, uint16_t deviceId,
                           uint32_t timestamp, const std::string& name) {
    std::array<uint32_t, 4> params{};
    std::memcpy(params.data(), name.data(), std::min<size_t>(name.size(), sizeof(params)));
    push(evtClass, code, severity, deviceId, timestamp, params);
}

void EventQueue::pushRaw(const EventRecord& record) {
    if (record.sequence >= m_nextSequence) m_nextSequence = record.sequence + 1;
    append(record);
}

uint8_t EventQueue::drain(uint8_t max, EventRecord* out) {
    uint8_t count = 0;
    while (count < max && !m_events.empty()) {
        out[count++] = m_events.front();
        m_events.pop_front();
    }
    if (count != 0) ++m_revision;
    return count;
}

void EventQueue::clear() {
    if (!m_events.empty()) ++m_revision;
    m_events.clear();
}

void EventQueue::restore(std::deque<EventRecord> events, uint32_t nextSequence) {
    m_events = std::move(events);
    while (m_events.size() > kCapacity) m_events.pop_front();
    m_nextSequence = std::max<uint32_t>(nextSequence, 1);
    ++m_revision;
}

void EventQueue::append(const EventRecord& record) {
    if (m_events.size() == kCapacity) m_events.pop_front();
    m_events.push_back(record);
    ++m_revision;
}
