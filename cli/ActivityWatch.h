// ActivityWatch: follows a background activity to its end (--wait) and says
// how it ended.
//
// Polls the array or the disk through the model about every 200 ms and draws
// the progress until no activity is left, or it stops running (paused or
// aborted). When it has gone, the controller's event that reports its end
// (front/EventDescription.h) says how: completed, with what a consistency
// check found and repaired, or aborted.
//
// The controller hands each event out once (cli/MonitorPresence.h). While
// zdmond runs, that event is read from zdmond's history once zdmond has read
// the controller after the end (within a deadline), and zdctl drains
// nothing. Otherwise zdctl reads the controller's events itself, and every
// other event read meanwhile is shown too (and put in the --json document),
// never dropped unseen.
//
// An activity that was followed (or just started) and was aborted before its
// end throws CliError ExitPartial. Ctrl-C ends the following with
// ExitInterrupted and says how to follow the activity again.
#pragma once

#include <cstdint>

namespace zdctl {

class Context;

namespace ActivityWatch {

// justStarted: the caller has just started the activity (an activity
// already gone at the first poll has ended, not failed to start).
void followArray(Context& context, uint64_t arrayId, bool justStarted);
void followDisk(Context& context, uint64_t diskId, bool justStarted);

}  // namespace ActivityWatch

}  // namespace zdctl
