// HistoryWriter: zdmond's side of the event history, kept writing through faults.
//
// Each cycle hands it the events drained and noticed, and the changes of the
// remembered enclosure state. They are committed together; when the database
// is locked, full or cannot be opened they stay in memory (at most
// `pendingLimit` events; beyond that the oldest are dropped, counted and
// logged) and are committed, in order, once it works again. The fault is
// logged once per episode and retried with back-off. What was committed
// before a fault is never touched.
//
//   HistoryWriter writer(config.database, config.pendingLimit, faults);
//   MonitorState remembered = writer.rememberedState();
//   std::vector<HistoryEvent> stored = writer.record(std::move(events), changes);
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "daemon/Faults.h"
#include "front/EventHistory.h"

namespace zdmond {

class HistoryWriter {
public:
    static constexpr const char* kFault = "event history";

    HistoryWriter(const std::string& path, size_t pendingLimit, Faults& faults);

    const std::string& path() const { return m_path; }
    void setPendingLimit(size_t limit) { m_pendingLimit = limit; }

    // The state remembered by the last run; empty when the history cannot be read.
    zdfront::MonitorState rememberedState();
    // Commits what is pending and then these; answers the events it stored
    // now, with their ids (pending ones included, duplicates left out).
    std::vector<zdfront::HistoryEvent> record(std::vector<zdfront::HistoryEvent> events,
                                              const zdfront::MonitorState& changes);
    // Commits what is pending when its retry is due (or now, when forced).
    std::vector<zdfront::HistoryEvent> retry(bool force = false);

    // Counters, readable from any thread.
    size_t pending() const { return m_pendingCount; }
    uint64_t dropped() const { return m_dropped; }
    uint64_t stored(const std::string& source) const;

private:
    bool open();
    std::vector<zdfront::HistoryEvent> flush();

    std::string m_path;
    size_t m_pendingLimit;
    Faults& m_faults;
    std::unique_ptr<zdfront::EventHistory> m_history;
    std::deque<zdfront::HistoryEvent> m_pending;
    zdfront::MonitorState m_pendingChanges;
    bool m_dropping = false;
    std::atomic<size_t> m_pendingCount{0};
    std::atomic<uint64_t> m_dropped{0};
    std::atomic<uint64_t> m_storedController{0};
    std::atomic<uint64_t> m_storedMonitor{0};
};

}  // namespace zdmond
