// A virtual disk of a simulated adapter, built on one disk group. Its RAID
// level and members are the group's; its blocks (one per member disk) are
// _BLOCK_INFO records of the adapter. Sizes in sectors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct VirtualDisk {
    uint16_t id = 0;
    uint16_t dg = 0;
    std::string name;
    uint8_t cachePolicy = 0;
    uint16_t stripeSize = 64;
    uint64_t size = 0;
    bool initialized = false;
    // Stripes whose redundancy does not match their data: a consistency
    // check counts them, a check and fix repairs them.
    uint32_t inconsistentStripes = 0;
    std::vector<uint16_t> blocks;
};
