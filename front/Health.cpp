#include "front/Health.h"

namespace zdfront::Health {

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
constexpr uint64_t kAssignedBit = 0x02;
constexpr uint64_t kSpareBit = 0x04;
constexpr uint64_t kDedicatedBit = 0x40;

// "EvtSeverity" values.
constexpr uint64_t kSeverityWarning = 3;
constexpr uint64_t kSeverityCritical = 6;

}  // namespace

bool arrayDegraded(uint64_t vdStatus) { return vdStatus == kDegrade || vdStatus == kPartiallyOptimal; }

bool arrayOffline(uint64_t vdStatus) { return vdStatus == kOffline; }

bool arrayUnhealthy(uint64_t vdStatus) { return arrayDegraded(vdStatus) || arrayOffline(vdStatus); }

Tone arrayTone(uint64_t vdStatus)
{
    if (vdStatus == kOffline) return Tone::Bad;
    if (vdStatus == kInitialized) return Tone::Good;
    if (vdStatus == kNotInitialized) return Tone::Neutral;
    return Tone::Attention;
}

bool diskFailed(uint64_t pdStatus) { return pdStatus == kOfflineFree || pdStatus == kOfflineAssigned; }

bool diskIsSpare(uint64_t pdStatus) { return !diskFailed(pdStatus) && (pdStatus & (kSpareBit | kDedicatedBit)); }

bool diskAssigned(uint64_t pdStatus) { return (pdStatus & kAssignedBit) != 0; }

Tone diskTone(uint64_t pdStatus)
{
    if (diskFailed(pdStatus)) return Tone::Bad;
    if (diskIsSpare(pdStatus)) return Tone::Spare;
    return Tone::Neutral;
}

Tone eventTone(uint64_t severity)
{
    if (severity >= kSeverityCritical) return Tone::Bad;
    if (severity == kSeverityWarning) return Tone::Attention;
    return Tone::Neutral;
}

const char* verdictText(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Healthy: return "healthy";
    case Verdict::Degraded: return "degraded";
    case Verdict::Offline: return "offline";
    }
    return "unknown";
}

}  // namespace zdfront::Health
