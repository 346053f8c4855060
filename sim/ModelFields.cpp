#include "sim/ModelFields.h"

#include <cstring>

#define ADAPTER_INFO(field)                                                                   \
    AdapterField {                                                                            \
        #field, [](const AdapterModel& a) -> uint64_t { return a.info.field; },               \
            [](AdapterModel& a, uint64_t v) { a.info.field = static_cast<decltype(a.info.field)>(v); } \
    }
#define ADAPTER_CONFIG(field)                                                                     \
    AdapterField {                                                                                \
        #field, [](const AdapterModel& a) -> uint64_t { return a.config.field; },                 \
            [](AdapterModel& a, uint64_t v) { a.config.field = static_cast<uint8_t>(v); }         \
    }
#define ENCLOSURE(name, field)                                                                       \
    AdapterField {                                                                                   \
        name, [](const AdapterModel& a) -> uint64_t { return a.enclosure.field; },                   \
            [](AdapterModel& a, uint64_t v) { a.enclosure.field = static_cast<decltype(a.enclosure.field)>(v); } \
    }
#define DISK(name, field)                                                                  \
    DiskField {                                                                            \
        name, [](const Disk& d) -> uint64_t { return static_cast<uint64_t>(d.field); },    \
            [](Disk& d, uint64_t v) { d.field = static_cast<decltype(d.field)>(v); }       \
    }

const std::vector<AdapterField>& adapterFields() {
    static const std::vector<AdapterField> fields = {
        ADAPTER_INFO(vendor_id),
        ADAPTER_INFO(sub_vendor_id),
        ADAPTER_INFO(device_id),
        ADAPTER_INFO(sub_device_id),
        ADAPTER_INFO(port_count),
        ADAPTER_INFO(revision),
        ADAPTER_INFO(stripe_size_mask),
        ADAPTER_INFO(max_parity_disks),
        ADAPTER_INFO(max_pd_small),
        ADAPTER_INFO(raid_mode_mask),
        ADAPTER_INFO(max_pd),
        ADAPTER_INFO(max_buffer_kb),
        ADAPTER_INFO(AdvancedFeatures2),
        ADAPTER_CONFIG(alarm_on),
        ADAPTER_CONFIG(auto_rebuild),
        ADAPTER_CONFIG(smart_polling),
        ADAPTER_CONFIG(disk_check_speed),
        ADAPTER_CONFIG(copy_back),
        ADAPTER_CONFIG(sync_speed),
        ADAPTER_CONFIG(init_speed),
        ADAPTER_CONFIG(rebuild_speed),
        ADAPTER_CONFIG(migrate_speed),
        ENCLOSURE("link_type", linkType),
        ENCLOSURE("support_bits", supportBits),
        ENCLOSURE("buzzer_status", buzzerStatus),
        ENCLOSURE("buzzer_ringing", buzzerRinging),
        ENCLOSURE("nxp_version", nxpVersion),
        ENCLOSURE("low_power", lowPower),
        ENCLOSURE("identify", identify),
    };
    return fields;
}

const std::vector<DiskField>& diskFields() {
    static const std::vector<DiskField> fields = {
        DISK("block_size", blockSize),
        DISK("device_type", deviceType),
        DISK("feature_bits", featureBits),
        DISK("status", forcedStatus),
        DISK("pd_cache", pdCache),
        DISK("current_speed", currentSpeed),
        DISK("parent_id", parentId),
        DISK("parent_device_type", parentDeviceType),
        DISK("parent_port", parentPort),
    };
    return fields;
}

const AdapterField* findAdapterField(const char* name) {
    if (name == nullptr) return nullptr;
    for (const AdapterField& f : adapterFields()) {
        if (std::strcmp(f.name, name) == 0) return &f;
    }
    return nullptr;
}

const DiskField* findDiskField(const char* name) {
    if (name == nullptr) return nullptr;
    for (const DiskField& f : diskFields()) {
        if (std::strcmp(f.name, name) == 0) return &f;
    }
    return nullptr;
}
