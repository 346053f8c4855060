#include "daemon/HistoryWriter.h"

#include "daemon/DaemonLog.h"

namespace zdmond {

using zdfront::EventHistory;
using zdfront::HistoryError;
using zdfront::HistoryEvent;
using zdfront::MonitorState;

HistoryWriter::HistoryWriter(const std::string& path, size_t pendingLimit, Faults& faults)
    : m_path(path), m_pendingLimit(pendingLimit), m_faults(faults)
{
    open();
}

bool HistoryWriter::open()
{
    if (m_history) return true;
    try {
        m_history = std::make_unique<EventHistory>(m_path, EventHistory::Mode::ReadWrite);
        return true;
    } catch (const HistoryError& error) {
        m_faults.failed(kFault, error.what());
        return false;
    }
}

MonitorState HistoryWriter::rememberedState()
{
    if (!open()) return {};
    try {
        return m_history->state();
    } catch (const HistoryError& error) {
        m_faults.failed(kFault, error.what());
        return {};
    }
}

std::vector<HistoryEvent> HistoryWriter::record(std::vector<HistoryEvent> events, const MonitorState& changes)
{
    for (HistoryEvent& event : events) m_pending.push_back(std::move(event));
    for (const auto& [key, value] : changes) m_pendingChanges[key] = value;
    if (m_pending.size() > m_pendingLimit) {
        size_t excess = m_pending.size() - m_pendingLimit;
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(excess));
        if (!m_dropping)
            DaemonLog::error("events are being lost: the history cannot be written and " +
                             std::to_string(m_pendingLimit) + " already wait in memory (oldest dropped first)");
        m_dropping = true;
        m_dropped += excess;
    }
    m_pendingCount = m_pending.size();
    if (!m_faults.due(kFault)) return {};
    return flush();
}

std::vector<HistoryEvent> HistoryWriter::retry(bool force)
{
    if (m_pending.empty() && m_pendingChanges.empty()) return {};
    if (!force && !m_faults.due(kFault)) return {};
    return flush();
}

std::vector<HistoryEvent> HistoryWriter::flush()
{
    if (!open()) return {};
    std::vector<HistoryEvent> batch(m_pending.begin(), m_pending.end());
    try {
        m_history->commit(batch, m_pendingChanges);
    } catch (const HistoryError& error) {
        std::string hint;
        if (error.kind() == HistoryError::Kind::Full) hint = " (disk full)";
        if (error.kind() == HistoryError::Kind::Busy) hint = " (locked by another process)";
        m_faults.failed(kFault, error.what() + hint + "; " + std::to_string(m_pending.size()) +
                                    " event(s) kept in memory");
        return {};
    }
    m_faults.succeeded(kFault);
    if (m_dropping) DaemonLog::warning(std::to_string(m_dropped.load()) + " event(s) lost in all while the history was out of reach");
    m_dropping = false;
    m_pending.clear();
    m_pendingChanges.clear();
    m_pendingCount = 0;
    std::vector<HistoryEvent> stored;
    for (HistoryEvent& event : batch) {
        if (!event.id) continue;
        ++(event.source == zdfront::kSourceController ? m_storedController : m_storedMonitor);
        stored.push_back(std::move(event));
    }
    return stored;
}

uint64_t HistoryWriter::stored(const std::string& source) const
{
    return source == zdfront::kSourceController ? m_storedController : m_storedMonitor;
}

}  // namespace zdmond
