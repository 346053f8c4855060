// Faults: what keeps failing, logged once per episode and retried with back-off.
//
// A fault is named by what failed ("bridge", "history", "adapter 1", ...).
// Its first failure starts an episode and is logged; later failures of the
// same episode are only counted, until a success ends it with one "recovered"
// line. Each failure doubles the wait before the next attempt (1 s, 2 s,
// 4 s, ... up to the cap). The counts are shown in /metrics.
//
//   if (faults.due("bridge")) { if (load()) faults.succeeded("bridge"); else faults.failed("bridge", why); }
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace zdmond {

class Faults {
public:
    using Clock = std::chrono::steady_clock;

    struct State {
        std::string name;
        bool active = false;
        uint64_t failures = 0;  // every failure ever
        uint64_t episodes = 0;
        std::string lastError;
    };

    explicit Faults(std::chrono::seconds cap) : m_cap(cap) {}

    void setCap(std::chrono::seconds cap);
    void failed(const std::string& name, const std::string& error);
    void succeeded(const std::string& name);
    bool active(const std::string& name) const;
    // Whether the next attempt may be made now (always, outside an episode).
    bool due(const std::string& name) const;
    // The earliest retry of any active fault; Clock::time_point::max() when none.
    Clock::time_point nextRetry() const;
    std::vector<State> states() const;

private:
    struct Entry {
        State state;
        Clock::time_point since;
        Clock::time_point retryAt;
        std::chrono::seconds wait{0};
    };

    mutable std::mutex m_mutex;
    std::chrono::seconds m_cap;
    std::map<std::string, Entry> m_entries;
};

}  // namespace zdmond
