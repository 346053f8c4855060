// The file that holds a simulated enclosure shared by several processes
// (ZD_SIM_STATE), and the discipline that keeps it whole:
//
// - a call on the enclosure holds an exclusive lock (flock) on the companion
//   file "<path>.lock", which is never replaced, so that the calls of all
//   processes run one after the other;
// - a process reads the state file again only when it changed since it last
//   looked: one lstat() compares device, inode, size and modification time
//   with the file it last read or wrote, which it keeps open so that no
//   newer file can be given the same inode number;
// - a change is committed by writing the whole state to a new file with a
//   fresh random name next to it (created with O_EXCL | O_NOFOLLOW, so a
//   planted file or link is never written through), syncing it and renaming
//   it over the state file: a crash leaves the old or the new state, never
//   a torn one. Temporaries left by a crashed process are removed when a
//   process first takes the lock.
//
// A state file that is not a regular file (a link, a FIFO) is never read or
// replaced; neither is one its owner made read-only. Waiting for the lock
// ends after kLockWaitMs. Not thread-safe: the enclosure's mutex serialises
// its callers. A forked child takes a lock of its own.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "sim/FileDescriptor.h"

class StateFile {
public:
    static constexpr int kLockWaitMs = 10000;

    enum class Seen {
        Unchanged,   // as at the last look or replace
        Missing,     // no file: the enclosure starts as built in
        Changed,     // text holds the file's content
        Unreadable,  // why says what is wrong ("is not a regular file")
    };

    // Uses the file at path from now on (an empty path: none). The next
    // look() reads it, whatever was seen before.
    void attach(const std::string& path);
    bool attached() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; }

    // Takes the lock; false, with the reason ("cannot be locked (...)"),
    // when it cannot be had.
    bool lock(std::string& why);
    void unlock();

    Seen look(std::string& text, std::string& why);

    // Replaces the file's content with text (call it holding the lock);
    // false, with the reason ("is read-only"), when the file was left as it
    // was.
    bool replace(const std::string& text, std::string& why);

private:
    bool openLock(std::string& why);
    bool waitForLock(std::string& why);
    bool lockStillNamed() const;
    void removeTemporaries() const;
    void remember(const struct stat& status, FileDescriptor file);

    std::string m_path;
    std::string m_lockPath;
    FileDescriptor m_lock;
    pid_t m_lockOwner = -1;  // the process that opened m_lock
    struct stat m_lockIdentity {};
    bool m_locked = false;
    bool m_temporariesChecked = false;

    // What the last look or replace saw at m_path.
    enum class Known { Nothing, Missing, File } m_known = Known::Nothing;
    struct stat m_seen {};
    FileDescriptor m_held;
};
