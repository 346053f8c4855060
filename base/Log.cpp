#include "base/Log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>

#include "base/Files.h"
#include "base/LeadingNumber.h"

namespace {

constexpr int kKinds = 4;
const char* const kKeys[kKinds] = {"api_data", "interface_log", "util", "version"};
const char* const kTags[kKinds] = {"[api_data] ", "[interface_log] ", "[util] ", "[version] "};

// Configuration lines count with their first 29 characters; of those, the
// key lies in the first 19 and the value is at most 9 characters long.
constexpr size_t kConfigLineChars = 29;
constexpr size_t kKeyChars = 19;
constexpr size_t kValueChars = 9;
constexpr size_t kPieceBytes = 1024;
// Only the start of bridge.ini is read: four settings need a few dozen bytes,
// and a huge (or sparse) file must not delay loading the library.
constexpr size_t kConfigBytes = 4096;

// How long a thread waits for another thread's line to end before it drops
// its own line; only a line that is never ended makes anyone wait this long.
constexpr std::chrono::seconds kLineWait(3);

std::mutex g_instanceMutex;

// Opens a file of the log directory: a regular file only, never through a
// link planted at its name, never waiting on a FIFO.
int openLogFile(const std::string& path, int flags, mode_t mode = 0) {
    return openRegularFile(path, flags | O_NOFOLLOW, mode);
}

std::string logDirectoryFromEnvironment() {
    const char* configured = std::getenv("ZDBRIDGE_LOG_DIR");
    std::string directory = configured != nullptr && *configured != '\0' ? configured : "/tmp/";
    if (directory.back() != '/') directory += '/';
    return directory;
}

// The key of a configuration line that enables it ("key=1"): the key is
// cut from the first 19 characters at the first "=", the value is read
// from at most 9 characters after it.
bool enablingKey(const std::string& line, std::string& key) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos || equals >= kKeyChars) return false;
    if (readLeadingNumber(line.substr(equals + 1, kValueChars)) != 1) return false;
    key = line.substr(0, equals);
    return true;
}

// The local time as asctime renders it, ending in a line break; made in
// buffer (at least 26 bytes) so that the two writing threads never share it.
const char* localTimeText(char* buffer) {
    const time_t now = std::time(nullptr);
    struct tm local;
    if (localtime_r(&now, &local) == nullptr || asctime_r(&local, buffer) == nullptr) return "\n";
    return buffer;
}

}  // namespace

struct Log::State {
    bool kinds[kKinds] = {};
    UniqueFd file;
    uint32_t dumpCounter = 1;
    bool anyEnabled = false;
    // The log directory, with a trailing "/"; also put in front of dump names.
    std::string directory;

    // The open line: the thread that started it (none when closed) and the
    // text written so far, which goes to the file in one piece at endLine.
    std::atomic<std::thread::id> owner{};
    std::string line;
    std::mutex lineMutex;
    std::condition_variable lineEnded;

    // Whether this thread has a line open; a log with nothing enabled never
    // has one, and answers without looking further.
    bool ownsLine() const {
        return anyEnabled && owner.load(std::memory_order_acquire) == std::this_thread::get_id();
    }
};

std::atomic<Log*> Log::m_this{nullptr};
std::atomic<uint32_t> Log::m_ref{0};

// Every short-lived object takes and gives back a reference, so both are
// cheap while the instance lives: one atomic step. Only creating the
// instance (0 -> 1) and destroying it (1 -> 0) take the lock. The count is
// never raised from 0 without the lock, and the instance is set before the
// count leaves 0, so a reference gained without the lock is always to the
// live instance.
Log* Log::getLog() {
    uint32_t refs = m_ref.load();
    while (refs != 0) {
        if (m_ref.compare_exchange_weak(refs, refs + 1)) return m_this.load();
    }
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    if (m_this.load() == nullptr) m_this.store(new Log());
    m_ref.fetch_add(1);
    return m_this.load();
}

void Log::clear() {
    uint32_t refs = m_ref.load();
    while (refs > 1) {
        if (m_ref.compare_exchange_weak(refs, refs - 1)) return;
    }
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    refs = m_ref.load();
    while (refs != 0 && !m_ref.compare_exchange_weak(refs, refs - 1)) {
    }
    if (refs == 1) delete m_this.exchange(nullptr);
}

std::string Log::directory() {
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    Log* log = m_this.load();
    return log != nullptr ? log->m_state->directory : logDirectoryFromEnvironment();
}

Log::Log() : m_state(std::make_unique<State>()) {
    m_state->directory = logDirectoryFromEnvironment();
    readConfig(m_state->directory + "bridge.ini");
    if (m_state->anyEnabled) {
        m_state->file.reset(openLogFile(m_state->directory + "bridge.log", O_WRONLY | O_APPEND | O_CREAT, 0644));
    }
    m_anyEnabled = m_state->anyEnabled;
}

Log::~Log() = default;

void Log::readConfig(const std::string& path) {
    UniqueFd config(openLogFile(path, O_RDONLY));
    if (!config.valid()) return;
    std::string line;
    bool lineHasText = false;
    auto lineEnded = [&] {
        std::string key;
        if (enablingKey(line, key)) markType(key);
        line.clear();
        lineHasText = false;
    };
    char buffer[kConfigBytes];
    for (size_t total = 0; total < kConfigBytes;) {
        const ssize_t got = read(config.get(), buffer, kConfigBytes - total);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        total += static_cast<size_t>(got);
        for (ssize_t i = 0; i < got; ++i) {
            if (buffer[i] == '\n') {
                lineEnded();
            } else {
                if (line.size() < kConfigLineChars) line += buffer[i];
                lineHasText = true;
            }
        }
    }
    if (lineHasText) lineEnded();
}

void Log::markType(const std::string& key) {
    for (int kind = 0; kind < kKinds; ++kind) {
        if (key == kKeys[kind]) {
            m_state->kinds[kind] = true;
            m_state->anyEnabled = true;
        }
    }
}

bool Log::enabled(log_type kind) const {
    const auto index = static_cast<unsigned>(kind);
    return index < kKinds && m_state->kinds[index] && m_state->file.valid();
}

void Log::startOpenLine(log_type kind, const char* title) {
    if (!enabled(kind)) return;
    State& state = *m_state;
    const std::thread::id self = std::this_thread::get_id();
    if (state.owner.load(std::memory_order_acquire) != self) {
        std::unique_lock<std::mutex> lock(state.lineMutex);
        const bool free = state.lineEnded.wait_for(lock, kLineWait, [&] {
            return state.owner.load(std::memory_order_acquire) == std::thread::id();
        });
        if (!free) return;
        state.owner.store(self, std::memory_order_release);
    }
    char now[64];
    state.line += kTags[kind];
    state.line += localTimeText(now);
    state.line += "  ";
    state.line += title != nullptr ? title : "";
    state.line += ':';
}

void Log::writeFormatInfo(const char* format, ...) {
    if (!m_state->ownsLine() || format == nullptr) return;
    char piece[kPieceBytes];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(piece, sizeof piece, format, arguments);
    va_end(arguments);
    if (length < 0) return;
    m_state->line += '(';
    m_state->line += piece;
    m_state->line += ')';
}

void Log::writeBin(const void* data, size_t length) {
    if (!m_state->ownsLine()) return;
    State& state = *m_state;
    const std::string counter = std::to_string(state.dumpCounter++);
    const std::string name = state.directory + counter + "_bin.bridge";
    // A new file, renamed over the name: whatever was there (a link to
    // another file, a hard link shared with one) is replaced, never written.
    std::string temporary = state.directory + "." + counter + "_bin.bridge.XXXXXX";
    UniqueFd dump(::mkostemp(&temporary[0], O_CLOEXEC));
    if (!dump.valid()) return;
    const bool written = ::fchmod(dump.get(), 0644) == 0 && (data == nullptr || writeAll(dump.get(), data, length));
    if (!dump.close() || !written || ::rename(temporary.c_str(), name.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return;
    }
    state.line += "(file " + name + ")";
}

void Log::endOpenLine() {
    if (!m_state->ownsLine()) return;
    State& state = *m_state;
    state.line += '\n';
    writeAll(state.file.get(), state.line.data(), state.line.size());
    state.line.clear();
    {
        std::lock_guard<std::mutex> lock(state.lineMutex);
        state.owner.store(std::thread::id(), std::memory_order_release);
    }
    state.lineEnded.notify_one();
}

const char* Log::NowToStr() {
    const time_t now = std::time(nullptr);
    const struct tm* local = std::localtime(&now);
    return local != nullptr ? std::asctime(local) : "\n";
}
