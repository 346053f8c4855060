#include "sim/Disk.h"

#include "api/records/RecordText.h"

namespace {

_SMART_ENTRY entry(uint8_t id, const char* name, uint8_t flags, uint8_t current, uint8_t worst,
                   uint8_t threshold, uint16_t raw) {
    _SMART_ENTRY e{};
    e.attribute_id = id;
    setRecordText(e.attribute_name, sizeof(e.attribute_name), name);
    e.status_flags = flags;
    e.current_value = current;
    e.worst_value = worst;
    e.threshold_value = threshold;
    e.raw_value0 = static_cast<uint8_t>(raw);
    e.raw_value1 = static_cast<uint8_t>(raw >> 8);
    return e;
}

}  // namespace

std::vector<_SMART_ENTRY> defaultSmartTable(uint16_t seed) {
    uint16_t hours = static_cast<uint16_t>(8760 + seed * 137);
    uint8_t temperature = static_cast<uint8_t>(33 + seed % 7);
    return {
        entry(1, "Raw_Read_Error_Rate", 0x0B, 100, 100, 16, 0),
        entry(2, "Throughput_Performance", 0x05, 134, 134, 54, 96),
        entry(3, "Spin_Up_Time", 0x07, 151, 151, 24, static_cast<uint16_t>(412 + seed)),
        entry(4, "Start_Stop_Count", 0x12, 100, 100, 0, static_cast<uint16_t>(41 + seed)),
        entry(5, "Reallocated_Sector_Ct", 0x33, 100, 100, 5, 0),
        entry(7, "Seek_Error_Rate", 0x0B, 100, 100, 67, 0),
        entry(8, "Seek_Time_Performance", 0x05, 128, 128, 20, 18),
        entry(9, "Power_On_Hours", 0x12, 99, 99, 0, hours),
        entry(10, "Spin_Retry_Count", 0x13, 100, 100, 60, 0),
        entry(12, "Power_Cycle_Count", 0x32, 100, 100, 0, static_cast<uint16_t>(39 + seed)),
        entry(192, "Power-Off_Retract_Count", 0x32, 100, 100, 0, static_cast<uint16_t>(52 + seed)),
        entry(193, "Load_Cycle_Count", 0x12, 100, 100, 0, static_cast<uint16_t>(52 + seed)),
        entry(194, "Temperature_Celsius", 0x02, static_cast<uint8_t>(200 - temperature * 2), 157, 0,
              temperature),
        entry(196, "Reallocated_Event_Count", 0x32, 100, 100, 0, 0),
        entry(197, "Current_Pending_Sector", 0x22, 100, 100, 0, 0),
        entry(198, "Offline_Uncorrectable", 0x08, 100, 100, 0, 0),
        entry(199, "UDMA_CRC_Error_Count", 0x0A, 200, 200, 0, 0),
    };
}
