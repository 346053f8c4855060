// DaemonLog: zdmond's own messages (start, faults, recoveries), as opposed to
// the alerts it sends.
//
// In the foreground they go to standard error; under systemd (JOURNAL_STREAM
// set) each line carries its "<N>" priority prefix so that the journal keeps
// it; in the background they go to syslog. Thread-safe.
//
//   DaemonLog::setup(DaemonLog::Target::Stderr);
//   DaemonLog::warning("bridge call failed: ...");
#pragma once

#include <string>

namespace zdmond::DaemonLog {

enum class Target { Stderr, Syslog };

void setup(Target target);
void error(const std::string& message);
void warning(const std::string& message);
void info(const std::string& message);

}  // namespace zdmond::DaemonLog
