#include "middle/Ranges.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

const char kNotFound[] = "<NotFound/>";

struct RangeEntry {
    uint32_t number;
    const char* text;
    bool isDefault;
};

struct RangeTable {
    const char* name;
    bool hexNumbers;  // "0x" and two upper-case hex digits instead of decimal
    std::vector<RangeEntry> entries;
};

// The tables in the order the map is built.
const std::vector<RangeTable>& rangeTables() {
    static const std::vector<RangeTable> tables = {
        {"VDCache", false, {{0, "Performance", true}, {1, "Protection", false}}},
        {"PDCache", false, {{1, "Enable", true}, {0, "Disable", false}}},
        {"InitType",
         false,
         {{0, "Quick", true}, {1, "ForeGround", false}, {2, "BackGround", false}, {3, "None", false}}},
        {"CheckType", false, {{0, "Check Only", false}, {1, "Check & Fix", false}}},
        {"VDBGAType",
         false,
         {{0, "None", false},
          {1, "Rebuild", false},
          {2, "Check & Fix", false},
          {4, "Check Only", false},
          {8, "Init Quick", false},
          {16, "Init BackGround", false},
          {32, "Migrate", false},
          {512, "Media Patrol", false}}},
        {"PDBGAType", false, {{0, "None", false}, {1, "Media Patrol", false}}},
        {"BGAStatus", false, {{0, "None", false}, {1, "Running", false}, {2, "Aborted", false}, {3, "Paused", false}}},
        {"BGAControl", false, {{1, "Restart", false}, {2, "Pause", false}, {3, "Resume", false}, {4, "Abort", false}}},
        {"VDStatus",
         false,
         {{0, "Functional but not initialized", false},
          {1, "Degrade", false},
          {4, "Offline", false},
          {5, "Partially Optimal", false},
          {6, "Foreign", false},
          {7, "Importable foreign", false},
          {8, "Not importable foreign", false},
          {11, "Conflicted", false},
          {12, "Plugin conflicted", false},
          {15, "Functional and initialized", false}}},
        {"PDStatus",
         false,
         {{1, "Free", false},
          {2, "Assigned", false},
          {5, "Global Spare (Free)", false},
          {6, "Global Spare (Assigned)", false},
          {9, "Offline (Free)", false},
          {10, "Offline (Assigned)", false},
          {16, "Smart Checking", false},
          {32, "Media Patrol", false},
          {34, "Media Patrol (Assigned)", false},
          {37, "Media Patrol (Spared)", false},
          {96, "Media Patrol (Dedicated Spare)", false},
          {65, "Dedicated Spare (Free)", false},
          {66, "Dedicated Spare (Assigned)", false},
          {96, "Media Patrol (Dedicated Spare)", false},
          {97, "Media Patrol (Dedicated Spare,Free)", false},
          {98, "Media Patrol (Dedicated Spare,Assigned)", false}}},
        {"FileType", false, {{3, "Firmware", false}}},
        {"EvtClass",
         false,
         {{0, "Adapter", false},
          {1, "VD", false},
          {2, "HD", false},
          {10, "Flash", false},
          {12, "Misc", false},
          {13, "Disk Array", false},
          {15, "OEM", false}}},
        {"EvtSeverity", false, {{2, "Info", false}, {3, "Warning", false}, {6, "Critical", false}}},
        {"ScheduleType",
         false,
         {{0, "Run Once", false}, {1, "Daily", false}, {2, "Weekly", false}, {3, "Monthly", false}}},
        {"Error",
         false,
         {{0, "No error", false},
          {1, "Failed", false},
          {4, "Resource not available", false},
          {5, "Data out of range", false},
          {6, "Invalid request", false},
          {7, "Invalid request parameter", false},
          {8, "Invalid virtual disk id", false},
          {9, "Invalid physical disk id", false},
          {10, "Invalid expander id", false},
          {11, "Invalid port multiplexer id", false},
          {12, "Invalid block disk id", false},
          {13, "Invalid adapter id", false},
          {14, "Invalid RAID mode", false},
          {19, "Not supported", false},
          {51, "Target physical disk is part of the virtual disk and is functional", false},
          {31, "Failed to pass command because target is busy", false},
          {52, "Target size should no less than source", false},
          {53, "Specified physical disk is not a spare drive", false},
          {54, "Specified physical disk  is a spare driv", false},
          {55, "Specified physical disk doesn't exist", false},
          {56, "HD is assigned already", false},
          {57, "Number of physical disks doesn't fit the specified RAID level", false},
          {58, "Virtual disk is not ready to receive command", false},
          {59, "Specified virtual disk doesn't exist", false},
          {60, "Specified virtual disk is functional", false},
          {61, "Virtual disk is currently having BGA", false},
          {62, "Virtual disk has not BGA", false},
          {63, "BGA is running", false},
          {64, "Internal error, no virtual disk id available", false},
          {65, "Can not create virtual disk with ATAPI drive", false},
          {66, "Invalid RAID6 parity disk count", false},
          {67, "Invalid block size", false},
          {68, "Migration is not necessary", false},
          {69, "Stripe block size mismatch", false},
          {70, "Migration is not supported", false},
          {71, "Virtual disk is not fully initialized", false},
          {72, "Virtual disk name is invalid", false},
          {73, "Physical disks are not of the same type", false},
          {74, "Physical disks are not of the same block size", false},
          {81, "Another array is currently doing migration. Only one migration is allowed at any time", false},
          {82, "Array is currently having BGA", false},
          {88, "Media Patrol is running", false},
          {151, "Adapter id and device id doesn't match", false},
          {152, "Invalid physical disk count", false},
          {153, "Invalid BGA action", false},
          {154, "Specified physical disks are on different adapter", false},
          {155, "Invalid flash type", false},
          {156, "Invalid flash action", false},
          {158, "Virtual disk has running OS in it", false},
          {159, "Disk has running OS in it", false},
          {181, "Device is busy", false},
          {185, "Invalid flash descriptor data", false},
          {188, "Raid allows one media patrol only", false},
          {189, "target spare disk is using", false}}},
        {"DeviceType",
         true,
         {{0x00, "DIRECT_ACCESS_BLOCK", false},
          {0x01, "SEQ_ACCESS", false},
          {0x02, "PRINTER", false},
          {0x03, "PROCESSOR", false},
          {0x04, "WRITE_ONCE", false},
          {0x05, "CD_DVD", false},
          {0x07, "OPTICAL_MEMORY", false},
          {0x08, "MEDIA_CHANGER", false},
          {0x0C, "STORAGE_ARRAY_CTRL", false}}},
        {"PDFeature",
         false,
         {{1, "NCQ", false},
          {2, "TCQ", false},
          {4, "1.5G", false},
          {8, "3G", false},
          {16, "Write Cache", false},
          {32, "48Bits", false},
          {64, "SMART", false},
          {128, "6G", false},
          {1024, "12G", false}}},
        {"RAID",
         false,
         {{0, "RAID 0", false},
          {1, "RAID 1", false},
          {16, "RAID 10", false},
          {17, "RAID 1E", false},
          {5, "RAID 5", false},
          {6, "RAID 6", false},
          {80, "RAID 50", false},
          {96, "RAID 60", false}}},
        {"StripeSize",
         false,
         {{16, "16 K", false},
          {32, "32 K", false},
          {64, "64 K", true},
          {128, "128 K", false},
          {256, "256 K", false},
          {512, "512 K", false},
          {1024, "1024 K", false}}},
        {"OEMType",
         false,
         {{2, "RAID Status", false},
          {3, "Drive Status", false},
          {6, "Fan Status", false},
          {8, "User Request", false},
          {9, "NXP Version", false},
          {12, "Buzzer Status", false},
          {13, "Buzzer Ringing", false}}},
        {"OEMValue",
         false,
         {{0, "User Req Low Power", false},
          {1, "User Req Buzz Off", false},
          {2, "User Req Identify", false},
          {10, "User Req Alarm", false}}},
        {"AdapterLinkType", false, {{0, "TB", false}, {1, "USB", false}}},
        {"ScheduleStatus", false, {{0, "notstart", false}, {2, "run", false}}},
        {"RoundingScheme", false, {{0, "none", false}, {1, "1G", false}, {2, "10G", false}}},
    };
    return tables;
}

std::string enumText(uint32_t number, bool hex) {
    if (!hex) return std::to_string(number);
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(number));
    return text;
}

// <Name><Item><Enum>n</Enum><String>text</String></Item>...</Name>, written
// as is (the texts are not escaped).
std::string tableText(const RangeTable& table) {
    std::string text = std::string("<") + table.name + ">";
    for (const RangeEntry& entry : table.entries) {
        text += entry.isDefault ? "<Item default= 'true'>" : "<Item>";
        text += "<Enum>" + enumText(entry.number, table.hexNumbers) + "</Enum>";
        text += std::string("<String>") + entry.text + "</String></Item>";
    }
    return text + "</" + table.name + ">";
}

// The texts of all tables, in table order, built once and kept for the
// life of the library.
const std::vector<std::string>& rangeTexts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> built;
        for (const RangeTable& table : rangeTables()) built.push_back(tableText(table));
        return built;
    }();
    return texts;
}

}  // namespace

Ranges::Ranges() {
    const std::vector<RangeTable>& tables = rangeTables();
    const std::vector<std::string>& texts = rangeTexts();
    for (size_t i = 0; i < tables.size(); ++i) m_tables.emplace(tables[i].name, texts[i].c_str());
}

const char* Ranges::getData(const std::string& name) const {
    auto found = m_tables.find(name);
    return found == m_tables.end() ? kNotFound : found->second;
}
