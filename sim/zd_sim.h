/* Control interface of the controller simulator (libzd_api.so).
 *
 * Not part of the controller ABI: tests, benchmarks and the command-line
 * front end use it to shape the simulated enclosure, to drive its clock, to
 * inject faults and to see which controller calls the bridge made. Every
 * function is thread-safe. Functions answering int return 0 on success and
 * -1 for an unknown adapter, disk or field, unless said otherwise.
 *
 * The enclosure and its clock are shared by every process that uses the same
 * state file (ZD_SIM_STATE): a function that changes them commits the change
 * to the file before it returns, as a controller call does, and answers
 * ZDSIM_NOT_SAVED when the change could not be committed (it is then
 * undone, and the reason is on stderr). Injected statuses, the page delay
 * and the call record belong to the calling process alone.
 */
#ifndef ZD_SIM_H
#define ZD_SIM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A change that could not be committed to the state file. */
#define ZDSIM_NOT_SAVED (-2)

#if defined(ZD_API_BUILD)
#define ZDSIM_EXPORT __attribute__((visibility("default")))
#else
#define ZDSIM_EXPORT
#endif

/* ---- state ---- */

/* Back to the built-in enclosure (adapter 0 over Thunderbolt with eight
 * 4 TB disks, RAID 5 "Data" on disks 0-3, disk 4 global spare, 5-7 free;
 * adapter 1 over USB with four 2 TB disks, RAID 1 "Mirror" on disks 0-1).
 * Also clears injected statuses, the call record and the event queues, and
 * switches to the manual clock at time 0. With a state file, the reset
 * enclosure and clock are committed to it. */
ZDSIM_EXPORT int zdsim_reset(void);
/* An enclosure of `adapters` adapters (1 to 8), each with no disks. */
ZDSIM_EXPORT int zdsim_reset_empty(uint8_t adapters);

/* ---- clock ---- */

/* Manual clock: activities progress only through zdsim_advance_ms. The
 * wall clock (the default) runs at the speed ZD_SIM_TIME_SCALE sets. */
ZDSIM_EXPORT int zdsim_use_manual_clock(int manual);
ZDSIM_EXPORT int zdsim_advance_ms(uint64_t ms);

/* ---- shaping the enclosure ---- */

/* Adds an adapter; answers its index or -1 when 8 exist. link_type 0 TB, 1 USB. */
ZDSIM_EXPORT int zdsim_add_adapter(uint8_t link_type);
/* Removes the adapter; later adapters move down one index (seen by the
 * controller library only after ZD_API_RescanAdapter, like a real unplug). */
ZDSIM_EXPORT int zdsim_remove_adapter(uint8_t adapter);

/* Sets one adapter property by name. Names: the numeric fields of
 * _Adapter_Info ("vendor_id", "sub_vendor_id", "device_id", "sub_device_id",
 * "port_count", "revision", "stripe_size_mask", "max_parity_disks",
 * "max_pd_small", "raid_mode_mask", "max_pd", "max_buffer_kb",
 * "AdvancedFeatures2"), of _Adapter_Config_V2 ("alarm_on", "auto_rebuild",
 * "smart_polling", "disk_check_speed", "copy_back", "sync_speed",
 * "init_speed", "rebuild_speed", "migrate_speed"), and of the enclosure
 * ("link_type", "support_bits", "buzzer_status", "buzzer_ringing",
 * "nxp_version" as 0xAABBCCDD for A.B.C.D, 0 = none). */
ZDSIM_EXPORT int zdsim_set_adapter_value(uint8_t adapter, const char* name, uint64_t value);
/* Text properties: "serial_number" (up to 20 bytes, no NUL needed), "alias". */
ZDSIM_EXPORT int zdsim_set_adapter_text(uint8_t adapter, const char* name, const char* text);

/* Adds a free disk of `sectors` 512-byte sectors; answers its id or -1. */
ZDSIM_EXPORT int zdsim_add_disk(uint8_t adapter, uint64_t sectors);
/* Disk properties: "block_size", "device_type", "feature_bits", "status"
 * (a "PDStatus" value, forced), "pd_cache", "current_speed", "parent_id",
 * "parent_device_type", "parent_port". */
ZDSIM_EXPORT int zdsim_set_disk_value(uint8_t adapter, uint16_t hd, const char* name, uint64_t value);
/* "model" (40 bytes), "serial_number" (20), "firmware_revision" (8); the
 * text fills the field as given, without a NUL when it is full width. */
ZDSIM_EXPORT int zdsim_set_disk_text(uint8_t adapter, uint16_t hd, const char* name, const char* text);
/* Replaces the disk's SMART table with `count` entries (0 to 30). */
ZDSIM_EXPORT int zdsim_set_smart(uint8_t adapter, uint16_t hd, const void* entries /* _SMART_ENTRY[] */,
                                 uint16_t count);

/* ---- faults ---- */

ZDSIM_EXPORT int zdsim_fail_disk(uint8_t adapter, uint16_t hd);   /* disk goes offline */
ZDSIM_EXPORT int zdsim_pull_disk(uint8_t adapter, uint16_t hd);   /* disk disappears */
ZDSIM_EXPORT int zdsim_insert_disk(uint8_t adapter, uint16_t hd); /* a pulled disk comes back free */
/* The virtual disk of disk group `dg` gets `stripes` stripes whose
 * redundancy does not match their data (0 makes it consistent again). The
 * next consistency check counts them in its completion event; a check and
 * fix, or an initialisation, repairs them. -1 for a group without one. */
ZDSIM_EXPORT int zdsim_set_inconsistent_stripes(uint8_t adapter, uint16_t dg, uint32_t stripes);

/* The named ABI function (e.g. "ZD_LD_Delete") answers `status` instead of
 * doing its work, for the next `times` calls (times < 0: always; times 0
 * removes the injection). */
ZDSIM_EXPORT void zdsim_inject_status(const char* function, uint8_t status, int times);
ZDSIM_EXPORT void zdsim_clear_injections(void);

/* ---- events ---- */

/* Queues a raw 64-byte EventRecord as given (its sequence is kept). */
ZDSIM_EXPORT int zdsim_queue_event(uint8_t adapter, const void* record);
ZDSIM_EXPORT int zdsim_clear_events(uint8_t adapter);

/* ---- firmware ---- */

/* Writes a valid simulator firmware image file. */
ZDSIM_EXPORT int zdsim_write_image(const char* path, uint8_t type, uint16_t device_id, uint16_t v1, uint16_t v2,
                                   uint16_t v3, uint16_t v4, uint32_t payload_bytes);
/* Delay applied to every ZD_Flash_Bin page, in milliseconds (default 0). */
ZDSIM_EXPORT void zdsim_set_page_delay_ms(uint32_t ms);

/* ---- call record ---- */

/* Every ABI call is recorded, in order, as one line: the function name and
 * its scalar arguments in decimal, separated by single spaces, e.g.
 * "ZD_LD_Delete 0 1 1". Record arguments are not in the line; their bytes
 * as the call received them are kept per function (zdsim_last_record). */
ZDSIM_EXPORT void zdsim_clear_calls(void);
/* Copies the newline-separated call lines (NUL-terminated, cut to cap);
 * answers the full length needed. */
ZDSIM_EXPORT size_t zdsim_calls(char* out, size_t cap);
/* Time spent inside controller calls since the last clear, in nanoseconds
 * (page delays included). */
ZDSIM_EXPORT uint64_t zdsim_call_time_ns(void);
/* Number of recorded calls of one function since the last clear. */
ZDSIM_EXPORT uint32_t zdsim_call_count(const char* function);
/* Copies the record bytes the last call of `function` received (before the
 * simulator wrote any answer into it); answers their size, 0 if none. */
ZDSIM_EXPORT size_t zdsim_last_record(const char* function, void* out, size_t cap);

#ifdef __cplusplus
}
#endif

#endif /* ZD_SIM_H */
