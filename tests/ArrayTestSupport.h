// Helpers shared by the array command and target tests: a loaded bridge with
// api_data logging and no rescan pause, the simulator's call record as lines,
// the record bytes a controller call received, and direct reads of the
// simulated adapter's records (through the controller ABI, not the bridge).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "api/records/Records.h"
#include "api/zd_api.h"
#include "support/TestSupport.h"

namespace arraytest {

// Adapter 0: RAID 5 "Data" on disks 0-3, global spare 4, free disks 5-7.
constexpr uint8_t kTbAdapter = 0;
// Adapter 1 (USB): RAID 1 "Mirror" on disks 0-1, free disks 2-3.
constexpr uint8_t kUsbAdapter = 1;

// Every controller call since the last zdsim_clear_calls, one line each.
inline std::vector<std::string> calls() { return zdtest::simCalls(); }

// The calls that change something: every read ("Get" in the name) left out.
inline std::vector<std::string> actions() {
    std::vector<std::string> result;
    for (const std::string& line : calls()) {
        std::string name = line.substr(0, line.find(' '));
        if (name.find("Get") == std::string::npos && name.find("GET") == std::string::npos)
            result.push_back(line);
    }
    return result;
}

// The record the last call of `function` received.
template <typename T>
T lastRecord(const char* function) {
    T record;
    std::memset(&record, 0, sizeof(record));
    size_t size = zdsim_last_record(function, &record, sizeof(record));
    EXPECT_EQ(size, sizeof(T)) << function;
    return record;
}

template <typename T>
std::string bytesOf(const T& record) {
    return std::string(reinterpret_cast<const char*>(&record), sizeof(record));
}

// Reads the records of a list operation directly from the simulator.
template <typename T>
std::vector<T> readAll(uint8_t (*read)(uint8_t, void*), uint8_t adapter) {
    std::vector<T> records;
    std::vector<uint8_t> buffer(sizeof(_Request_Header) + 32 * sizeof(T));
    uint16_t start = 0;
    for (int guard = 0; guard < 64; ++guard) {
        std::fill(buffer.begin(), buffer.end(), 0);
        auto* header = reinterpret_cast<_Request_Header*>(buffer.data());
        header->request_type = ZD_REQUEST_RANGE;
        header->start_id = start;
        header->requested_count = 32;
        header->next_start_id = ZD_NO_MORE_RECORDS;
        if (read(adapter, buffer.data()) != 0) break;
        const T* first = reinterpret_cast<const T*>(buffer.data() + sizeof(_Request_Header));
        records.insert(records.end(), first, first + header->returned_count);
        if (header->next_start_id == ZD_NO_MORE_RECORDS) break;
        start = header->next_start_id;
    }
    return records;
}

inline bool findGroup(uint8_t adapter, const std::string& name, _DG_Info& out) {
    for (const _DG_Info& group : readAll<_DG_Info>(ZD_DG_GetInfo, adapter)) {
        if (std::string(group.name, strnlen(group.name, sizeof(group.name))) == name) {
            out = group;
            return true;
        }
    }
    return false;
}

inline bool findGroupById(uint8_t adapter, uint16_t id, _DG_Info& out) {
    for (const _DG_Info& group : readAll<_DG_Info>(ZD_DG_GetInfo, adapter)) {
        if (group.id == id) {
            out = group;
            return true;
        }
    }
    return false;
}

inline uint64_t diskSize(uint8_t adapter, uint16_t id) {
    for (const _HD_Info& disk : readAll<_HD_Info>(ZD_PD_GetHDInfo, adapter))
        if (disk.id == id) return zdU64Value(disk.size);
    return 0;
}

// The bridge loaded as a front end loads it, with api_data lines logged.
class ArrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The USB rescan must not pause the tests.
        setenv("ZDBRIDGE_RESCAN_DELAY_MS", "0", 1);
        zdtest::BridgeOptions options;
        options.logConfig = "api_data=1\n";
        bridge = std::make_unique<zdtest::LoadedBridge>(options);
        zdsim_clear_calls();
    }
    void TearDown() override {
        bridge.reset();
        unsetenv("ZDBRIDGE_RESCAN_DELAY_MS");
    }

    unsigned char command(const std::string& request) { return bridge->command(request); }
    std::string condition(const std::string& request) { return bridge->condition(request); }
    std::string log() const { return zdtest::readFile(bridge->logFile()); }
    void select(uint8_t adapter) { bridge->selectAdapter(std::to_string(adapter).c_str()); }

    std::unique_ptr<zdtest::LoadedBridge> bridge;
};

// "<Disks><ID>a</ID>...</Disks>"
inline std::string disksXml(const std::vector<unsigned>& ids) {
    std::string xml = "<Disks>";
    for (unsigned id : ids) xml += "<ID>" + std::to_string(id) + "</ID>";
    return xml + "</Disks>";
}

inline std::vector<unsigned> repeated(unsigned id, size_t count) { return std::vector<unsigned>(count, id); }

}  // namespace arraytest
