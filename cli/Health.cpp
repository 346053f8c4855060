#include "cli/Health.h"

namespace zdctl::Health {

namespace {

// "VDStatus" values.
constexpr uint64_t kDegrade = 1;
constexpr uint64_t kOffline = 4;
constexpr uint64_t kPartiallyOptimal = 5;
constexpr uint64_t kNotInitialized = 0;
constexpr uint64_t kInitialized = 15;

// "PDStatus" values and bits.
constexpr uint64_t kOfflineFree = 9;
constexpr uint64_t kOfflineAssigned = 10;
constexpr uint64_t kSpareBit = 0x04;
constexpr uint64_t kDedicatedBit = 0x40;

}  // namespace

bool arrayUnhealthy(uint64_t vdStatus)
{
    return vdStatus == kDegrade || vdStatus == kOffline || vdStatus == kPartiallyOptimal;
}

Color arrayColor(uint64_t vdStatus)
{
    if (vdStatus == kOffline) return Color::Red;
    if (vdStatus == kInitialized) return Color::Green;
    if (vdStatus == kNotInitialized) return Color::None;
    return Color::Yellow;
}

bool diskFailed(uint64_t pdStatus)
{
    return pdStatus == kOfflineFree || pdStatus == kOfflineAssigned;
}

Color diskColor(uint64_t pdStatus)
{
    if (diskFailed(pdStatus)) return Color::Red;
    if (pdStatus & (kSpareBit | kDedicatedBit)) return Color::Cyan;
    return Color::None;
}

}  // namespace zdctl::Health
