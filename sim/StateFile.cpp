#include "sim/StateFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

namespace {

std::string errorText(int error) { return std::strerror(error); }

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string temporaryPrefix(const std::string& path) { return path + ".tmp."; }

bool readAll(int fd, std::string& text) {
    text.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        text.append(buffer, static_cast<size_t>(n));
    }
}

// A new file that nobody else can have named before: a random name, created
// exclusively. Answers its descriptor and fills name, or -1.
int createTemporary(const std::string& path, std::string& name) {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[17];
        std::snprintf(suffix, sizeof(suffix), "%08x%08x", random(), random());
        name = temporaryPrefix(path) + suffix;
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

void StateFile::attach(const std::string& path) {
    unlock();
    // Kept absolute: a process may change its working directory later.
    m_path = path.empty() ? path : std::filesystem::absolute(path).lexically_normal().string();
    m_lockPath = path.empty() ? "" : path + ".lock";
    m_lock.reset();
    m_temporariesChecked = false;
    m_known = Known::Nothing;
    m_held.reset();
}

bool StateFile::lock(std::string& why) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!openLock(why) || !waitForLock(why)) return false;
        // A lock file deleted or replaced meanwhile no longer excludes the
        // processes that open the new one: lock that one instead.
        if (lockStillNamed()) {
            if (!m_temporariesChecked) removeTemporaries();
            m_temporariesChecked = true;
            return true;
        }
        unlock();
        m_lock.reset();
    }
    why = "cannot be locked (its lock file " + m_lockPath + " keeps being replaced)";
    return false;
}

void StateFile::unlock() {
    if (m_locked) flock(m_lock.get(), LOCK_UN);
    m_locked = false;
}

bool StateFile::openLock(std::string& why) {
    // A forked child shares the parent's open lock file, and with it the
    // lock itself: it opens its own. Closing the inherited one leaves the
    // parent's lock alone, as the parent still holds it open.
    if (m_lock.valid() && m_lockOwner == getpid()) return true;
    FileDescriptor file = openRegular(m_lockPath, O_RDWR | O_CREAT | O_NOFOLLOW, 0666);
    const int error = errno;
    // Reading is enough to lock, where the file may not be written.
    if (!file.valid() && (error == EACCES || error == EROFS)) file = openRegular(m_lockPath, O_RDONLY | O_NOFOLLOW);
    if (!file.valid()) {
        why = "cannot be locked (its lock file " + m_lockPath + " cannot be opened: " + errorText(error) + ")";
        return false;
    }
    fstat(file.get(), &m_lockIdentity);
    m_lock = std::move(file);
    m_lockOwner = getpid();
    return true;
}

bool StateFile::waitForLock(std::string& why) {
    // Polled, so that a process stopped while holding the lock cannot make
    // every other one wait for ever.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMs);
    auto pause = std::chrono::microseconds(20);
    while (flock(m_lock.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            why = "cannot be locked (" + errorText(errno) + ")";
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            why = "is locked: another process has held its lock file " + m_lockPath + " for more than " +
                  std::to_string(kLockWaitMs / 1000) + " s";
            return false;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(2000));
    }
    m_locked = true;
    return true;
}

bool StateFile::lockStillNamed() const {
    struct stat named;
    return lstat(m_lockPath.c_str(), &named) == 0 && named.st_dev == m_lockIdentity.st_dev &&
           named.st_ino == m_lockIdentity.st_ino;
}

void StateFile::removeTemporaries() const {
    // Under the lock no other process is writing one: any left is a crash's.
    DIR* directory = opendir(directoryOf(m_path).c_str());
    if (directory == nullptr) return;
    const std::string prefix = baseNameOf(temporaryPrefix(m_path));
    while (const dirent* entry = readdir(directory)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0) {
            unlinkat(dirfd(directory), entry->d_name, 0);
        }
    }
    closedir(directory);
}

StateFile::Seen StateFile::look(std::string& text, std::string& why) {
    struct stat status;
    if (lstat(m_path.c_str(), &status) != 0) {
        if (errno != ENOENT) {
            m_known = Known::Nothing;
            why = "cannot be examined (" + errorText(errno) + ")";
            return Seen::Unreadable;
        }
        if (m_known == Known::Missing) return Seen::Unchanged;
        m_known = Known::Missing;
        m_held.reset();
        return Seen::Missing;
    }
    if (m_known == Known::File && sameFile(status, m_seen)) return Seen::Unchanged;
    remember(status, FileDescriptor());
    if (!S_ISREG(status.st_mode)) {
        why = "is not a regular file";
        return Seen::Unreadable;
    }
    FileDescriptor file = openRegular(m_path, O_RDONLY | O_NOFOLLOW);
    if (!file.valid()) {
        why = "cannot be opened (" + errorText(errno) + ")";
        return Seen::Unreadable;
    }
    struct stat opened;
    if (fstat(file.get(), &opened) != 0 || !readAll(file.get(), text)) {
        why = "cannot be read (" + errorText(errno) + ")";
        return Seen::Unreadable;
    }
    remember(opened, std::move(file));
    return Seen::Changed;
}

bool StateFile::replace(const std::string& text, std::string& why) {
    struct stat current;
    const bool exists = lstat(m_path.c_str(), &current) == 0;
    if (exists && !S_ISREG(current.st_mode)) {
        why = "is not a regular file";
        return false;
    }
    if (exists && ((current.st_mode & 0222) == 0 || access(m_path.c_str(), W_OK) != 0)) {
        why = "is read-only";
        return false;
    }
    std::string temporary;
    FileDescriptor file(createTemporary(m_path, temporary));
    if (!file.valid()) {
        why = "cannot be written (no file can be created next to it: " + errorText(errno) + ")";
        return false;
    }
    const bool written = (!exists || fchmod(file.get(), current.st_mode & 0777) == 0) &&
                         writeAll(file.get(), text.data(), text.size()) && fsync(file.get()) == 0;
    if (!written || rename(temporary.c_str(), m_path.c_str()) != 0) {
        why = "cannot be written (" + errorText(errno) + ")";
        unlink(temporary.c_str());
        return false;
    }
    // The rename itself lasts through a power loss once the directory is synced.
    FileDescriptor directory(open(directoryOf(m_path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.valid()) fsync(directory.get());
    struct stat status;
    if (fstat(file.get(), &status) == 0) {
        remember(status, std::move(file));
    } else {
        m_known = Known::Nothing;
    }
    return true;
}

void StateFile::remember(const struct stat& status, FileDescriptor file) {
    m_known = Known::File;
    m_seen = status;
    m_held = std::move(file);
}
