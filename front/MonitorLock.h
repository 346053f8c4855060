// MonitorLock: one zdmond per event history, and how its readers tell that
// it runs.
//
// zdmond holds an exclusive flock on "<history>.lock" for as long as it runs
// (the file is created with mode 0644, never through a symbolic link, and
// holds zdmond's pid). The lock ends with the process, so a crashed daemon
// leaves no stale lock, and a history file that merely exists proves
// nothing. holder() asks the lock itself: zdctl uses it to leave the
// controller's events to a running zdmond, which keeps each one in its
// history (the controller hands each event out once).
//
//   MonitorLock lock(config.database);       // zdmond; throws LockError naming the holder
//   if (std::optional<std::string> pid = MonitorLock::holder(history)) ...   // zdmond runs
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace zdfront {

class LockError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MonitorLock {
public:
    // Takes the lock of the history at `historyPath`.
    explicit MonitorLock(const std::string& historyPath);
    ~MonitorLock();
    MonitorLock(const MonitorLock&) = delete;
    MonitorLock& operator=(const MonitorLock&) = delete;

    const std::string& path() const { return m_path; }

    // The pid of the zdmond that keeps the history at `historyPath` (as it
    // wrote it, "?" when unreadable), or nothing when no zdmond runs with it.
    // Throws LockError when that cannot be told (the lock cannot be opened).
    static std::optional<std::string> holder(const std::string& historyPath);

private:
    std::string m_path;
    int m_fd = -1;
};

}  // namespace zdfront
