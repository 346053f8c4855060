// Health: how zdctl judges the states that the controller reports.
//
// Array ("VDStatus") and disk ("PDStatus") numbers are judged here once, for
// the colours of every listing and for the exit code of `zdctl status`:
// a degraded, partially optimal or offline array and an offline disk are
// unhealthy.
#pragma once

#include <cstdint>

#include "cli/Terminal.h"

namespace zdctl::Health {

bool arrayUnhealthy(uint64_t vdStatus);
Color arrayColor(uint64_t vdStatus);
bool diskFailed(uint64_t pdStatus);
Color diskColor(uint64_t pdStatus);

}  // namespace zdctl::Health
