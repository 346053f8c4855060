#include "daemon/Faults.h"

#include <algorithm>

#include "daemon/DaemonLog.h"

namespace zdmond {

void Faults::setCap(std::chrono::seconds cap)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cap = cap;
}

void Faults::failed(const std::string& name, const std::string& error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Entry& entry = m_entries[name];
    entry.state.name = name;
    ++entry.state.failures;
    entry.state.lastError = error;
    const auto now = Clock::now();
    if (!entry.state.active) {
        entry.state.active = true;
        ++entry.state.episodes;
        entry.since = now;
        entry.wait = std::chrono::seconds(1);
        DaemonLog::error(name + ": " + error + " (retrying with back-off; logged again when it recovers)");
    } else {
        entry.wait = std::min(entry.wait * 2, std::max(m_cap, std::chrono::seconds(1)));
    }
    entry.retryAt = now + entry.wait;
}

void Faults::succeeded(const std::string& name)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_entries.find(name);
    if (found == m_entries.end() || !found->second.state.active) return;
    Entry& entry = found->second;
    entry.state.active = false;
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - entry.since).count();
    DaemonLog::info(name + ": recovered after " + std::to_string(seconds) + " s");
}

bool Faults::active(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_entries.find(name);
    return found != m_entries.end() && found->second.state.active;
}

bool Faults::due(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_entries.find(name);
    return found == m_entries.end() || !found->second.state.active || Clock::now() >= found->second.retryAt;
}

Faults::Clock::time_point Faults::nextRetry() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Clock::time_point next = Clock::time_point::max();
    for (const auto& [name, entry] : m_entries)
        if (entry.state.active) next = std::min(next, entry.retryAt);
    return next;
}

std::vector<Faults::State> Faults::states() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<State> states;
    for (const auto& [name, entry] : m_entries) states.push_back(entry.state);
    return states;
}

}  // namespace zdmond
