// Drains the controller's event queue of one adapter into an "Events"
// document for Management::getEvent.
//
// The dispatcher keeps an EventBookkeeping: for up to six adapters (told
// apart by the first 20 bytes of their serial number) the sequence number of
// the last event it delivered. EventRetrieval works on it by reference and
// lets through only later events (or those numbered 0 and 1, after which the
// controller has restarted its numbering). Events of class 13 are never
// delivered. Virtual-disk events gain the disk's name and, for migrations,
// the RAID levels before and after.
//
//     EventRetrieval retrieval(m_events, m_log);
//     retrieval.drain(m_adapterId, result);
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "api/records/Records.h"

class Log;
class StructMiddle;
class XMLMiddle;

// What the dispatcher remembers between polls, zero after load. A slot whose
// serial starts with a NUL byte is free; slots are taken in order and never
// given back.
struct EventBookkeeping {
    static constexpr size_t kSlots = 6;
    static constexpr size_t kSerialBytes = 20;

    uint8_t serials[kSlots][kSerialBytes] = {};
    uint32_t sequences[kSlots] = {};
};

class EventRetrieval {
public:
    // The controller's event read (ZD_EVT_GetEvent, or a stand-in in tests).
    using EventRead = uint8_t (*)(uint8_t adapter, uint8_t max, uint8_t* count, void* events);
    // Most event reads of one drain: a controller that never runs dry keeps
    // what is left for the next poll.
    static constexpr int kMaxReads = 10000;

    EventRetrieval(EventBookkeeping& bookkeeping, Log* log, EventRead read = nullptr);
    EventRetrieval(const EventRetrieval&) = delete;
    EventRetrieval& operator=(const EventRetrieval&) = delete;

    // Every new event of the adapter, as "<Events>...</Events>" text into out
    // ("<Events />" when there is none). Reads until a read returns no
    // record; the records of a read that also reports a failure are used.
    void drain(uint8_t adapterId, std::string& out);

private:
    // Whether the record is new for this adapter; updates the bookkeeping.
    bool admit(const EventRecord& record);
    void addEvent(XMLMiddle& doc, const EventRecord& record);
    void addVirtualDiskDetails(StructMiddle& event, const EventRecord& record);

    EventBookkeeping& m_book;
    Log* m_log;
    EventRead m_read;
    uint8_t m_adapterId = 0;
    uint8_t m_serial[EventBookkeeping::kSerialBytes] = {};
};
