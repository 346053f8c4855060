// Drains the controller's event queue of one adapter into an "Events"
// document for Management::getEvent.
//
// The dispatcher keeps, for up to six adapters (told apart by the first 20
// bytes of their serial number), the sequence number of the last event it
// delivered; EventRetrieval works on that bookkeeping by reference and lets
// through only later events (or those numbered 0 and 1, after which the
// controller has restarted its numbering). Events of class 13 are never
// delivered. Virtual-disk events gain the disk's name and, for migrations,
// the RAID levels before and after.
//
//     EventRetrieval retrieval(m_evtSerial, m_evtSeq, m_log);
//     m_result = retrieval.drain(m_adapterId);
#pragma once

#include <cstdint>
#include <string>

#include "api/records/Records.h"
#include "bridge/Management.h"

class Log;
class StructMiddle;
class XMLMiddle;

class EventRetrieval {
public:
    using SerialSlots = uint8_t[Management::kEventSlots][Management::kSerialBytes];
    using SequenceSlots = uint32_t[Management::kEventSlots];

    EventRetrieval(SerialSlots& serials, SequenceSlots& sequences, Log* log);
    EventRetrieval(const EventRetrieval&) = delete;
    EventRetrieval& operator=(const EventRetrieval&) = delete;

    // Every new event of the adapter, as "<Events>...</Events>" text
    // ("<Events />" when there is none).
    std::string drain(uint8_t adapterId);

private:
    // Whether the record is new for this adapter; updates the bookkeeping.
    bool admit(const EventRecord& record);
    void addEvent(XMLMiddle& doc, const EventRecord& record);
    void addVirtualDiskDetails(StructMiddle& event, const EventRecord& record);

    SerialSlots& m_serials;
    SequenceSlots& m_sequences;
    Log* m_log;
    uint8_t m_adapterId = 0;
    uint8_t m_serial[Management::kSerialBytes] = {};
};
