#include "request/RaidRules.h"

#include "request/ResultCodes.h"

namespace {
constexpr uint8_t kDiskCountMismatch = 57;
}  // namespace

uint8_t RAID_MODE_MAP(uint8_t raidLevel) {
    switch (raidLevel) {
        case raid_level::kRaid0:
        case raid_level::kRaid15:
        case raid_level::kRaid102:
            return 0;
        case raid_level::kRaid1:
        case raid_level::kRaid10:
        case raid_level::kRaid1E:
            return 1;
        case raid_level::kRaid5:
            return 5;
        case raid_level::kRaid50:
            return 6;
        case raid_level::kRaid6:
            return 7;
        case raid_level::kRaid60:
            return 8;
        default:
            return raidLevel;
    }
}

uint8_t valid_raid_mode(uint8_t raidLevel) {
    switch (raidLevel) {
        case raid_level::kRaid0:
        case raid_level::kRaid1:
        case raid_level::kRaid5:
        case raid_level::kRaid6:
        case raid_level::kRaid10:
        case raid_level::kRaid50:
        case raid_level::kRaid60:
        case raid_level::kRaid15:
        case raid_level::kRaid102:
            return 0;
        default:
            return result::kInvalidRaidMode;
    }
}

uint8_t check_migration_para(const _Migrate_DG_Param& param) {
    const unsigned disks = param.disk_count;
    const bool odd = (disks % 2) != 0;
    bool fits = true;
    switch (param.raid_level) {
        case raid_level::kRaid0:
            fits = disks >= 2;
            break;
        case raid_level::kRaid1:
            fits = disks == 2;
            break;
        case raid_level::kRaid5:
            fits = disks >= 3;
            break;
        case raid_level::kRaid6:
            fits = disks >= param.parity_count;
            break;
        case raid_level::kRaid10:
            fits = disks >= 4 && !odd;
            break;
        case raid_level::kRaid50:
            fits = disks >= 6 && !odd;
            break;
        case raid_level::kRaid60:
            fits = disks >= param.parity_count && !odd;
            break;
        default:
            break;
    }
    return fits ? 0 : kDiskCountMismatch;
}
