// The version zdmond reports (--version, /metrics, notifications).
#pragma once

namespace zdmond {

inline constexpr const char* kVersion = ZDMOND_VERSION;

}  // namespace zdmond
