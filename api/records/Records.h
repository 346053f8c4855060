// Records exchanged with the controller library (libzd_api).
//
// Every structure here is a wire format shared with the controller library:
// fixed offsets and sizes, little-endian integers, no hidden padding. Bytes
// the bridge does not interpret are spelled out as reserved arrays, so the
// natural layout of each structure is exactly the wire layout; the
// static_asserts below every record prove it field by field.
//
// Text fields are fixed-width byte arrays. The three texts of _HD_Info and the
// adapter's serial_number may fill their whole width with no NUL; readers copy
// them into a buffer one byte longer before treating them as C strings.
#pragma once

#include <cstddef>
#include <cstdint>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "controller records are little-endian and mapped directly");

#define ZD_RECORD_FIELD(T, field, off) \
    static_assert(offsetof(T, field) == (off), #T "." #field " offset")
#define ZD_RECORD_SIZE(T, size) static_assert(sizeof(T) == (size), #T " size")

// 64-bit unsigned value held as two 32-bit halves, low half first.
struct ZD_U64 {
    uint32_t low;
    uint32_t high;
};
ZD_RECORD_SIZE(ZD_U64, 8);
ZD_RECORD_FIELD(ZD_U64, low, 0);
ZD_RECORD_FIELD(ZD_U64, high, 4);

inline uint64_t zdU64Value(const ZD_U64& v) {
    return (static_cast<uint64_t>(v.high) << 32) | v.low;
}
inline ZD_U64 zdU64Make(uint64_t v) {
    return ZD_U64{static_cast<uint32_t>(v), static_cast<uint32_t>(v >> 32)};
}

struct _Version_Info {
    uint32_t part1;
    uint32_t part2;
    uint32_t part3;
    uint32_t part4;
};
ZD_RECORD_SIZE(_Version_Info, 16);
ZD_RECORD_FIELD(_Version_Info, part4, 12);

struct _Version_Info_CIM {
    uint16_t part1;
    uint16_t part2;
    uint16_t part3;
    uint16_t part4;
};
ZD_RECORD_SIZE(_Version_Info_CIM, 8);
ZD_RECORD_FIELD(_Version_Info_CIM, part4, 6);

// Header at the start of every list buffer. The caller sets the request,
// the library fills returned_count and next_start_id; records follow at 16.
enum : uint8_t { ZD_REQUEST_RANGE = 1, ZD_REQUEST_SINGLE = 2 };
enum : uint16_t { ZD_NO_MORE_RECORDS = 0xFFFF, ZD_EMPTY_ID = 0xFFFF };

struct _Request_Header {
    uint8_t reserved0;
    uint8_t request_type;
    uint16_t start_id;
    uint16_t requested_count;
    uint16_t returned_count;
    uint16_t next_start_id;
    uint8_t reserved10[6];
};
ZD_RECORD_SIZE(_Request_Header, 16);
ZD_RECORD_FIELD(_Request_Header, request_type, 1);
ZD_RECORD_FIELD(_Request_Header, start_id, 2);
ZD_RECORD_FIELD(_Request_Header, requested_count, 4);
ZD_RECORD_FIELD(_Request_Header, returned_count, 6);
ZD_RECORD_FIELD(_Request_Header, next_start_id, 8);

struct _Adapter_Info {
    _Version_Info driver_version;
    uint8_t reserved16[8];
    _Version_Info_CIM firmware_version;
    _Version_Info_CIM bootloader_version;
    uint8_t reserved40[24];
    uint16_t vendor_id;
    uint16_t sub_vendor_id;
    uint16_t device_id;
    uint16_t sub_device_id;
    uint8_t port_count;
    uint8_t reserved73[3];
    uint8_t revision;
    uint8_t reserved77;
    uint16_t stripe_size_mask;
    uint8_t reserved80[6];
    uint8_t max_parity_disks;
    uint8_t reserved87[3];
    uint8_t max_pd_small;
    uint8_t reserved91[3];
    uint16_t raid_mode_mask;
    uint8_t reserved96[8];
    uint16_t max_pd;
    uint16_t max_buffer_kb;
    uint8_t reserved108[8];
    uint32_t AdvancedFeatures2;
    uint8_t reserved120[4];
    char serial_number[20];
    uint8_t reserved144[160];
};
ZD_RECORD_SIZE(_Adapter_Info, 304);
ZD_RECORD_FIELD(_Adapter_Info, driver_version, 0);
ZD_RECORD_FIELD(_Adapter_Info, firmware_version, 24);
ZD_RECORD_FIELD(_Adapter_Info, bootloader_version, 32);
ZD_RECORD_FIELD(_Adapter_Info, vendor_id, 64);
ZD_RECORD_FIELD(_Adapter_Info, sub_vendor_id, 66);
ZD_RECORD_FIELD(_Adapter_Info, device_id, 68);
ZD_RECORD_FIELD(_Adapter_Info, sub_device_id, 70);
ZD_RECORD_FIELD(_Adapter_Info, port_count, 72);
ZD_RECORD_FIELD(_Adapter_Info, revision, 76);
ZD_RECORD_FIELD(_Adapter_Info, stripe_size_mask, 78);
ZD_RECORD_FIELD(_Adapter_Info, max_parity_disks, 86);
ZD_RECORD_FIELD(_Adapter_Info, max_pd_small, 90);
ZD_RECORD_FIELD(_Adapter_Info, raid_mode_mask, 94);
ZD_RECORD_FIELD(_Adapter_Info, max_pd, 104);
ZD_RECORD_FIELD(_Adapter_Info, max_buffer_kb, 106);
ZD_RECORD_FIELD(_Adapter_Info, AdvancedFeatures2, 116);
ZD_RECORD_FIELD(_Adapter_Info, serial_number, 124);

// AdvancedFeatures2 bits.
enum : uint32_t {
    ZD_FEATURE_TWO_PASS_FLASH = 0x1,     // firmware image is written twice
    ZD_FEATURE_PACKAGE_VD_CREATE = 0x2,  // one call creates disk group and VD
};

struct _Adapter_Config_V2 {
    uint8_t alarm_on;
    uint8_t auto_rebuild;
    uint8_t reserved2;
    uint8_t smart_polling;
    uint8_t disk_check_speed;
    uint8_t copy_back;
    uint8_t sync_speed;
    uint8_t init_speed;
    uint8_t rebuild_speed;
    uint8_t migrate_speed;
    uint8_t reserved10[14];
    char serial_number[20];
    char alias[20];
};
ZD_RECORD_SIZE(_Adapter_Config_V2, 64);
ZD_RECORD_FIELD(_Adapter_Config_V2, alarm_on, 0);
ZD_RECORD_FIELD(_Adapter_Config_V2, auto_rebuild, 1);
ZD_RECORD_FIELD(_Adapter_Config_V2, smart_polling, 3);
ZD_RECORD_FIELD(_Adapter_Config_V2, disk_check_speed, 4);
ZD_RECORD_FIELD(_Adapter_Config_V2, copy_back, 5);
ZD_RECORD_FIELD(_Adapter_Config_V2, sync_speed, 6);
ZD_RECORD_FIELD(_Adapter_Config_V2, init_speed, 7);
ZD_RECORD_FIELD(_Adapter_Config_V2, rebuild_speed, 8);
ZD_RECORD_FIELD(_Adapter_Config_V2, migrate_speed, 9);
ZD_RECORD_FIELD(_Adapter_Config_V2, serial_number, 24);
ZD_RECORD_FIELD(_Adapter_Config_V2, alias, 44);

// OEM packets: the caller fills length, signature and request; the library
// answers in place.
enum : uint16_t { ZD_OEM_PACKET_LENGTH = 72 };
#define ZD_OEM_SIGNATURE "1C19"

enum : uint8_t {
    ZD_OEM_RAID_STATUS = 2,
    ZD_OEM_DRIVE_STATUS = 3,
    ZD_OEM_FAN_STATUS = 6,
    ZD_OEM_USER_REQUEST = 8,
    ZD_OEM_NXP_VERSION = 9,
    ZD_OEM_BUZZER_STATUS = 12,
    ZD_OEM_BUZZER_RINGING = 13,
};

struct _Adapter_OEM_Data {
    uint16_t length;
    uint8_t reserved2[2];
    char signature[4];
    uint8_t oem_type;
    uint8_t oem_value;
    uint8_t oem_id;
    uint8_t force;
    uint8_t oem_byte12;  // fourth byte of an NXP version reply
    uint8_t reserved13[59];
};
ZD_RECORD_SIZE(_Adapter_OEM_Data, 72);
ZD_RECORD_FIELD(_Adapter_OEM_Data, length, 0);
ZD_RECORD_FIELD(_Adapter_OEM_Data, signature, 4);
ZD_RECORD_FIELD(_Adapter_OEM_Data, oem_type, 8);
ZD_RECORD_FIELD(_Adapter_OEM_Data, oem_value, 9);
ZD_RECORD_FIELD(_Adapter_OEM_Data, oem_id, 10);
ZD_RECORD_FIELD(_Adapter_OEM_Data, force, 11);
ZD_RECORD_FIELD(_Adapter_OEM_Data, oem_byte12, 12);

struct _Adapter_OEM_Info {
    uint16_t length;
    uint8_t reserved2[2];
    char signature[4];
    uint32_t support_bits;  // bit 0 clear: the enclosure supports identify
    uint8_t link_type;      // 0 Thunderbolt, 1 USB
    uint8_t reserved13[59];
};
ZD_RECORD_SIZE(_Adapter_OEM_Info, 72);
ZD_RECORD_FIELD(_Adapter_OEM_Info, signature, 4);
ZD_RECORD_FIELD(_Adapter_OEM_Info, support_bits, 8);
ZD_RECORD_FIELD(_Adapter_OEM_Info, link_type, 12);

enum : uint8_t { ZD_LINK_THUNDERBOLT = 0, ZD_LINK_USB = 1 };

struct _HD_Info {
    uint16_t parent_id;
    uint8_t parent_device_type;
    uint8_t reserved3;
    uint8_t parent_port;
    uint8_t reserved5[31];
    uint16_t id;
    uint8_t reserved38[26];
    uint8_t adapter_id;
    uint8_t reserved65[6];
    uint8_t device_type;
    uint32_t feature_bits;
    char model[40];
    char serial_number[20];
    char firmware_revision[8];
    ZD_U64 size;
    uint8_t reserved152[12];
    uint32_t block_size;
    uint8_t reserved168[80];
};
ZD_RECORD_SIZE(_HD_Info, 248);
ZD_RECORD_FIELD(_HD_Info, parent_id, 0);
ZD_RECORD_FIELD(_HD_Info, parent_device_type, 2);
ZD_RECORD_FIELD(_HD_Info, parent_port, 4);
ZD_RECORD_FIELD(_HD_Info, id, 36);
ZD_RECORD_FIELD(_HD_Info, adapter_id, 64);
ZD_RECORD_FIELD(_HD_Info, device_type, 71);
ZD_RECORD_FIELD(_HD_Info, feature_bits, 72);
ZD_RECORD_FIELD(_HD_Info, model, 76);
ZD_RECORD_FIELD(_HD_Info, serial_number, 116);
ZD_RECORD_FIELD(_HD_Info, firmware_revision, 136);
ZD_RECORD_FIELD(_HD_Info, size, 144);
ZD_RECORD_FIELD(_HD_Info, block_size, 164);

struct _HD_CONFIG {
    uint8_t pd_cache;
    uint8_t reserved1[2];
    uint8_t current_speed;
    uint8_t reserved4[2];
    uint16_t hd_id;
};
ZD_RECORD_SIZE(_HD_CONFIG, 8);
ZD_RECORD_FIELD(_HD_CONFIG, pd_cache, 0);
ZD_RECORD_FIELD(_HD_CONFIG, current_speed, 3);
ZD_RECORD_FIELD(_HD_CONFIG, hd_id, 6);

struct _HD_BGA_STATUS {
    uint16_t hd_id;
    uint16_t percentage;
    uint8_t bga_type;
    uint8_t reserved5;
    uint8_t bga_status;
    uint8_t reserved7[57];
};
ZD_RECORD_SIZE(_HD_BGA_STATUS, 64);
ZD_RECORD_FIELD(_HD_BGA_STATUS, hd_id, 0);
ZD_RECORD_FIELD(_HD_BGA_STATUS, percentage, 2);
ZD_RECORD_FIELD(_HD_BGA_STATUS, bga_type, 4);
ZD_RECORD_FIELD(_HD_BGA_STATUS, bga_status, 6);

// Status bit that marks the dedicated-spare states of a physical disk.
enum : uint8_t { ZD_PD_DEDICATED_SPARE_BIT = 0x40 };

struct _HD_RAID_STATUS {
    uint16_t hd_id;
    uint16_t dg_id;  // meaningful when status has ZD_PD_DEDICATED_SPARE_BIT
    uint8_t status;
    uint8_t reserved5[3];
};
ZD_RECORD_SIZE(_HD_RAID_STATUS, 8);
ZD_RECORD_FIELD(_HD_RAID_STATUS, hd_id, 0);
ZD_RECORD_FIELD(_HD_RAID_STATUS, dg_id, 2);
ZD_RECORD_FIELD(_HD_RAID_STATUS, status, 4);

enum : uint16_t { ZD_SMART_MAX_ENTRIES = 30 };

struct _SMART_ENTRY {
    uint8_t attribute_id;
    char attribute_name[33];
    uint8_t status_flags;
    uint8_t current_value;
    uint8_t worst_value;
    uint8_t raw_value0;
    uint8_t raw_value1;
    uint8_t reserved39[4];
    uint8_t threshold_value;
    uint8_t reserved44[4];
};
ZD_RECORD_SIZE(_SMART_ENTRY, 48);
ZD_RECORD_FIELD(_SMART_ENTRY, attribute_name, 1);
ZD_RECORD_FIELD(_SMART_ENTRY, status_flags, 34);
ZD_RECORD_FIELD(_SMART_ENTRY, current_value, 35);
ZD_RECORD_FIELD(_SMART_ENTRY, worst_value, 36);
ZD_RECORD_FIELD(_SMART_ENTRY, raw_value0, 37);
ZD_RECORD_FIELD(_SMART_ENTRY, raw_value1, 38);
ZD_RECORD_FIELD(_SMART_ENTRY, threshold_value, 43);

struct _SMART_ARRAY {
    uint16_t reserved0;
    uint16_t entry_count;
    _SMART_ENTRY entries[ZD_SMART_MAX_ENTRIES];
};
ZD_RECORD_SIZE(_SMART_ARRAY, 1444);
ZD_RECORD_FIELD(_SMART_ARRAY, entry_count, 2);
ZD_RECORD_FIELD(_SMART_ARRAY, entries, 4);

enum : uint16_t { ZD_LD_BLOCK_SLOTS = 32, ZD_EMPTY_BLOCK = 0x00FF };

struct _LD_Info {
    uint16_t id;
    uint8_t status;
    uint8_t bga_running;
    uint16_t stripe_size;
    uint8_t raid_level;
    uint8_t pd_count;
    uint8_t cache_policy;
    uint8_t reserved9[13];
    uint16_t dg_id;
    ZD_U64 size;
    char name[16];
    uint16_t block_ids[ZD_LD_BLOCK_SLOTS];
    uint8_t reserved112[196];
    uint32_t disk_block;
};
ZD_RECORD_SIZE(_LD_Info, 312);
ZD_RECORD_FIELD(_LD_Info, status, 2);
ZD_RECORD_FIELD(_LD_Info, bga_running, 3);
ZD_RECORD_FIELD(_LD_Info, stripe_size, 4);
ZD_RECORD_FIELD(_LD_Info, raid_level, 6);
ZD_RECORD_FIELD(_LD_Info, pd_count, 7);
ZD_RECORD_FIELD(_LD_Info, cache_policy, 8);
ZD_RECORD_FIELD(_LD_Info, dg_id, 22);
ZD_RECORD_FIELD(_LD_Info, size, 24);
ZD_RECORD_FIELD(_LD_Info, name, 32);
ZD_RECORD_FIELD(_LD_Info, block_ids, 48);
ZD_RECORD_FIELD(_LD_Info, disk_block, 308);

struct _LD_Config {
    uint8_t cache_policy;
    uint8_t reserved1[3];
    uint16_t id;
    uint8_t reserved6[2];
    char name[16];
};
ZD_RECORD_SIZE(_LD_Config, 24);
ZD_RECORD_FIELD(_LD_Config, cache_policy, 0);
ZD_RECORD_FIELD(_LD_Config, id, 4);
ZD_RECORD_FIELD(_LD_Config, name, 8);

struct _LD_STATUS {
    uint8_t reserved0;
    uint8_t bga_type;
    uint16_t percentage;
    uint8_t bga_status;
    uint8_t reserved5;
    uint16_t id;
};
ZD_RECORD_SIZE(_LD_STATUS, 8);
ZD_RECORD_FIELD(_LD_STATUS, bga_type, 1);
ZD_RECORD_FIELD(_LD_STATUS, percentage, 2);
ZD_RECORD_FIELD(_LD_STATUS, bga_status, 4);
ZD_RECORD_FIELD(_LD_STATUS, id, 6);

enum : uint16_t {
    ZD_DG_MAX_MEMBERS = 258,
    ZD_DG_LD_SLOTS = 32,
    ZD_DG_MAX_SPARES = 8,
};

struct _DG_Info {
    uint16_t id;
    uint8_t reserved2[2];
    char name[16];
    uint8_t raid_level;
    uint8_t raid_aux;
    uint8_t parity_count;
    uint8_t reserved23[3];
    uint16_t stripe_size;
    uint32_t block_size;
    ZD_U64 total_size;
    ZD_U64 free_size;
    uint8_t reserved48[11];
    uint8_t member_count;
    uint16_t member_ids[ZD_DG_MAX_MEMBERS];
    uint16_t ld_ids[ZD_DG_LD_SLOTS];  // ld_ids[0] is the record's ld_id
    uint8_t reserved640[3];
    uint8_t spare_count;
    uint16_t spare_ids[ZD_DG_MAX_SPARES];
    uint16_t bga_type;
    uint8_t bga_status;
    uint8_t reserved663[25];
};
ZD_RECORD_SIZE(_DG_Info, 688);
ZD_RECORD_FIELD(_DG_Info, name, 4);
ZD_RECORD_FIELD(_DG_Info, raid_level, 20);
ZD_RECORD_FIELD(_DG_Info, raid_aux, 21);
ZD_RECORD_FIELD(_DG_Info, parity_count, 22);
ZD_RECORD_FIELD(_DG_Info, stripe_size, 26);
ZD_RECORD_FIELD(_DG_Info, block_size, 28);
ZD_RECORD_FIELD(_DG_Info, total_size, 32);
ZD_RECORD_FIELD(_DG_Info, free_size, 40);
ZD_RECORD_FIELD(_DG_Info, member_count, 59);
ZD_RECORD_FIELD(_DG_Info, member_ids, 60);
ZD_RECORD_FIELD(_DG_Info, ld_ids, 576);
ZD_RECORD_FIELD(_DG_Info, spare_count, 643);
ZD_RECORD_FIELD(_DG_Info, spare_ids, 644);
ZD_RECORD_FIELD(_DG_Info, bga_type, 660);
ZD_RECORD_FIELD(_DG_Info, bga_status, 662);

// Background-activity types ("VDBGAType") and statuses ("BGAStatus").
enum : uint16_t {
    ZD_BGA_NONE = 0,
    ZD_BGA_REBUILD = 1,
    ZD_BGA_CHECK_FIX = 2,
    ZD_BGA_CHECK_ONLY = 4,
    ZD_BGA_INIT_QUICK = 8,
    ZD_BGA_INIT_BACKGROUND = 16,
    ZD_BGA_MIGRATE = 32,
    ZD_BGA_MEDIA_PATROL = 512,
};

struct _DG_CONFIG {
    uint16_t id;
    uint8_t pd_cache;
    uint8_t reserved3;
    char name[16];
    uint8_t reserved20[12];
};
ZD_RECORD_SIZE(_DG_CONFIG, 32);
ZD_RECORD_FIELD(_DG_CONFIG, pd_cache, 2);
ZD_RECORD_FIELD(_DG_CONFIG, name, 4);

struct _BLOCK_INFO {
    uint16_t id;
    uint16_t hd_id;
    uint8_t reserved4[28];
};
ZD_RECORD_SIZE(_BLOCK_INFO, 32);
ZD_RECORD_FIELD(_BLOCK_INFO, hd_id, 2);

// ---- Parameter records of commands and conditions ----

enum : uint16_t {
    ZD_CREATE_MAX_DISKS = 128,
    ZD_REBUILD_MAX_DISKS = 160,
    ZD_DG_PARAM_MAX_DISKS = 192,
};

struct _CreateOrModify_DG_Param {
    uint16_t dg_id;  // 0xFFFF creates a new disk group
    uint8_t reserved2[2];
    char name[16];
    uint8_t raid_level;
    uint8_t raid_aux;
    uint8_t parity_count;
    uint8_t reserved23[7];
    uint16_t stripe_size;
    ZD_U64 size;
    uint32_t block_size;
    uint8_t init_type;
    uint8_t reserved45[2];
    uint8_t disk_count;
    uint16_t disk_ids[ZD_DG_PARAM_MAX_DISKS];
};
ZD_RECORD_SIZE(_CreateOrModify_DG_Param, 432);
ZD_RECORD_FIELD(_CreateOrModify_DG_Param, name, 4);
ZD_RECORD_FIELD(_CreateOrModify_DG_Param, raid_level, 20);
ZD_RECORD_FIELD(_CreateOrModify_DG_Param, raid_aux, 21);
ZD_RECORD_FIELD(_CreateOrModify_DG_Param, parity_count, 22);
ZD_RECORD_FIELD(_CreateOrModify_DG_Param, stripe_size, 30);
ZD_RECORD_FIELD(_CreateOrModify_DG_Param, size, 32);
ZD_RECORD_FIELD(_CreateOrModify_DG_Param, block_size, 40);
ZD_RECORD_FIELD(_CreateOrModify_DG_Param, init_type, 44);
ZD_RECORD_FIELD(_CreateOrModify_DG_Param, disk_count, 47);
ZD_RECORD_FIELD(_CreateOrModify_DG_Param, disk_ids, 48);

struct _CreateOrModify_VD_Param {
    uint16_t ld_id;  // 0xFFFF creates a new virtual disk
    uint16_t dg_id;
    char name[16];
    uint8_t raid_level;
    uint8_t fixed21;  // always 0
    uint8_t parity_count;
    uint8_t fixed23;  // always 0xFF
    uint8_t reserved24[6];
    uint16_t stripe_size;
    ZD_U64 size;
    uint8_t rounding_scheme;
    uint8_t fixed41;  // always 0
    uint8_t init_type;
    uint8_t reserved43;
    uint32_t block_size;
    uint8_t reserved48[256];
};
ZD_RECORD_SIZE(_CreateOrModify_VD_Param, 304);
ZD_RECORD_FIELD(_CreateOrModify_VD_Param, dg_id, 2);
ZD_RECORD_FIELD(_CreateOrModify_VD_Param, name, 4);
ZD_RECORD_FIELD(_CreateOrModify_VD_Param, raid_level, 20);
ZD_RECORD_FIELD(_CreateOrModify_VD_Param, fixed21, 21);
ZD_RECORD_FIELD(_CreateOrModify_VD_Param, parity_count, 22);
ZD_RECORD_FIELD(_CreateOrModify_VD_Param, fixed23, 23);
ZD_RECORD_FIELD(_CreateOrModify_VD_Param, stripe_size, 30);
ZD_RECORD_FIELD(_CreateOrModify_VD_Param, size, 32);
ZD_RECORD_FIELD(_CreateOrModify_VD_Param, rounding_scheme, 40);
ZD_RECORD_FIELD(_CreateOrModify_VD_Param, fixed41, 41);
ZD_RECORD_FIELD(_CreateOrModify_VD_Param, init_type, 42);
ZD_RECORD_FIELD(_CreateOrModify_VD_Param, block_size, 44);

struct _Create_PackageVD_Param {
    _CreateOrModify_VD_Param vd;
    _CreateOrModify_DG_Param dg;
};
ZD_RECORD_SIZE(_Create_PackageVD_Param, 736);
ZD_RECORD_FIELD(_Create_PackageVD_Param, dg, 304);

struct _Create_PackageVD_Param_Bridge {
    char name[16];
    uint8_t raid_level;
    uint8_t spare;
    uint16_t spare_disk_id;
    uint8_t disk_count;
    uint8_t reserved21;
    uint16_t disk_ids[ZD_CREATE_MAX_DISKS];
    uint16_t stripe_size;
    uint32_t block_size;
    uint8_t pd_cache;
    uint8_t init_type;
    uint8_t parity_count;
    uint8_t rounding_scheme;
};
ZD_RECORD_SIZE(_Create_PackageVD_Param_Bridge, 288);
ZD_RECORD_FIELD(_Create_PackageVD_Param_Bridge, raid_level, 16);
ZD_RECORD_FIELD(_Create_PackageVD_Param_Bridge, spare, 17);
ZD_RECORD_FIELD(_Create_PackageVD_Param_Bridge, spare_disk_id, 18);
ZD_RECORD_FIELD(_Create_PackageVD_Param_Bridge, disk_count, 20);
ZD_RECORD_FIELD(_Create_PackageVD_Param_Bridge, disk_ids, 22);
ZD_RECORD_FIELD(_Create_PackageVD_Param_Bridge, stripe_size, 278);
ZD_RECORD_FIELD(_Create_PackageVD_Param_Bridge, block_size, 280);
ZD_RECORD_FIELD(_Create_PackageVD_Param_Bridge, pd_cache, 284);
ZD_RECORD_FIELD(_Create_PackageVD_Param_Bridge, init_type, 285);
ZD_RECORD_FIELD(_Create_PackageVD_Param_Bridge, parity_count, 286);
ZD_RECORD_FIELD(_Create_PackageVD_Param_Bridge, rounding_scheme, 287);

// Argument of the migration rule check; never passed to the library.
struct _Migrate_DG_Param {
    uint8_t disk_count;
    uint8_t raid_level;
    uint8_t parity_count;
};
ZD_RECORD_SIZE(_Migrate_DG_Param, 3);
ZD_RECORD_FIELD(_Migrate_DG_Param, raid_level, 1);
ZD_RECORD_FIELD(_Migrate_DG_Param, parity_count, 2);

struct _Rebuild_Param {
    uint16_t dg_id;
    uint8_t rebuild_kind;  // always 2
    uint8_t disk_count;
    uint8_t reserved4[4];
    uint16_t disk_ids[ZD_REBUILD_MAX_DISKS];
};
ZD_RECORD_SIZE(_Rebuild_Param, 328);
ZD_RECORD_FIELD(_Rebuild_Param, rebuild_kind, 2);
ZD_RECORD_FIELD(_Rebuild_Param, disk_count, 3);
ZD_RECORD_FIELD(_Rebuild_Param, disk_ids, 8);

struct _PVD_CONFIG {
    _DG_CONFIG dg;
    _LD_Config ld;
};
ZD_RECORD_SIZE(_PVD_CONFIG, 56);
ZD_RECORD_FIELD(_PVD_CONFIG, ld, 32);

struct _BGACtrlData {
    uint32_t dg_level;  // 1: the activity belongs to the disk group
    uint16_t id;
    uint8_t action;
    uint8_t reserved7;
};
ZD_RECORD_SIZE(_BGACtrlData, 8);
ZD_RECORD_FIELD(_BGACtrlData, id, 4);
ZD_RECORD_FIELD(_BGACtrlData, action, 6);

// Action that stops (terminates) a background activity.
enum : uint8_t { ZD_BGA_ACTION_STOP = 7 };

struct _Kelto_Data {
    uint8_t type;
    uint8_t value;
    uint8_t id;
    uint8_t force;
};
ZD_RECORD_SIZE(_Kelto_Data, 4);
ZD_RECORD_FIELD(_Kelto_Data, force, 3);

struct _SetDSpareDate {
    uint16_t dg_id;
    uint16_t hd_id;
};
ZD_RECORD_SIZE(_SetDSpareDate, 4);
ZD_RECORD_FIELD(_SetDSpareDate, hd_id, 2);

enum : uint16_t { ZD_FW_PATH_SIZE = 512 };

struct _FwFileData {
    char path[ZD_FW_PATH_SIZE];
    uint8_t type;
    uint8_t padding;
    uint16_t deviceId;
    _Version_Info_CIM version;
};
ZD_RECORD_SIZE(_FwFileData, 524);
ZD_RECORD_FIELD(_FwFileData, type, 512);
ZD_RECORD_FIELD(_FwFileData, deviceId, 514);
ZD_RECORD_FIELD(_FwFileData, version, 516);

// ---- Events ----

enum : uint8_t { ZD_EVT_BATCH = 30, ZD_EVT_SENSE_MAX = 30 };

struct EventRecord {
    uint16_t evt_class;
    uint16_t code;
    uint32_t timestamp;
    uint16_t device_id;
    uint8_t severity;
    uint8_t reserved11;
    uint32_t sequence;
    uint32_t params[4];  // a deleted virtual disk's name in class 1 code 3
    uint8_t sense_length;
    uint8_t reserved33;
    uint8_t sense_data[ZD_EVT_SENSE_MAX];
};
ZD_RECORD_SIZE(EventRecord, 64);
ZD_RECORD_FIELD(EventRecord, code, 2);
ZD_RECORD_FIELD(EventRecord, timestamp, 4);
ZD_RECORD_FIELD(EventRecord, device_id, 8);
ZD_RECORD_FIELD(EventRecord, severity, 10);
ZD_RECORD_FIELD(EventRecord, sequence, 12);
ZD_RECORD_FIELD(EventRecord, params, 16);
ZD_RECORD_FIELD(EventRecord, sense_length, 32);
ZD_RECORD_FIELD(EventRecord, sense_data, 34);

// ---- Firmware flashing ----

enum : uint8_t { ZD_FLASH_IMAGE_FIRST = 3, ZD_FLASH_IMAGE_SECOND = 9, ZD_FLASH_BIN_CONSTANT = 15 };
enum : uint32_t { ZD_FLASH_PAGE_DATA = 32768 };

struct _Flash_PreData {
    uint8_t image_type;
    uint8_t reserved1[3];
    uint32_t file_length;
};
ZD_RECORD_SIZE(_Flash_PreData, 8);
ZD_RECORD_FIELD(_Flash_PreData, file_length, 4);

struct _Flash_Page {
    uint32_t data_length;
    uint16_t page_index;
    uint8_t last_page;
    uint8_t reserved7[5];
    uint8_t data[ZD_FLASH_PAGE_DATA];
};
ZD_RECORD_SIZE(_Flash_Page, 32780);
ZD_RECORD_FIELD(_Flash_Page, page_index, 4);
ZD_RECORD_FIELD(_Flash_Page, last_page, 6);
ZD_RECORD_FIELD(_Flash_Page, data, 12);

#undef ZD_RECORD_FIELD
#undef ZD_RECORD_SIZE
