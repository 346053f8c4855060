#include "front/EventHistory.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

#include "front/Health.h"
#include "front/ModelJson.h"
#include "front/RangeTexts.h"

namespace zdfront {

namespace {

constexpr int kSchemaVersion = 1;
constexpr int kArrayEventClass = 1;  // "EvtClass": the device is an array
// The writer gives up soon (its events wait in memory for the next try) so
// that it never holds up a cycle; readers wait longer.
constexpr int kWriterBusyTimeoutMs = 500;
constexpr int kReaderBusyTimeoutMs = 5000;

const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS events (
    id             INTEGER PRIMARY KEY,
    time           INTEGER NOT NULL,
    source         TEXT    NOT NULL,
    adapter        INTEGER NOT NULL,
    adapter_serial TEXT    NOT NULL,
    sequence       INTEGER NOT NULL,
    class          INTEGER NOT NULL,
    code           INTEGER NOT NULL,
    device         INTEGER NOT NULL,
    severity       INTEGER NOT NULL,
    name           TEXT    NOT NULL,
    message        TEXT    NOT NULL,
    data           TEXT    NOT NULL,
    key            TEXT    UNIQUE
);
CREATE INDEX IF NOT EXISTS events_by_time ON events(time);
CREATE TABLE IF NOT EXISTS monitor_state (
    key   TEXT PRIMARY KEY,
    value TEXT NOT NULL
) WITHOUT ROWID;
)";

HistoryError::Kind kindOf(int code)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return HistoryError::Kind::Busy;
    case SQLITE_FULL:
        return HistoryError::Kind::Full;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        return HistoryError::Kind::ReadOnly;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return HistoryError::Kind::Corrupt;
    default:
        return HistoryError::Kind::Other;
    }
}

[[noreturn]] void fail(sqlite3* db, int code, const std::string& path, const char* doing)
{
    std::string detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw HistoryError(kindOf(code), "event history " + path + ": " + doing + ": " + detail);
}

// One prepared statement, finalized at scope end.
class Statement {
public:
    Statement(sqlite3* db, const char* sql, const std::string& path) : m_db(db), m_path(path)
    {
        int code = sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr);
        if (code != SQLITE_OK) fail(db, code, path, "prepare");
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, int64_t value)
    {
        sqlite3_bind_int64(m_statement, index, value);
        return *this;
    }
    Statement& bind(int index, const std::string& text)
    {
        sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bindNull(int index)
    {
        sqlite3_bind_null(m_statement, index);
        return *this;
    }
    // True while a row is available.
    bool step()
    {
        int code = sqlite3_step(m_statement);
        if (code == SQLITE_ROW) return true;
        if (code == SQLITE_DONE) return false;
        fail(m_db, code, m_path, "step");
    }
    void reset()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    int64_t integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    std::string text(int column) const
    {
        const unsigned char* value = sqlite3_column_text(m_statement, column);
        return value ? std::string(reinterpret_cast<const char*>(value),
                                   static_cast<size_t>(sqlite3_column_bytes(m_statement, column)))
                     : std::string();
    }

private:
    sqlite3* m_db;
    const std::string& m_path;
    sqlite3_stmt* m_statement = nullptr;
};

void execute(sqlite3* db, const char* sql, const std::string& path)
{
    int code = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) fail(db, code, path, sql);
}

// Creates the file with owner-only write access, never through a symbolic link,
// and refuses anything but a regular file.
void prepareFile(const std::string& path, EventHistory::Mode mode)
{
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0) {
        if (S_ISLNK(info.st_mode))
            throw HistoryError(HistoryError::Kind::Other, "event history " + path + ": is a symbolic link");
        if (!S_ISREG(info.st_mode))
            throw HistoryError(HistoryError::Kind::Other, "event history " + path + ": not a regular file");
        return;
    }
    if (mode == EventHistory::Mode::ReadOnly)
        throw HistoryError(HistoryError::Kind::ReadOnly, "event history " + path + ": " + std::strerror(errno));
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0640);
    if (fd < 0 && errno != EEXIST)
        throw HistoryError(HistoryError::Kind::ReadOnly, "event history " + path + ": " + std::strerror(errno));
    if (fd >= 0) close(fd);
}

// Undoes an open transaction unless it was committed.
class Transaction {
public:
    Transaction(sqlite3* db, const std::string& path) : m_db(db), m_path(path)
    {
        execute(db, "BEGIN IMMEDIATE", path);
    }
    ~Transaction()
    {
        if (!m_done) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit()
    {
        execute(m_db, "COMMIT", m_path);
        m_done = true;
    }

private:
    sqlite3* m_db;
    const std::string& m_path;
    bool m_done = false;
};

}  // namespace

std::string HistoryEvent::key() const
{
    if (source != kSourceController) return {};
    std::string adapterName = adapterSerial.empty() ? "#" + std::to_string(adapter) : adapterSerial;
    return adapterName + "/" + std::to_string(sequence) + "/" + std::to_string(time) + "/" +
           std::to_string(eventClass) + "/" + std::to_string(code) + "/" + std::to_string(device);
}

const char* EventHistory::defaultPath()
{
    return "/var/lib/zdmond/events.db";
}

EventHistory::EventHistory(const std::string& path, Mode mode) : m_path(path)
{
    prepareFile(path, mode);
    int flags = SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_FULLMUTEX |
                (mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY);
    int code = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (code != SQLITE_OK) {
        std::string detail = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code);
        sqlite3_close(m_db);
        throw HistoryError(kindOf(code), "event history " + path + ": open: " + detail);
    }
    try {
        sqlite3_busy_timeout(m_db, mode == Mode::ReadWrite ? kWriterBusyTimeoutMs : kReaderBusyTimeoutMs);
        if (mode == Mode::ReadWrite) {
            execute(m_db, "PRAGMA journal_mode=WAL", path);
            execute(m_db, "PRAGMA synchronous=NORMAL", path);
            Statement version(m_db, "PRAGMA user_version", path);
            version.step();
            int64_t found = version.integer(0);
            if (found > kSchemaVersion)
                throw HistoryError(HistoryError::Kind::Other,
                                   "event history " + path + ": made by a newer zdmond (schema " +
                                       std::to_string(found) + ")");
            execute(m_db, kSchema, path);
            execute(m_db, ("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str(), path);
        } else {
            Statement check(m_db, "SELECT count(*) FROM sqlite_master WHERE name='events'", path);
            if (!check.step() || check.integer(0) != 1)
                throw HistoryError(HistoryError::Kind::Corrupt, "event history " + path + ": no events table");
        }
    } catch (...) {
        sqlite3_close(m_db);
        throw;
    }
}

EventHistory::~EventHistory()
{
    sqlite3_close(m_db);
}

size_t EventHistory::commit(std::vector<HistoryEvent>& events, const MonitorState& changes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction transaction(m_db, m_path);
    Statement insert(m_db,
                     "INSERT OR IGNORE INTO events (time, source, adapter, adapter_serial, sequence, class, code,"
                     " device, severity, name, message, data, key) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)",
                     m_path);
    std::vector<int64_t> ids(events.size(), 0);
    size_t stored = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        const HistoryEvent& event = events[i];
        insert.bind(1, event.time).bind(2, event.source).bind(3, event.adapter).bind(4, event.adapterSerial);
        insert.bind(5, event.sequence).bind(6, event.eventClass).bind(7, event.code).bind(8, event.device);
        insert.bind(9, event.severity).bind(10, event.name).bind(11, event.message).bind(12, event.data);
        std::string key = event.key();
        if (key.empty())
            insert.bindNull(13);
        else
            insert.bind(13, key);
        insert.step();
        if (sqlite3_changes(m_db) == 1) {
            ids[i] = sqlite3_last_insert_rowid(m_db);
            ++stored;
        }
        insert.reset();
    }
    Statement upsert(m_db, "INSERT INTO monitor_state (key, value) VALUES (?, ?)"
                           " ON CONFLICT(key) DO UPDATE SET value = excluded.value", m_path);
    Statement remove(m_db, "DELETE FROM monitor_state WHERE key = ?", m_path);
    for (const auto& [key, value] : changes) {
        Statement& statement = value.empty() ? remove : upsert;
        statement.bind(1, key);
        if (!value.empty()) statement.bind(2, value);
        statement.step();
        statement.reset();
    }
    transaction.commit();
    for (size_t i = 0; i < events.size(); ++i) events[i].id = ids[i];
    return stored;
}

std::vector<HistoryEvent> EventHistory::query(const HistoryQuery& query) const
{
    std::string where;
    auto condition = [&where](const char* text) { where += (where.empty() ? " WHERE " : " AND ") + std::string(text); };
    if (query.afterId) condition("id > ?1");
    if (query.since) condition("time >= ?2");
    if (query.minSeverity) condition("severity >= ?3");
    if (query.adapter) condition("adapter = ?4");
    const char* columns = "SELECT id, time, source, adapter, adapter_serial, sequence, class, code, device,"
                          " severity, name, message, data FROM events";
    // By time when a time is given, so that the time index also gives the
    // order; the newest `limit` rows are handed back oldest first.
    const std::string order = query.since ? "time, id" : "id";
    const std::string reverse = query.since ? "time DESC, id DESC" : "id DESC";
    std::string sql = query.limit ? std::string("SELECT * FROM (") + columns + where + " ORDER BY " + reverse +
                                        " LIMIT ?5) ORDER BY " + order
                                  : std::string(columns) + where + " ORDER BY " + order;

    std::lock_guard<std::mutex> lock(m_mutex);
    Statement select(m_db, sql.c_str(), m_path);
    if (query.afterId) select.bind(1, query.afterId);
    if (query.since) select.bind(2, *query.since);
    if (query.minSeverity) select.bind(3, *query.minSeverity);
    if (query.adapter) select.bind(4, *query.adapter);
    if (query.limit) select.bind(5, static_cast<int64_t>(query.limit));
    std::vector<HistoryEvent> events;
    while (select.step()) {
        HistoryEvent event;
        event.id = select.integer(0);
        event.time = select.integer(1);
        event.source = select.text(2);
        event.adapter = static_cast<unsigned>(select.integer(3));
        event.adapterSerial = select.text(4);
        event.sequence = select.integer(5);
        event.eventClass = static_cast<int>(select.integer(6));
        event.code = static_cast<int>(select.integer(7));
        event.device = static_cast<int>(select.integer(8));
        event.severity = static_cast<unsigned>(select.integer(9));
        event.name = select.text(10);
        event.message = select.text(11);
        event.data = select.text(12);
        events.push_back(std::move(event));
    }
    return events;
}

int64_t EventHistory::lastId() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement select(m_db, "SELECT coalesce(max(id), 0) FROM events", m_path);
    select.step();
    return select.integer(0);
}

MonitorState EventHistory::state() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement select(m_db, "SELECT key, value FROM monitor_state", m_path);
    MonitorState state;
    while (select.step()) state[select.text(0)] = select.text(1);
    return state;
}

std::optional<int64_t> EventHistory::lastDrain() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement select(m_db, "SELECT value FROM monitor_state WHERE key = ?", m_path);
    select.bind(1, std::string(kDrainedKey));
    if (!select.step()) return std::nullopt;
    const std::string value = select.text(0);
    if (value.empty() || value.size() > 18 || value.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoll(value);
}

nlohmann::ordered_json toJson(const HistoryEvent& event)
{
    using Json = nlohmann::ordered_json;
    const bool own = event.source != kSourceController;
    auto orNull = [](int64_t value) { return value < 0 ? Json() : Json(value); };
    Json json;
    json["id"] = event.id;
    json["time"] = event.time;
    json["source"] = event.source;
    json["adapter"] = event.adapter;
    json["adapter_serial"] = event.adapterSerial;
    json["sequence"] = own ? Json() : Json(event.sequence);
    json["class"] = own ? Json() : Json(event.eventClass);
    json["code"] = own ? Json() : Json(event.code);
    json["device"] = orNull(event.device);
    json["severity"] = event.severity;
    json["name"] = own ? Json(event.name) : Json();
    json["message"] = event.message;
    json["data"] = Json::parse(event.data, nullptr, false);
    if (json["data"].is_discarded()) json["data"] = Json::object();
    return json;
}

nlohmann::ordered_json toJson(const HistoryEvent& event, RangeTexts& ranges)
{
    nlohmann::ordered_json json = toJson(event);
    json["severity_text"] = ranges.text("EvtSeverity", event.severity);
    json["tone"] = toneName(Health::eventTone(event.severity));
    return json;
}

bool concernsArray(const HistoryEvent& event, unsigned adapter, uint64_t array)
{
    if (event.adapter != adapter) return false;
    if (event.source == kSourceController) return event.eventClass == kArrayEventClass && event.device == static_cast<int>(array);
    const auto data = nlohmann::json::parse(event.data, nullptr, false);
    const std::string device = "adapter" + std::to_string(adapter) + "/array" + std::to_string(array);
    return data.is_object() && data.contains("device") && data["device"] == device;
}

std::optional<int64_t> parseSince(const std::string& text, int64_t now)
{
    auto digits = [](const std::string& part) {
        return !part.empty() && part.size() <= 12 && part.find_first_not_of("0123456789") == std::string::npos;
    };
    if (text.size() > 1 && text[0] == '@' && digits(text.substr(1))) return std::stoll(text.substr(1));
    if (text.size() > 1 && digits(text.substr(0, text.size() - 1))) {
        const int64_t amount = std::stoll(text.substr(0, text.size() - 1));
        switch (text.back()) {
        case 's': return now - amount;
        case 'm': return now - amount * 60;
        case 'h': return now - amount * 3600;
        case 'd': return now - amount * 86400;
        default: break;
        }
    }
    for (const char* format : {"%Y-%m-%d", "%Y-%m-%d %H:%M", "%Y-%m-%dT%H:%M", "%Y-%m-%d %H:%M:%S", "%Y-%m-%dT%H:%M:%S"}) {
        std::tm local{};
        const char* rest = strptime(text.c_str(), format, &local);
        if (!rest || *rest) continue;
        local.tm_isdst = -1;
        std::time_t time = std::mktime(&local);
        if (time == static_cast<std::time_t>(-1)) return std::nullopt;
        return static_cast<int64_t>(time);
    }
    return std::nullopt;
}

std::optional<unsigned> parseSeverity(const std::string& text)
{
    if (text == "info") return 2u;
    if (text == "warning") return 3u;
    if (text == "critical") return 6u;
    if (!text.empty() && text.size() < 4 && text.find_first_not_of("0123456789") == std::string::npos)
        return static_cast<unsigned>(std::stoul(text));
    return std::nullopt;
}

}  // namespace zdfront
