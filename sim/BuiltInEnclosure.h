// The simulator's built-in enclosure, used by the demo and as the test
// fixture: adapter 0 over Thunderbolt with eight 4 TB disks, a RAID 5
// package VD "Data" on disks 0-3 (initialised), disk 4 a global spare and
// disks 5-7 free; adapter 1 over USB with four 2 TB disks and a RAID 1
// package VD "Mirror" on disks 0-1. Also the bare adapter that
// zdsim_add_adapter and zdsim_reset_empty start from.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/AdapterModel.h"

namespace builtin {

constexpr uint64_t kSectors4TB = 7814037168ull;
constexpr uint64_t kSectors2TB = 3907029168ull;

// A bare adapter (no disks) of the given link type; index shapes its serial.
std::shared_ptr<AdapterModel> bareAdapter(const SimClock* clock, uint8_t linkType, unsigned index);
std::vector<std::shared_ptr<AdapterModel>> enclosure(const SimClock* clock);
// Adds a free disk with generated identity texts and SMART table.
uint16_t addDisk(AdapterModel& adapter, uint64_t sectors);

}  // namespace builtin
