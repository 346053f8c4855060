// ChildProcess: runs a helper program (an alert hook, sendmail) to its end
// or its deadline, whichever comes first.
//
// The program gets its own process group, an empty signal mask and the
// default signal dispositions, the given text on standard input, and its
// standard output and error collected (the last few kilobytes kept for the
// log). At the deadline the whole group is killed. run() blocks its caller,
// so zdmond calls it only from the notifier's own thread.
//
//   ChildOutcome outcome = ChildProcess::run({"/usr/local/bin/alert", "ArrayDegraded"},
//                                            {{"ZD_SEVERITY", "critical"}}, "", std::chrono::seconds(30));
//   if (!outcome.ok()) log(outcome.describe());
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace zdmond {

struct ChildOutcome {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;   // when it exited
    int signal = 0;      // when a signal ended it
    std::string error;   // why it could not start
    std::string output;  // its last output lines

    bool ok() const { return started && !timedOut && exitCode == 0; }
    // "exited with status 3", "killed after 30 s", "could not start: ..."
    std::string describe() const;
};

namespace ChildProcess {

// argv[0] is the program's path. `environment` is added to (and overrides)
// this process's. The group is also killed as soon as *cancel turns true.
ChildOutcome run(const std::vector<std::string>& argv, const std::map<std::string, std::string>& environment,
                 const std::string& input, std::chrono::milliseconds timeout,
                 const std::atomic<bool>* cancel = nullptr);

}  // namespace ChildProcess

}  // namespace zdmond
