#include "sim/BuiltInEnclosure.h"

#include <cstdio>
#include <cstring>

#include "api/records/RecordText.h"
#include "sim/ArrayOperations.h"
#include "sim/DiskOperations.h"
#include "sim/RaidLayout.h"

namespace builtin {
namespace {

_Version_Info_CIM cim(uint16_t a, uint16_t b, uint16_t c, uint16_t d) { return _Version_Info_CIM{a, b, c, d}; }

void createArray(AdapterModel& adapter, const char* name, uint8_t level, std::initializer_list<uint16_t> disks) {
    _CreateOrModify_DG_Param group{};
    group.dg_id = ZD_EMPTY_ID;
    setRecordText(group.name, sizeof(group.name), name);
    group.raid_level = level;
    group.stripe_size = 64;
    for (uint16_t id : disks) group.disk_ids[group.disk_count++] = id;
    ArrayOperations arrays(adapter);
    arrays.createGroup(group, 0);
    _CreateOrModify_VD_Param vd{};
    vd.ld_id = ZD_EMPTY_ID;
    vd.dg_id = group.dg_id;
    setRecordText(vd.name, sizeof(vd.name), name);
    vd.raid_level = level;
    vd.fixed23 = 0xFF;
    vd.stripe_size = 64;
    arrays.createVd(vd);
}

}  // namespace

std::shared_ptr<AdapterModel> bareAdapter(const SimClock* clock, uint8_t linkType, unsigned index) {
    auto adapter = std::make_shared<AdapterModel>(clock);
    bool usb = linkType == ZD_LINK_USB;
    _Adapter_Info& info = adapter->info;
    info.driver_version = _Version_Info{3, 1, 0, 12};
    info.firmware_version = cim(2, 4, 1, 7);
    info.bootloader_version = cim(1, 1, 0, 3);
    info.vendor_id = 0x1C19;
    info.sub_vendor_id = 0x1C19;
    info.device_id = usb ? 0x0A13 : 0x0A12;
    info.sub_device_id = 1;
    info.port_count = usb ? 4 : 8;
    info.revision = 2;
    info.stripe_size_mask = 0x7F;
    info.max_parity_disks = 2;
    info.max_pd_small = info.port_count;
    info.raid_mode_mask = usb ? 0x3F : 0x17F;
    info.max_pd = info.port_count;
    info.max_buffer_kb = 64;
    info.AdvancedFeatures2 = usb ? ZD_FEATURE_TWO_PASS_FLASH : ZD_FEATURE_PACKAGE_VD_CREATE;
    char serial[21];
    std::snprintf(serial, sizeof(serial), "ZD%c%u-2411-%04u", usb ? 'U' : 'T', info.port_count, 1001 + index);
    std::memcpy(info.serial_number, serial, std::strlen(serial));

    _Adapter_Config_V2& config = adapter->config;
    config.alarm_on = 1;
    config.auto_rebuild = 1;
    config.smart_polling = usb ? 0 : 1;
    config.disk_check_speed = 30;
    config.copy_back = 0;
    config.sync_speed = 50;
    config.init_speed = 50;
    config.rebuild_speed = 70;
    config.migrate_speed = 50;
    setRecordText(config.serial_number, sizeof(config.serial_number), serial);
    setRecordText(config.alias, sizeof(config.alias), usb ? "USB Enclosure" : "Thunderbolt Storage");

    adapter->enclosure.linkType = linkType;
    adapter->enclosure.nxpVersion = usb ? 0x01010302u : 0x01020007u;
    adapter->enclosure.buzzerStatus = 1;
    return adapter;
}

uint16_t addDisk(AdapterModel& adapter, uint64_t sectors) {
    Disk d;
    d.id = adapter.newDiskId();
    d.sectors = sectors;
    d.featureBits = 0xF1;  // NCQ, write cache, 48-bit, SMART, 6G
    unsigned gigabytes = static_cast<unsigned>(sectors * 512 / 1000000000ull);
    char text[48];
    std::snprintf(text, sizeof(text), "ZDS DT%u-7K2 SATA 6Gb/s", gigabytes);
    d.model = text;
    std::snprintf(text, sizeof(text), "ZS%.4s%02X%04X", adapter.info.serial_number + 10,
                  static_cast<unsigned>(gigabytes / 100), d.id);
    d.serial = text;
    d.firmware = "RN04A3C0";
    d.parentPort = static_cast<uint8_t>(d.id);
    d.smart = defaultSmartTable(d.id);
    uint16_t id = d.id;
    adapter.disks[id] = std::move(d);
    return id;
}

std::vector<std::shared_ptr<AdapterModel>> enclosure(const SimClock* clock) {
    auto thunderbolt = bareAdapter(clock, ZD_LINK_THUNDERBOLT, 0);
    for (int i = 0; i < 8; ++i) addDisk(*thunderbolt, kSectors4TB);
    createArray(*thunderbolt, "Data", raid::kRaid5, {0, 1, 2, 3});
    thunderbolt->config.auto_rebuild = 0;  // no spare takes over while shaping
    DiskOperations(*thunderbolt).freeToGlobalSpare(4);
    thunderbolt->config.auto_rebuild = 1;
    thunderbolt->events.restore({}, 1);

    auto usb = bareAdapter(clock, ZD_LINK_USB, 1);
    for (int i = 0; i < 4; ++i) addDisk(*usb, kSectors2TB);
    createArray(*usb, "Mirror", raid::kRaid1, {0, 1});
    usb->events.restore({}, 1);
    return {thunderbolt, usb};
}

}  // namespace builtin
