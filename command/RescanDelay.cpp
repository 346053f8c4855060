#include "command/RescanDelay.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <thread>

namespace {

std::chrono::milliseconds delayFromEnvironment() {
    const char* text = std::getenv("ZDBRIDGE_RESCAN_DELAY_MS");
    if (text == nullptr || *text < '0' || *text > '9') return RescanDelay::kDefault;
    char* end = nullptr;
    errno = 0;
    unsigned long long ms = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0') return RescanDelay::kDefault;
    return std::chrono::milliseconds(static_cast<std::chrono::milliseconds::rep>(ms));
}

std::atomic<std::chrono::milliseconds::rep>& delayMs() {
    static std::atomic<std::chrono::milliseconds::rep> ms{delayFromEnvironment().count()};
    return ms;
}

// Reads the environment when the library is loaded, not at the first rescan.
const bool g_delayRead = (delayMs(), true);

}  // namespace

std::chrono::milliseconds RescanDelay::get() { return std::chrono::milliseconds(delayMs().load()); }

void RescanDelay::set(std::chrono::milliseconds delay) { delayMs().store(delay.count()); }

void RescanDelay::wait() {
    std::chrono::milliseconds delay = get();
    if (delay.count() > 0) std::this_thread::sleep_for(delay);
}
