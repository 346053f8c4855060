// RAID level rules of the simulated adapter: which levels the adapter's
// raid_mode_mask offers, how many disks and parity disks each level takes,
// the capacity of a disk group and how many member failures it survives.
// Levels are the "RAID" codes: 0, 1, 16 (RAID 10), 17 (RAID 1E), 5, 6,
// 80 (RAID 50, two legs) and 96 (RAID 60, two legs). Sizes are sectors.
#pragma once

#include <cstdint>

namespace raid {

enum Level : uint8_t {
    kRaid0 = 0,
    kRaid1 = 1,
    kRaid5 = 5,
    kRaid6 = 6,
    kRaid10 = 16,
    kRaid1E = 17,
    kRaid50 = 80,
    kRaid60 = 96,
};

// True when the adapter's raid_mode_mask offers the level.
bool supported(uint8_t level, uint16_t raidModeMask);
// Parity disks the level uses when the request gives none (RAID 6/60: 2).
uint8_t effectiveParity(uint8_t level, uint8_t requestedParity);
// 0, 66 (bad parity count for RAID 6/60) or 57 (disk count does not fit).
uint8_t checkLayout(uint8_t level, uint8_t parity, uint8_t maxParity, unsigned diskCount);
// Capacity of n disks of at least smallest sectors each; 0 for a bad layout.
uint64_t capacity(uint8_t level, uint8_t parity, unsigned diskCount, uint64_t smallest);
// Member failures the level survives without going offline.
unsigned redundancy(uint8_t level, uint8_t parity);

}  // namespace raid
