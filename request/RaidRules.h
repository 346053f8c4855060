// The RAID rules shared by array creation and migration.
//
// RAID_MODE_MAP ranks a level for migrations (a migration may not lower the
// rank); valid_raid_mode answers 0 for the levels an array can have and 14
// ("Invalid RAID mode") otherwise; check_migration_para answers 57 when the
// disk count does not fit the level, else 0.
#pragma once

#include <cstdint>

#include "api/records/Records.h"

// RAID level values ("RAID" table).
namespace raid_level {
constexpr uint8_t kRaid0 = 0;
constexpr uint8_t kRaid1 = 1;
constexpr uint8_t kRaid5 = 5;
constexpr uint8_t kRaid6 = 6;
constexpr uint8_t kRaid15 = 15;
constexpr uint8_t kRaid10 = 16;
constexpr uint8_t kRaid1E = 17;
constexpr uint8_t kRaid50 = 80;
constexpr uint8_t kRaid60 = 96;
constexpr uint8_t kRaid102 = 102;
}  // namespace raid_level

uint8_t RAID_MODE_MAP(uint8_t raidLevel);
uint8_t valid_raid_mode(uint8_t raidLevel);
uint8_t check_migration_para(const _Migrate_DG_Param& param);
