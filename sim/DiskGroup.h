// A disk group of a simulated adapter: RAID layout, member disks in slot
// order, the virtual disks built on it (in its 32 slots) and its settings.
// Dedicated spares are disks whose role names the group; capacity in
// sectors.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

struct DiskGroup {
    uint16_t id = 0;
    std::string name;
    uint8_t raidLevel = 0;
    uint8_t raidAux = 0;
    uint8_t parity = 0;
    uint16_t stripeSize = 64;
    uint32_t blockSize = 512;
    uint64_t totalSize = 0;
    uint8_t pdCache = 1;
    std::vector<uint16_t> members;  // disk ids by slot
    std::set<uint16_t> rebuilding;  // members still being rebuilt
    std::vector<uint16_t> vds;      // virtual disk ids by slot
};
