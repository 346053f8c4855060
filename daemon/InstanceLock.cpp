#include "daemon/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zdmond {

InstanceLock::InstanceLock(const std::string& databasePath) : m_path(databasePath + ".lock")
{
    m_fd = open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0640);
    if (m_fd < 0) throw LockError("cannot open " + m_path + ": " + std::strerror(errno));
    struct stat info {};
    if (fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(m_fd);
        throw LockError(m_path + " is not a regular file");
    }
    if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        char holder[32] = {};
        ssize_t got = pread(m_fd, holder, sizeof(holder) - 1, 0);
        close(m_fd);
        std::string pid = got > 0 ? std::string(holder, static_cast<size_t>(got)) : std::string("?");
        while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
        if (error == EWOULDBLOCK)
            throw LockError("another zdmond (pid " + pid + ") already watches with " + databasePath);
        throw LockError("cannot lock " + m_path + ": " + std::strerror(error));
    }
    std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(m_fd, 0) != 0 || pwrite(m_fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
        // The lock holds without the pid; only the message of a second instance is poorer.
    }
}

InstanceLock::~InstanceLock()
{
    close(m_fd);
}

}  // namespace zdmond
