// InstanceLock: one zdmond per event history.
//
// Takes an exclusive flock on "<database>.lock" (created with mode 0640,
// never through a symbolic link) and writes the holder's pid into it. The
// lock ends with the process, so a crashed daemon leaves no stale lock.
//
//   InstanceLock lock(config.database);   // throws LockError naming the holder
#pragma once

#include <stdexcept>
#include <string>

namespace zdmond {

class LockError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class InstanceLock {
public:
    explicit InstanceLock(const std::string& databasePath);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
};

}  // namespace zdmond
