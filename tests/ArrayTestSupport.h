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

#include "SimTestHelpers.h"
#include "api/records/Records.h"

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

using simtest::readAll;

inline bool findGroup(uint8_t adapter, const std::string& name, _DG_Info& out) {
    for (const _DG_Info& group : readAll<_DG_Info>(ZD_DG_GetInfo, adapter)) {
        if (recordText(group.name, sizeof(group.name)) == name) {
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
        bridge = std::make_unique<zdtest::LoadedBridge>(zdtest::BridgeOptions{true, "api_data=1\n"});
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

// The same, with the RAID 5 "Data" of adapter 0 found: its record, its id and its virtual disk's id as texts.
class DataArrayTest : public ArrayTest {
protected:
    void SetUp() override {
        ArrayTest::SetUp();
        ASSERT_TRUE(findGroup(kTbAdapter, "Data", data));
        id = std::to_string(data.id);
        vd = std::to_string(data.ld_ids[0]);
        zdsim_clear_calls();
    }

    _DG_Info data;
    std::string id;
    std::string vd;
};

// "<Disks><ID>a</ID>...</Disks>"
inline std::string disksXml(const std::vector<unsigned>& ids) {
    std::string xml = "<Disks>";
    for (unsigned id : ids) xml += "<ID>" + std::to_string(id) + "</ID>";
    return xml + "</Disks>";
}

inline std::vector<unsigned> repeated(unsigned id, size_t count) { return std::vector<unsigned>(count, id); }

}  // namespace arraytest
