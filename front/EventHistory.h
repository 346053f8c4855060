// EventHistory: the enclosure's events kept for good, in an SQLite database.
//
// zdmond writes it: every controller event it drains and every state change
// it notices itself (source "zdmond"), together with the state it compares the
// next cycle against, in one transaction. zdctl and the web API read it.
//
// A controller event is stored once: its key (adapter serial number, sequence
// number, time stamp, class, code and device) is unique, so an event that the
// bridge delivers again after a reload, or that a restarted daemon drains
// again, is skipped. Queries by time use an index.
//
//   EventHistory history(path, EventHistory::Mode::ReadWrite);
//   history.commit(events, changes);          // throws HistoryError
//   for (const HistoryEvent& e : history.query({.since = t0})) ...
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;

namespace zdfront {

class RangeTexts;

// The two origins of a stored event.
inline constexpr const char* kSourceController = "controller";
inline constexpr const char* kSourceMonitor = "zdmond";

// The key of the remembered state under which zdmond notes when it last
// began a cycle that read every adapter's events (seconds since 1970),
// committed with those events: a reader waiting for an event to be stored
// can tell from it that zdmond has read the controller since.
inline constexpr const char* kDrainedKey = "zdmond/drained";

struct HistoryEvent {
    int64_t id = 0;           // row id, set when stored; rises with every event stored
    int64_t time = 0;         // seconds since 1970
    std::string source = kSourceController;
    unsigned adapter = 0;
    std::string adapterSerial;
    int64_t sequence = -1;    // the controller's event number; -1 for zdmond's own
    int eventClass = -1;      // "EvtClass"; -1 for zdmond's own
    int code = -1;
    int device = -1;          // the device id the event names, -1 when none
    unsigned severity = 2;    // "EvtSeverity": 2 info, 3 warning, 6 critical
    std::string name;         // zdmond's event name ("ArrayDegraded"); empty for controller events
    std::string message;      // one line for people
    std::string data = "{}";  // JSON object: everything else about the event

    // The unique key of a controller event; empty for zdmond's own events.
    std::string key() const;
};

struct HistoryQuery {
    std::optional<int64_t> since;        // time >= since
    std::optional<unsigned> minSeverity; // severity >= minSeverity
    std::optional<unsigned> adapter;
    int64_t afterId = 0;                 // id > afterId (following new arrivals)
    size_t limit = 0;                    // 0: no limit; otherwise the newest `limit`
};

// What the monitor remembers of the enclosure between cycles: key -> value.
using MonitorState = std::map<std::string, std::string>;

class HistoryError : public std::runtime_error {
public:
    enum class Kind { Busy, Full, ReadOnly, Corrupt, Other };
    HistoryError(Kind kind, const std::string& what) : std::runtime_error(what), m_kind(kind) {}
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

class EventHistory {
public:
    enum class Mode { ReadOnly, ReadWrite };

    // Where zdmond keeps its history unless configured otherwise.
    static const char* defaultPath();

    // ReadWrite creates the file (mode 0640) and its tables when missing.
    // Refuses a path that is a symbolic link or not a regular file.
    EventHistory(const std::string& path, Mode mode);  // throws HistoryError
    ~EventHistory();
    EventHistory(const EventHistory&) = delete;
    EventHistory& operator=(const EventHistory&) = delete;

    const std::string& path() const { return m_path; }

    // Stores the events and applies the state changes (an empty value removes
    // the key) in one transaction: all of it or nothing. Each event stored
    // gets its id; a controller event already stored keeps id 0 and is not
    // counted. Answers the number of events newly stored.
    size_t commit(std::vector<HistoryEvent>& events, const MonitorState& changes);

    // Events in the order they were stored (oldest first); with `since`, in
    // the order of their time.
    std::vector<HistoryEvent> query(const HistoryQuery& query) const;
    int64_t lastId() const;
    MonitorState state() const;
    // The time under kDrainedKey; nothing before zdmond's first such cycle.
    std::optional<int64_t> lastDrain() const;

private:
    std::string m_path;
    sqlite3* m_db = nullptr;
    mutable std::mutex m_mutex;
};

// The JSON form of a stored event, as zdctl --json and the web API show it:
// id, time, source, adapter, adapter_serial, sequence, class, code, device
// (null where zdmond's own events have none), severity, name, message, data.
nlohmann::ordered_json toJson(const HistoryEvent& event);
// The same with the severity's "EvtSeverity" range text and its tone
// ("severity_text", "tone"), as front ends show it.
nlohmann::ordered_json toJson(const HistoryEvent& event, RangeTexts& ranges);

// Whether the event is about this array of this adapter: the controller's
// array events naming it, and zdmond's own changes of it or its members.
bool concernsArray(const HistoryEvent& event, unsigned adapter, uint64_t array);

// A moment for --since, as seconds since 1970: "30m", "2h", "7d" before
// `now`; "2026-12-06", "2026-12-06 14:30" or "2026-12-06T14:30:15" local
// time; "@1796537655". Nothing for anything else.
std::optional<int64_t> parseSince(const std::string& text, int64_t now);

// "info", "warning", "critical" (or a number) as an "EvtSeverity" level.
std::optional<unsigned> parseSeverity(const std::string& text);

}  // namespace zdfront
