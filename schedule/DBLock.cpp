#include "schedule/DBLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace {

std::atomic<int> g_waitMs{10000};

// The directories this process holds locked: their descriptor (-1 when the
// directory cannot be opened) and how many DBLock objects hold each.
struct Held {
    int fd;
    int holders;
};
std::mutex g_mutex;
std::map<std::string, Held> g_held;

std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Locks the directory, waiting for another process up to the wait; answers
// the descriptor holding the lock, -1 when the directory cannot be opened,
// or -2 when another process kept the lock.
int lockDirectory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_waitMs.load());
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
        if (errno != EWOULDBLOCK && errno != EINTR) break;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(50)) pause *= 2;
    }
    ::close(fd);
    return -2;
}

}  // namespace

DBLock::DBLock(const std::string& filePath) : m_directory(directoryOf(filePath)) {}

DBLock::~DBLock() { unlock(); }

void DBLock::setWaitForTesting(int milliseconds) { g_waitMs.store(milliseconds); }

bool DBLock::lock() {
    if (m_held) return true;
    std::lock_guard<std::mutex> guard(g_mutex);
    auto found = g_held.find(m_directory);
    if (found == g_held.end()) {
        const int fd = lockDirectory(m_directory);
        if (fd == -2) return false;
        found = g_held.emplace(m_directory, Held{fd, 0}).first;
    }
    ++found->second.holders;
    m_held = true;
    return true;
}

void DBLock::unlock() {
    if (!m_held) return;
    m_held = false;
    std::lock_guard<std::mutex> guard(g_mutex);
    auto found = g_held.find(m_directory);
    if (found == g_held.end() || --found->second.holders > 0) return;
    if (found->second.fd >= 0) ::close(found->second.fd);  // gives the flock back
    g_held.erase(found);
}
