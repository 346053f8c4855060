// The controller's result codes that commands and conditions answer
// themselves when they refuse a request without (or before) calling the
// controller, so that a front end sees the same code either way; 1 also
// answers a change the bridge could not store (a schedule file not saved).
#pragma once

#include <cstdint>

namespace result {

constexpr uint8_t kFailed = 1;
constexpr uint8_t kResourceNotAvailable = 4;
constexpr uint8_t kInvalidParameter = 7;
constexpr uint8_t kInvalidVirtualDisk = 8;
constexpr uint8_t kInvalidRaidMode = 14;

}  // namespace result
