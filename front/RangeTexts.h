// RangeTexts: display texts of the bridge's enumeration tables.
//
// Every table is fetched from the bridge with getRange the first time it is
// needed and kept for the rest of the run; zdctl holds no copy of its own.
// A number that the table does not list (or a table that the bridge does
// not know) is shown as the number itself.
//
//   ranges.text("VDStatus", 15)   -> "Functional and initialized"
//   ranges.lookup("RAID", "raid5") -> 5
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zdfront {

class BridgeClient;

class RangeTexts {
public:
    struct Entry {
        uint64_t number = 0;
        std::string numberText;  // as the table writes it ("0x0C" in "DeviceType")
        std::string text;
        bool isDefault = false;
    };

    explicit RangeTexts(const BridgeClient& bridge) : m_bridge(bridge) {}

    // Entries in table order; empty when the bridge does not know the table.
    const std::vector<Entry>& entries(const std::string& table);
    bool exists(const std::string& table) { return !entries(table).empty(); }

    std::string text(const std::string& table, uint64_t number);
    // The number's text when the field holds a number, else the field as given.
    std::string text(const std::string& table, const std::string& numberText);
    // Names of the set bits of a flag table ("NCQ, SMART"), "-" for none.
    std::string flags(const std::string& table, uint64_t value);
    // A user's word: a display text (case and blanks ignored) or a listed number.
    std::optional<uint64_t> lookup(const std::string& table, const std::string& word);
    std::optional<uint64_t> defaultNumber(const std::string& table);
    // Display texts joined for help and error messages.
    std::string choices(const std::string& table);

private:
    const BridgeClient& m_bridge;
    std::map<std::string, std::vector<Entry>> m_tables;
};

}  // namespace zdfront
