// MonitorPresence: whether zdmond keeps the controller's events, so that
// zdctl never takes any from its history.
//
// The controller hands each event out once. While zdmond runs, it drains
// them into its event history; zdctl then reads that history (`zdctl
// events`, and the end of an activity it follows) and never drains the
// controller itself. zdmond's history is --history FILE, else ZDCTL_HISTORY,
// else the database named in zdmond's configuration file, else zdmond's
// default; zdmond runs when it holds the lock beside it
// (front/MonitorLock.h), whether or not the history file exists.
//
//   const std::string path = MonitorPresence::history(context);
//   MonitorPresence::refuseDraining(context, "events --direct");   // CliError while zdmond runs
#pragma once

#include <string>

namespace zdctl {

class Context;

namespace MonitorPresence {

// The path of zdmond's event history that zdctl reads.
std::string history(const Context& context);

// Throws CliError (exit 2) when zdmond keeps the controller's events, and
// (exit 1) when that cannot be told, before `zdctl COMMAND` drains them.
void refuseDraining(const Context& context, const std::string& command);

}  // namespace MonitorPresence

}  // namespace zdctl
