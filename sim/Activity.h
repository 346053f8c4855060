// One background activity of a simulated adapter: an initialisation or a
// consistency check of a virtual disk, a rebuild or a migration of a disk
// group, or a media patrol of a disk. It progresses while running, by the
// simulated milliseconds that pass, until done reaches its duration. An
// aborted activity stays listed (status "Aborted") until its owner starts
// another one.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

enum class ActivityKind : uint8_t { Init = 0, Check = 1, Rebuild = 2, Migrate = 3, MediaPatrol = 4 };
enum class ActivityState : uint8_t { Running = 1, Aborted = 2, Paused = 3 };

struct MigrationTarget {
    uint8_t sourceLevel = 0;  // the group's level before the migration
    uint8_t raidLevel = 0;
    uint8_t parity = 0;
    uint64_t totalSize = 0;
    std::vector<uint16_t> members;
    std::map<uint16_t, uint64_t> vdSizes;                // vd id -> size after migration
    std::map<uint16_t, std::vector<uint16_t>> vdBlocks;  // vd id -> target block ids
};

struct Activity {
    ActivityKind kind = ActivityKind::Init;
    uint16_t owner = 0;    // vd id (Init, Check), dg id (Rebuild, Migrate), disk id (MediaPatrol)
    uint16_t bgaType = 0;  // "VDBGAType" value shown for it
    ActivityState state = ActivityState::Running;
    uint64_t durationMs = 1;
    double doneMs = 0;
    uint64_t lastMs = 0;  // clock time of the last progress update
    bool fix = false;     // consistency check that repairs
    MigrationTarget target;

    bool active() const { return state != ActivityState::Aborted; }
    uint16_t percentage() const {
        double p = doneMs * 100.0 / static_cast<double>(durationMs);
        return static_cast<uint16_t>(p >= 99.0 ? 99 : p);
    }
    bool dgLevel() const { return kind == ActivityKind::Rebuild || kind == ActivityKind::Migrate; }
};
