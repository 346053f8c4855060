#include "front/MonitorLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "front/Descriptor.h"

namespace zdfront {

namespace {

// A reader's probe holds a shared lock for an instant: zdmond tries again
// for this long before it takes the lock as another zdmond's.
constexpr auto kProbeGrace = std::chrono::seconds(1);
constexpr auto kRetryPause = std::chrono::milliseconds(20);

std::string lockPath(const std::string& historyPath)
{
    return historyPath + ".lock";
}

// The pid the holder wrote, "?" when there is none.
std::string writtenPid(int fd)
{
    char text[32] = {};
    ssize_t got = pread(fd, text, sizeof(text) - 1, 0);
    std::string pid = got > 0 ? std::string(text, static_cast<size_t>(got)) : std::string();
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
    return pid.empty() ? "?" : pid;
}

bool regularFile(int fd)
{
    struct stat info {};
    return fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

MonitorLock::MonitorLock(const std::string& historyPath) : m_path(lockPath(historyPath))
{
    Descriptor fd(open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
    if (fd.get() < 0) throw LockError("cannot open " + m_path + ": " + std::strerror(errno));
    if (!regularFile(fd.get())) throw LockError(m_path + " is not a regular file");
    const auto giveUp = std::chrono::steady_clock::now() + kProbeGrace;
    while (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK) throw LockError("cannot lock " + m_path + ": " + std::strerror(error));
        if (std::chrono::steady_clock::now() >= giveUp)
            throw LockError("another zdmond (pid " + writtenPid(fd.get()) + ") already watches with " + historyPath);
        std::this_thread::sleep_for(kRetryPause);
    }
    std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(fd.get(), 0) != 0 || pwrite(fd.get(), pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
        // The lock holds without the pid; only the messages naming the holder are poorer.
    }
    m_fd = fd.release();
}

MonitorLock::~MonitorLock()
{
    close(m_fd);
}

std::optional<std::string> MonitorLock::holder(const std::string& historyPath)
{
    const std::string path = lockPath(historyPath);
    Descriptor fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        // No lock file, or one zdmond would refuse as well: no zdmond keeps this history.
        if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP) return std::nullopt;
        throw LockError("cannot tell whether zdmond runs: cannot open " + path + ": " + std::strerror(errno));
    }
    if (!regularFile(fd.get())) return std::nullopt;
    if (flock(fd.get(), LOCK_SH | LOCK_NB) == 0) return std::nullopt;
    if (errno != EWOULDBLOCK)
        throw LockError("cannot tell whether zdmond runs: cannot lock " + path + ": " + std::strerror(errno));
    return writtenPid(fd.get());
}

}  // namespace zdfront
