// One physical disk of a simulated adapter: identity, size, settings, its
// role in the adapter's arrays and its health. The "PDStatus" value shown to
// the bridge is derived from role, health and any media patrol
// (AdapterModel::diskStatus), unless a test forced one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "api/records/Records.h"

enum class DiskRole : uint8_t { Free = 0, Member = 1, GlobalSpare = 2, DedicatedSpare = 3 };

struct Disk {
    uint16_t id = 0;
    uint64_t sectors = 0;
    uint32_t blockSize = 512;
    uint8_t deviceType = 0;
    uint32_t featureBits = 0;
    std::string model;     // up to 40 bytes
    std::string serial;    // up to 20 bytes
    std::string firmware;  // up to 8 bytes
    uint8_t pdCache = 1;
    uint8_t currentSpeed = 3;
    uint16_t parentId = 0;
    uint8_t parentDeviceType = 0x0C;
    uint8_t parentPort = 0;

    DiskRole role = DiskRole::Free;
    uint16_t dg = ZD_EMPTY_ID;  // disk group of a member or dedicated spare
    bool offline = false;       // failed
    bool present = true;        // false while pulled
    int forcedStatus = -1;      // a "PDStatus" set by a test, until the role changes

    std::vector<_SMART_ENTRY> smart;

    bool usable() const { return present && !offline; }
    void setRole(DiskRole newRole, uint16_t group = ZD_EMPTY_ID) {
        role = newRole;
        dg = group;
        forcedStatus = -1;
    }
};

// A plausible SMART table for a healthy disk; seed varies the counters.
std::vector<_SMART_ENTRY> defaultSmartTable(uint16_t seed);
