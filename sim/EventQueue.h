// One adapter's event queue.
//
// Every state change of the adapter queues a 64-byte EventRecord with the next
// sequence number; sequence numbers start at 1 and only grow. The queue is
// bounded: when it is full the oldest event is dropped. ZD_EVT_GetEvent drains
// it from the oldest event on.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>

#include "api/records/Records.h"

// Event classes ("EvtClass") and severities ("EvtSeverity").
enum : uint16_t {
    kEvtAdapter = 0,
    kEvtVD = 1,
    kEvtHD = 2,
    kEvtFlash = 10,
    kEvtDiskArray = 13,
    kEvtOEM = 15,
};
enum : uint8_t { kSevInfo = 2, kSevWarning = 3, kSevCritical = 6 };

class EventQueue {
public:
    static constexpr size_t kCapacity = 1024;

    // Queues an event with the next sequence number.
    void push(uint16_t evtClass, uint16_t code, uint8_t severity, uint16_t deviceId, uint32_t timestamp,
              const std::array<uint32_t, 4>& params = {});
    // Queues a deleted virtual disk's event: its name in the parameter bytes.
    void pushNamed(uint16_t evtClass, uint16_t code, uint8_t severity, uint16_t deviceId, uint32_t timestamp,
                   const std::string& name);
    // Queues a record as given; later sequence numbers continue above it.
    void pushRaw(const EventRecord& record);
    // Moves up to max of the oldest events to out; answers their number.
    uint8_t drain(uint8_t max, EventRecord* out);
    void clear();

    const std::deque<EventRecord>& events() const { return m_events; }
    uint32_t nextSequence() const { return m_nextSequence; }
    // Grows with every event queued and every drain or clear that removed
    // events: whether a call changed the queue.
    uint64_t revision() const { return m_revision; }
    // Restoring a saved queue.
    void restore(std::deque<EventRecord> events, uint32_t nextSequence);

private:
    void append(const EventRecord& record);

    std::deque<EventRecord> m_events;
    uint32_t m_nextSequence = 1;
    uint64_t m_revision = 0;
};
