// ActivityWatch: follows a running background activity to its end (--wait).
//
// Polls the array ("PackageVD": "VDBGAType", "BGAStatus", "BGAPercentage")
// or the disk ("PD": "PDBGAType", "BGAStatus", "BGAPercentage") about every
// 200 ms and draws the progress until no activity is left, or it stops
// running (paused or aborted). The label is the activity's display text.
#pragma once

#include <cstdint>

namespace zdctl {

class Context;

namespace ActivityWatch {

// Follows the array's activities; answers the array's final "VDStatus".
// justStarted: the caller has just started the activity (an activity
// already gone at the first poll has finished, not failed to start).
uint64_t followArray(Context& context, uint16_t arrayId, bool justStarted);
void followDisk(Context& context, uint16_t diskId, bool justStarted);

}  // namespace ActivityWatch

}  // namespace zdctl
