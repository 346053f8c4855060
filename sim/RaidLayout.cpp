#include "sim/RaidLayout.h"

namespace raid {

bool supported(uint8_t level, uint16_t raidModeMask) {
    int bit = -1;
    switch (level) {
    case kRaid0: bit = 0; break;
    case kRaid1: bit = 1; break;
    case kRaid10: bit = 2; break;
    case kRaid1E: bit = 3; break;
    case kRaid5: bit = 4; break;
    case kRaid6: bit = 5; break;
    case kRaid50: bit = 6; break;
    case kRaid60: bit = 8; break;
    default: return false;
    }
    return (raidModeMask >> bit) & 1u;
}

uint8_t effectiveParity(uint8_t level, uint8_t requestedParity) {
    switch (level) {
    case kRaid5:
    case kRaid50: return 1;
    case kRaid6:
    case kRaid60: return requestedParity == 0 ? 2 : requestedParity;
    default: return 0;
    }
}

uint8_t checkLayout(uint8_t level, uint8_t parity, uint8_t maxParity, unsigned n) {
    if ((level == kRaid6 || level == kRaid60) && (parity < 1 || parity > maxParity)) return 66;
    bool fits = false;
    switch (level) {
    case kRaid0: fits = n >= 1; break;
    case kRaid1: fits = n == 2; break;
    case kRaid10: fits = n >= 4 && n % 2 == 0; break;
    case kRaid1E: fits = n >= 3; break;
    case kRaid5: fits = n >= 3; break;
    case kRaid6: fits = n >= parity + 2u; break;
    case kRaid50: fits = n >= 6 && n % 2 == 0; break;
    case kRaid60: fits = n % 2 == 0 && n / 2 >= parity + 2u; break;
    default: return 14;
    }
    return fits ? 0 : 57;
}

uint64_t capacity(uint8_t level, uint8_t parity, unsigned n, uint64_t s) {
    if (checkLayout(level, parity, 255, n) != 0) return 0;
    switch (level) {
    case kRaid0: return n * s;
    case kRaid1: return s;
    case kRaid10: return n / 2 * s;
    case kRaid1E: return n * s / 2;
    case kRaid5: return (n - 1) * s;
    case kRaid6: return (n - parity) * s;
    case kRaid50: return (n - 2) * s;
    case kRaid60: return (n - 2u * parity) * s;
    default: return 0;
    }
}

unsigned redundancy(uint8_t level, uint8_t parity) {
    switch (level) {
    case kRaid1:
    case kRaid10:
    case kRaid1E:
    case kRaid5:
    case kRaid50: return 1;
    case kRaid6:
    case kRaid60: return parity;
    default: return 0;
    }
}

}  // namespace raid
