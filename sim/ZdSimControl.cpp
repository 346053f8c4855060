// The simulator's control interface (sim/zd_sim.h): shaping the enclosure,
// driving the clock, injecting faults and reading the call record. Every
// function locks the enclosure for its whole call; those that change its
// shared state run as one EnclosureCall, like a controller call.
#include "sim/zd_sim.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "api/records/RecordText.h"
#include "sim/BuiltInEnclosure.h"
#include "sim/DiskOperations.h"
#include "sim/Enclosure.h"
#include "sim/EventCodes.h"
#include "sim/FirmwareImage.h"
#include "sim/ModelFields.h"

namespace {

constexpr size_t kMaxDisks = 4096;

// Runs work(enclosure) under the enclosure's lock, on this process's own
// parts of it (call record, injections, page delay).
template <typename Work>
auto locked(Work work) {
    Enclosure& e = Enclosure::instance();
    std::lock_guard<std::mutex> lock(e.mutex());
    return work(e);
}

// Runs work(enclosure) as one call on the shared state, which counts as
// changed when work answers 0 or more; answers ZDSIM_NOT_SAVED when the
// change could not be committed.
template <typename Work>
int changing(Work work) {
    return locked([&](Enclosure& e) -> int {
        EnclosureCall call(e);
        int result = work(e);
        if (result >= 0) e.changed();
        return call.commit() ? result : ZDSIM_NOT_SAVED;
    });
}

// As changing, for a known adapter; -1 for an unknown one.
template <typename Work>
int onAdapter(uint8_t index, Work work) {
    return changing([&](Enclosure& e) -> int {
        AdapterModel* a = e.adapter(index);
        return a == nullptr ? -1 : work(e, *a);
    });
}

}  // namespace

extern "C" {

int zdsim_reset(void) {
    locked([](Enclosure& e) {
        e.injector().clear();
        e.recorder().clear();
        e.setPageDelayMs(0);
        return 0;
    });
    return changing([](Enclosure& e) {
        e.resetManualClock();
        e.resetBuiltIn();
        return 0;
    });
}

int zdsim_reset_empty(uint8_t adapters) {
    return changing([&](Enclosure& e) {
        e.resetEmpty(std::min<uint8_t>(std::max<uint8_t>(adapters, 1), Enclosure::kMaxAdapters));
        return 0;
    });
}

int zdsim_use_manual_clock(int manual) {
    return changing([&](Enclosure& e) {
        e.useManualClock(manual != 0);
        return 0;
    });
}

int zdsim_advance_ms(uint64_t ms) {
    return changing([&](Enclosure& e) {
        e.advanceClock(ms);
        return 0;
    });
}

int zdsim_add_adapter(uint8_t link_type) {
    return changing([&](Enclosure& e) { return e.addAdapter(link_type); });
}

int zdsim_remove_adapter(uint8_t adapter) {
    return changing([&](Enclosure& e) { return e.removeAdapter(adapter) ? 0 : -1; });
}

int zdsim_set_adapter_value(uint8_t adapter, const char* name, uint64_t value) {
    const AdapterField* field = findAdapterField(name);
    if (field == nullptr) return -1;
    return onAdapter(adapter, [&](Enclosure&, AdapterModel& a) {
        field->set(a, value);
        return 0;
    });
}

int zdsim_set_adapter_text(uint8_t adapter, const char* name, const char* text) {
    if (name == nullptr || text == nullptr) return -1;
    std::string field = name;
    if (field != "serial_number" && field != "alias") return -1;
    return onAdapter(adapter, [&](Enclosure&, AdapterModel& a) {
        if (field == "alias") {
            setRecordText(a.config.alias, sizeof(a.config.alias), text);
        } else {
            std::memset(a.info.serial_number, 0, sizeof(a.info.serial_number));
            std::memcpy(a.info.serial_number, text, std::min(std::strlen(text), sizeof(a.info.serial_number)));
        }
        return 0;
    });
}

int zdsim_add_disk(uint8_t adapter, uint64_t sectors) {
    if (sectors == 0) return -1;
    return onAdapter(adapter, [&](Enclosure&, AdapterModel& a) -> int {
        if (a.disks.size() >= kMaxDisks) return -1;
        uint16_t id = builtin::addDisk(a, sectors);
        a.event(kEvtHD, evt::kHdInserted, kSevInfo, id);
        return id;
    });
}

int zdsim_set_disk_value(uint8_t adapter, uint16_t hd, const char* name, uint64_t value) {
    const DiskField* field = findDiskField(name);
    if (field == nullptr) return -1;
    return onAdapter(adapter, [&](Enclosure&, AdapterModel& a) {
        Disk* d = a.disk(hd);
        if (d == nullptr) return -1;
        field->set(*d, value);
        return 0;
    });
}

int zdsim_set_disk_text(uint8_t adapter, uint16_t hd, const char* name, const char* text) {
    if (name == nullptr || text == nullptr) return -1;
    std::string field = name;
    return onAdapter(adapter, [&](Enclosure&, AdapterModel& a) {
        Disk* d = a.disk(hd);
        if (d == nullptr) return -1;
        std::string value = text;
        if (field == "model") {
            d->model = value.substr(0, 40);
        } else if (field == "serial_number") {
            d->serial = value.substr(0, 20);
        } else if (field == "firmware_revision") {
            d->firmware = value.substr(0, 8);
        } else {
            return -1;
        }
        return 0;
    });
}

int zdsim_set_smart(uint8_t adapter, uint16_t hd, const void* entries, uint16_t count) {
    if (count > ZD_SMART_MAX_ENTRIES || (count > 0 && entries == nullptr)) return -1;
    return onAdapter(adapter, [&](Enclosure&, AdapterModel& a) {
        Disk* d = a.disk(hd);
        if (d == nullptr) return -1;
        const auto* first = static_cast<const _SMART_ENTRY*>(entries);
        d->smart.assign(first, first + count);
        return 0;
    });
}

int zdsim_fail_disk(uint8_t adapter, uint16_t hd) {
    return onAdapter(adapter, [&](Enclosure&, AdapterModel& a) { return DiskOperations(a).fail(hd) ? 0 : -1; });
}

int zdsim_pull_disk(uint8_t adapter, uint16_t hd) {
    return onAdapter(adapter, [&](Enclosure&, AdapterModel& a) { return DiskOperations(a).pull(hd) ? 0 : -1; });
}

int zdsim_insert_disk(uint8_t adapter, uint16_t hd) {
    return onAdapter(adapter, [&](Enclosure&, AdapterModel& a) { return DiskOperations(a).insert(hd) ? 0 : -1; });
}

int zdsim_set_inconsistent_stripes(uint8_t adapter, uint16_t dg, uint32_t stripes) {
    return onAdapter(adapter, [&](Enclosure&, AdapterModel& a) {
        const DiskGroup* g = a.group(dg);
        VirtualDisk* v = g != nullptr && !g->vds.empty() ? a.vd(g->vds.front()) : nullptr;
        if (v == nullptr) return -1;
        v->inconsistentStripes = stripes;
        return 0;
    });
}

void zdsim_inject_status(const char* function, uint8_t status, int times) {
    if (function == nullptr) return;
    locked([&](Enclosure& e) {
        e.injector().inject(function, status, times);
        return 0;
    });
}

void zdsim_clear_injections(void) {
    locked([](Enclosure& e) {
        e.injector().clear();
        return 0;
    });
}

int zdsim_queue_event(uint8_t adapter, const void* record) {
    if (record == nullptr) return -1;
    return onAdapter(adapter, [&](Enclosure&, AdapterModel& a) {
        EventRecord event;
        std::memcpy(&event, record, sizeof(event));
        a.events.pushRaw(event);
        return 0;
    });
}

int zdsim_clear_events(uint8_t adapter) {
    return onAdapter(adapter, [](Enclosure&, AdapterModel& a) {
        a.events.clear();
        return 0;
    });
}

int zdsim_write_image(const char* path, uint8_t type, uint16_t device_id, uint16_t v1, uint16_t v2, uint16_t v3,
                      uint16_t v4, uint32_t payload_bytes) {
    if (path == nullptr) return -1;
    FirmwareInfo info;
    info.imageType = type;
    info.deviceId = device_id;
    info.version = _Version_Info_CIM{v1, v2, v3, v4};
    return firmware::writeFile(path, info, payload_bytes) ? 0 : -1;
}

void zdsim_set_page_delay_ms(uint32_t ms) {
    locked([&](Enclosure& e) {
        e.setPageDelayMs(ms);
        return 0;
    });
}

void zdsim_clear_calls(void) {
    locked([](Enclosure& e) {
        e.recorder().clear();
        return 0;
    });
}

size_t zdsim_calls(char* out, size_t cap) {
    std::string text = locked([](Enclosure& e) { return e.recorder().text(); });
    if (out != nullptr && cap > 0) {
        size_t n = std::min(text.size(), cap - 1);
        std::memcpy(out, text.data(), n);
        out[n] = '\0';
    }
    return text.size();
}

uint64_t zdsim_call_time_ns(void) {
    return locked([](Enclosure& e) { return e.recorder().timeNs(); });
}

uint32_t zdsim_call_count(const char* function) {
    if (function == nullptr) return 0;
    return locked([&](Enclosure& e) { return e.recorder().count(function); });
}

size_t zdsim_last_record(const char* function, void* out, size_t cap) {
    if (function == nullptr) return 0;
    return locked([&](Enclosure& e) -> size_t {
        const std::vector<uint8_t>* bytes = e.recorder().lastRecord(function);
        if (bytes == nullptr) return 0;
        if (out != nullptr) std::memcpy(out, bytes->data(), std::min(cap, bytes->size()));
        return bytes->size();
    });
}

}  // extern "C"
