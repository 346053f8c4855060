#include "event/EventRetrieval.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "api/APIMigrateTargetVDInfoData.h"
#include "api/ListWrappers.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "middle/SingleTypeParser.h"
#include "middle/StringParser.h"
#include "middle/StructMiddle.h"
#include "middle/XMLMiddle.h"

namespace {
constexpr uint16_t kClassVirtualDisk = 1;
constexpr uint16_t kClassMisc = 12;
constexpr uint16_t kClassDiskArray = 13;
constexpr uint16_t kCodeVirtualDiskDeleted = 3;
constexpr size_t kNameBytes = 16;
// The most fields an event has.
constexpr size_t kEventFields = 16;

static_assert(sizeof(EventRecord::params) == kNameBytes, "a deleted disk's name fills the parameters");
static_assert(sizeof(_LD_Info::name) == kNameBytes, "virtual disk names are 16 bytes");

bool isMigrationCode(uint16_t code) { return code == 80 || code == 82 || code == 83 || code == 88 || code == 89; }

// Misc events whose first parameter the controller leaves 0 for "one".
bool countsFromOne(uint16_t evtClass, uint16_t code) {
    return evtClass == kClassMisc && (code == 22 || code == 23 || code == 24 || code == 25 || code == 27);
}

// Copies a 16-byte name, replacing every byte outside the printable range
// 32..126 (NUL included) by NUL; report(position, byte) is told of each.
template <typename Report>
std::string printableName(const void* bytes, Report report) {
    char name[kNameBytes + 1] = {};
    std::memcpy(name, bytes, kNameBytes);
    for (size_t i = 0; i < kNameBytes; ++i) {
        const unsigned char byte = static_cast<unsigned char>(name[i]);
        if (byte >= 32 && byte <= 126) continue;
        report(static_cast<int>(i), static_cast<unsigned>(static_cast<int>(static_cast<signed char>(name[i]))));
        name[i] = 0;
    }
    return std::string(name);
}

template <typename Parser, typename T>
std::string text(const T& value) {
    return Parser::format(value);
}
}  // namespace

EventRetrieval::EventRetrieval(EventBookkeeping& bookkeeping, Log* log, EventRead read)
    : m_book(bookkeeping), m_log(log), m_read(read != nullptr ? read : ZD_EVT_GetEvent) {}

void EventRetrieval::drain(uint8_t adapterId, std::string& out) {
    m_adapterId = adapterId;
    XMLMiddle doc("Events");
    if (ZD_Adapter_GetCount() == 0) {
        m_log->startLine(Log::api_data, "getEvent RescanAdapter");
        m_log->endLine();
        ZD_API_RescanAdapter();
    }
    if (ZD_Adapter_GetCount() == 0) {
        doc.printTo(out);
        return;
    }

    uint8_t count = 0;
    _Adapter_Info info;
    std::memset(&info, 0, sizeof info);
    ZD_Adapter_GetInfo(m_adapterId, &count, &info);
    std::memcpy(m_serial, info.serial_number, sizeof m_serial);

    // The status of a read is not examined: records it returned are taken
    // from the controller and must be delivered. The count is cleared before
    // each read, so a read that fails without writing it ends the drain.
    std::vector<EventRecord> batch(ZD_EVT_BATCH);
    for (int reads = 0; reads < kMaxReads; ++reads) {
        std::memset(batch.data(), 0, batch.size() * sizeof(EventRecord));
        uint8_t returned = 0;
        m_read(m_adapterId, ZD_EVT_BATCH, &returned, batch.data());
        m_log->startLine(Log::api_data, "ZD_EVT_GetEvent");
        m_log->writeFormatInfo("count returned %d ", returned);
        m_log->endLine();
        if (returned == 0) break;
        // A count beyond the batch only a misbehaving library reports: the
        // batch is all there is, and the drain ends with it.
        const size_t usable = std::min<size_t>(returned, ZD_EVT_BATCH);
        for (size_t i = 0; i < usable; ++i) {
            if (admit(batch[i])) addEvent(doc, batch[i]);
        }
        if (returned > ZD_EVT_BATCH) break;
    }
    doc.printTo(out);
}

bool EventRetrieval::admit(const EventRecord& record) {
    if (record.evt_class == kClassDiskArray) return false;
    for (size_t slot = 0; slot < EventBookkeeping::kSlots; ++slot) {
        if (m_book.serials[slot][0] == 0) {
            std::memcpy(m_book.serials[slot], m_serial, sizeof m_serial);
            m_book.sequences[slot] = record.sequence;
            m_log->startLine(Log::api_data, "new seq");
            m_log->writeFormatInfo("adapter_count %d", static_cast<int>(slot));
            m_log->endLine();
            return true;
        }
        if (std::memcmp(m_book.serials[slot], m_serial, sizeof m_serial) != 0) continue;
        m_log->startLine(Log::api_data, "memcmp seq");
        m_log->writeFormatInfo("evt seq %d, mem seq %d", static_cast<int>(record.sequence),
                               static_cast<int>(m_book.sequences[slot]));
        m_log->endLine();
        if (record.sequence < 2) {
            m_book.sequences[slot] = 0;
            return true;
        }
        if (m_book.sequences[slot] < record.sequence) {
            m_book.sequences[slot] = record.sequence;
            return true;
        }
        return false;
    }
    return false;  // six other adapters hold every slot
}

void EventRetrieval::addEvent(XMLMiddle& doc, const EventRecord& record) {
    StructMiddle* event = doc.addStruct("Event", kEventFields);
    event->addSingle("Index", text<U32Parser>(record.sequence));
    event->addSingle("AdapterID", text<U8Parser>(m_adapterId));
    event->addSingle("Class", text<U16Parser>(record.evt_class));
    event->addSingle("DeviceID", text<U16Parser>(record.device_id));
    event->addSingle("Severity", text<U8Parser>(record.severity));
    event->addSingle("Code", text<U16Parser>(record.code));

    if (record.evt_class == kClassVirtualDisk || (record.evt_class == kClassMisc && (record.code == 17 || record.code == 18))) {
        addVirtualDiskDetails(*event, record);
    }

    uint32_t params[4];
    std::memcpy(params, record.params, sizeof params);
    if (countsFromOne(record.evt_class, record.code) && params[0] == 0) params[0] = 1;
    if (params[0] != 0 || record.evt_class == kClassMisc || record.evt_class == kClassVirtualDisk) {
        std::vector<std::string> items;
        for (uint32_t param : params) items.push_back(text<U32Parser>(param));
        event->addArray("Params", "Param", items);
    }

    if (record.sense_length != 0) {
        // The record holds at most 30 sense bytes, whatever the length says.
        const uint8_t length = std::min<uint8_t>(record.sense_length, ZD_EVT_SENSE_MAX);
        std::vector<std::string> bytes;
        for (uint8_t i = 0; i < length; ++i) bytes.push_back(text<U8Parser>(record.sense_data[i]));
        event->addSingle("SenseDataLength", text<U8Parser>(length));
        event->addArray("SenseDatas", "SenseData", bytes);
    }

    event->addSingle("TimeStamp", text<U32Parser>(record.timestamp));
    char serial[EventBookkeeping::kSerialBytes + 1] = {};
    std::memcpy(serial, m_serial, sizeof m_serial);
    StringParser serialText;
    serialText.parse(serial);
    event->addSingle("Serial", serialText.toString());
}

void EventRetrieval::addVirtualDiskDetails(StructMiddle& event, const EventRecord& record) {
    if (record.code == kCodeVirtualDiskDeleted) {
        const std::string name = printableName(record.params, [this](int position, unsigned byte) {
            m_log->startLine(Log::api_data, "EVT_CODE_LD_DELETE");
            m_log->writeFormatInfo("name error name[%d] 0x%x", position, byte);
            m_log->endLine();
        });
        if (!name.empty()) event.addSingle("Name", name);
        return;
    }

    APIVDInfoData virtualDisks;
    virtualDisks.readSingle(m_adapterId);
    bool found = false;
    const _LD_Info* disk = virtualDisks.getData(record.device_id, found);
    if (found && disk->name[0] != 0) {
        const std::string name = printableName(disk->name, [this, &record](int position, unsigned byte) {
            m_log->startLine(Log::api_data, "EVT CODE LD else");
            m_log->writeFormatInfo("code %d name error name[%d] 0x%x", record.code, position, byte);
            m_log->endLine();
        });
        event.addSingle("Name", name);
    }
    const uint8_t levelBefore = found ? disk->raid_level : 0;

    if (isMigrationCode(record.code)) {
        APIMigrateTargetVDInfoData targets;
        targets.readSingle(m_adapterId);
        bool targetFound = false;
        const _LD_Info* target = targets.getData(record.device_id, targetFound);
        if (targetFound) {
            event.addSingle("Before", text<U8Parser>(levelBefore));
            event.addSingle("After", text<U8Parser>(target->raid_level));
        }
    } else if (record.code == 84 && found) {
        event.addSingle("Before", text<U8Parser>(levelBefore));
    } else if (record.code == 87) {
        event.addSingle("Before", text<U32Parser>(record.params[0]));
    }
}
