// The lock of a table store file, shared by every process that uses the file
// (the daemon, the web server and command-line runs).
//
// An advisory lock (flock) on the file's directory: unlike the file, the
// directory stays the same object when a save replaces the file by a rename.
// A DataReader holds it for its whole life, so that what it read is still
// what the file holds when it writes. Within a process the locks of one
// directory nest (the first lock() takes it, the last unlock() gives it
// back); the store is used by one thread at a time. Another process is
// waited for at most a few seconds; the lock is then not held, and writes
// must not go ahead. A directory that cannot be opened (no read permission)
// cannot be locked by anyone and counts as locked.
//
//   DBLock lock(path);
//   if (lock.lock()) { ... read, change, save ...; lock.unlock(); }
#pragma once

#include <string>

class DBLock {
public:
    explicit DBLock(const std::string& filePath);
    ~DBLock();
    DBLock(const DBLock&) = delete;
    DBLock& operator=(const DBLock&) = delete;

    // Takes the lock (once per object); false when another process kept it
    // for the whole wait.
    bool lock();
    void unlock();
    bool held() const { return m_held; }

    // How long lock() waits for another process (default 10 seconds).
    static void setWaitForTesting(int milliseconds);

private:
    std::string m_directory;
    bool m_held = false;
};
