// The dashboard's reads: the enclosure, its adapters, arrays, disks and
// schedules, the capacity preview, the bridge's tables, the event history
// and the live stream.
#include <httplib.h>

#include <ctime>

#include "daemon/Version.h"
#include "daemon/http/Dashboard.h"
#include "front/ArrayActions.h"
#include "front/Enclosure.h"
#include "front/Error.h"
#include "front/Validation.h"

namespace zdmond {

namespace {

constexpr size_t kDefaultEvents = 200;
constexpr size_t kMaxEvents = 5000;
constexpr size_t kArrayEvents = 20;
constexpr size_t kMaxPreviewDisks = 128;

// "5,6,7" as ids.
std::vector<uint64_t> idsFromText(const std::string& text, const char* key)
{
    std::vector<uint64_t> ids;
    size_t at = 0;
    while (at <= text.size() && !text.empty()) {
        size_t comma = text.find(',', at);
        std::optional<uint64_t> id = zdfront::Answer::toNumber(text.substr(at, comma == std::string::npos ? comma : comma - at));
        if (!id || ids.size() >= kMaxPreviewDisks)
            throw HttpError(400, "usage", std::string("'") + key + "' takes up to 128 disk ids separated by commas");
        ids.push_back(*id);
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return ids;
}

uint64_t queryNumber(ApiCall& call, const char* name, uint64_t fallback, uint64_t most)
{
    std::optional<std::string> text = call.query(name);
    if (!text) return fallback;
    std::optional<uint64_t> value = zdfront::Answer::toNumber(*text);
    if (!value || *value > most)
        throw HttpError(400, "usage", std::string("'") + name + "' takes a whole number up to " + std::to_string(most));
    return *value;
}

}  // namespace

Json Dashboard::enclosureDocument(const zdfront::Snapshot& snapshot)
{
    Json document;
    document["zdmond_version"] = kVersion;
    document["controller"] = m_monitor.controllerDescription();
    document["time"] = static_cast<int64_t>(std::time(nullptr));
    document.update(zdfront::toJson(snapshot));
    return document;
}

std::vector<zdfront::HistoryEvent> Dashboard::queryHistory(const zdfront::HistoryQuery& query)
{
    std::shared_ptr<zdfront::EventHistory> history;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_history && m_settings) {
            try {
                m_history = std::make_shared<zdfront::EventHistory>(m_settings->history,
                                                                    zdfront::EventHistory::Mode::ReadOnly);
            } catch (const zdfront::HistoryError&) {
                return {};  // nothing stored yet: the first cycle makes the history
            }
        }
        history = m_history;
    }
    return history ? history->query(query) : std::vector<zdfront::HistoryEvent>();
}

void Dashboard::publishHistory()
{
    zdfront::HistoryQuery query;
    if (m_lastPublished < 0) {
        // The first call only finds where the history ends: pages read the past themselves.
        query.limit = 1;
        std::vector<zdfront::HistoryEvent> last = queryHistory(query);
        m_lastPublished = last.empty() ? 0 : last.back().id;
        return;
    }
    query.afterId = m_lastPublished;
    std::vector<zdfront::HistoryEvent> events = queryHistory(query);
    if (events.empty()) return;
    std::shared_ptr<zdfront::Bridge> loaded = m_monitor.bridge();
    for (const zdfront::HistoryEvent& event : events) {
        m_lastPublished = event.id;
        Json json = zdfront::toJson(event);
        if (loaded) {
            zdfront::Session session = loaded->session();
            json = zdfront::toJson(event, session.ranges());
        }
        m_stream.publish("history", json.dump(-1, ' ', false, Json::error_handler_t::replace), event.id);
    }
}

void Dashboard::addReadRoutes(ApiRouter& router)
{
    router.get("/api/v1/enclosure", [this](ApiCall&) { return enclosureDocument(zdfront::Enclosure::readSnapshot(*bridge())); });
    router.get("/api/v1/adapters/{adapter}", [this](ApiCall& call) {
        auto loaded = bridge();
        zdfront::Session session = this->session(loaded, call.id(0));
        return zdfront::toJson(zdfront::Enclosure::readAdapterState(session));
    });
    router.get("/api/v1/adapters/{adapter}/arrays", [this](ApiCall& call) {
        auto loaded = bridge();
        zdfront::Session session = this->session(loaded, call.id(0));
        Json arrays = Json::array();
        for (const zdfront::Array& array : zdfront::Enclosure::readArrays(session, true))
            arrays.push_back(zdfront::toJson(array));
        return Json{{"adapter", call.id(0)}, {"arrays", arrays}};
    });
    router.get("/api/v1/adapters/{adapter}/arrays/{array}", [this](ApiCall& call) {
        const uint64_t adapter = call.id(0), id = call.id(1);
        Json json;
        {
            auto loaded = bridge();
            zdfront::Session session = this->session(loaded, adapter);
            json = zdfront::toJson(zdfront::Enclosure::readArray(session, id));
            json["schedules"] = Json::array();
            for (const zdfront::Schedule& schedule : zdfront::Enclosure::readSchedulesOf(session, id))
                json["schedules"].push_back(zdfront::toJson(schedule));
            zdfront::HistoryQuery query;
            query.adapter = static_cast<unsigned>(adapter);
            query.limit = 1000;
            std::vector<Json> events;
            for (const zdfront::HistoryEvent& event : queryHistory(query))
                if (zdfront::concernsArray(event, static_cast<unsigned>(adapter), id))
                    events.push_back(zdfront::toJson(event, session.ranges()));
            if (events.size() > kArrayEvents) events.erase(events.begin(), events.end() - kArrayEvents);
            json["events"] = events;
        }
        return json;
    });
    router.get("/api/v1/adapters/{adapter}/disks", [this](ApiCall& call) {
        auto loaded = bridge();
        zdfront::Session session = this->session(loaded, call.id(0));
        zdfront::AdapterState state = zdfront::Enclosure::readAdapterState(session);
        Json disks = Json::array();
        for (const zdfront::Disk& disk : state.disks) disks.push_back(zdfront::toJson(disk));
        return Json{{"adapter", call.id(0)}, {"disks", disks}};
    });
    router.get("/api/v1/adapters/{adapter}/disks/{disk}", [this](ApiCall& call) {
        auto loaded = bridge();
        zdfront::Session session = this->session(loaded, call.id(0));
        return zdfront::toJson(zdfront::Enclosure::readDisk(session, call.id(1)));
    });
    router.get("/api/v1/adapters/{adapter}/schedules", [this](ApiCall& call) {
        auto loaded = bridge();
        zdfront::Session session = this->session(loaded, call.id(0));
        Json schedules = Json::array();
        for (const zdfront::Schedule& schedule : zdfront::Enclosure::readSchedules(session))
            schedules.push_back(zdfront::toJson(schedule));
        return Json{{"adapter", call.id(0)}, {"schedules", schedules}};
    });
    router.get("/api/v1/adapters/{adapter}/capacity-preview", [this](ApiCall& call) {
        auto loaded = bridge();
        zdfront::Session session = this->session(loaded, call.id(0));
        const uint64_t raid = tableValue(session, "RAID", Json(call.query("raid").value_or("")), "raid");
        const std::vector<uint64_t> disks = idsFromText(call.query("disks").value_or(""), "disks");
        if (disks.empty()) throw HttpError(400, "usage", "'disks' takes the disk ids of the new array, e.g. 5,6,7");
        const std::vector<zdfront::Disk> all = zdfront::Enclosure::readDisks(session, {}, 0);
        for (uint64_t disk : disks) zdfront::Validation::disk(all, disk, session.adapter());
        std::optional<zdfront::Capacity> preview = zdfront::creationPreview(session, raid, disks);
        Json json;
        zdfront::putEnumerated(json, "raid", {raid, session.ranges().text("RAID", raid)});
        json["disks"] = disks;
        json["preview"] = preview ? zdfront::toJson(*preview) : Json();
        json["buildable"] = !preview || preview->available != 0;
        json["raid_needs"] = zdfront::raidNeeds(session.ranges().text("RAID", raid));
        return json;
    });
    router.get("/api/v1/ranges/{table}", [this](ApiCall& call) {
        auto loaded = bridge();
        zdfront::Session session = loaded->session();
        const std::string table = call.param(0);
        Json entries = Json::array();
        for (const zdfront::RangeTexts::Entry& entry : session.ranges().entries(table))
            entries.push_back({{"value", entry.number}, {"text", entry.text}, {"default", entry.isDefault}});
        if (entries.empty()) throw HttpError(404, "not_found", "the bridge has no table \"" + table + "\"");
        return Json{{"table", table}, {"entries", entries}};
    });
    router.get("/api/v1/events", [this](ApiCall& call) {
        zdfront::HistoryQuery query;
        if (call.query("adapter")) query.adapter = static_cast<unsigned>(queryNumber(call, "adapter", 0, 255));
        if (std::optional<std::string> severity = call.query("severity")) {
            query.minSeverity = zdfront::parseSeverity(*severity);
            if (!query.minSeverity) throw HttpError(400, "usage", "'severity' takes info, warning or critical");
        }
        if (std::optional<std::string> since = call.query("since")) {
            query.since = zdfront::parseSince(*since, static_cast<int64_t>(std::time(nullptr)));
            if (!query.since)
                throw HttpError(400, "usage", "'since' takes 30m, 2h, 7d, a date (2026-12-06 14:30) or @SECONDS");
        }
        query.afterId = static_cast<int64_t>(queryNumber(call, "after", 0, INT64_MAX));
        query.limit = queryNumber(call, "limit", kDefaultEvents, kMaxEvents);
        if (query.limit == 0) query.limit = kDefaultEvents;
        std::optional<uint64_t> array;
        if (call.query("array")) {
            if (!query.adapter) throw HttpError(400, "usage", "'array' needs 'adapter' too");
            array = queryNumber(call, "array", 0, 65535);
        }
        std::shared_ptr<zdfront::Bridge> loaded = m_monitor.bridge();
        std::optional<zdfront::Session> session;
        if (loaded) session.emplace(loaded->session());
        Json events = Json::array();
        for (const zdfront::HistoryEvent& event : queryHistory(query)) {
            if (array && !zdfront::concernsArray(event, *query.adapter, *array)) continue;
            events.push_back(session ? zdfront::toJson(event, session->ranges()) : zdfront::toJson(event));
        }
        return Json{{"history", settings()->history}, {"events", events}};
    });
}

void Dashboard::addEventStream(ApiRouter& router)
{
    router.raw("GET", "/api/v1/events/stream", [this](const httplib::Request&, httplib::Response& response) {
        std::shared_ptr<EventStream::Client> client = m_stream.subscribe();
        if (!client) throw HttpError(503, "busy", "too many live streams are open (at most 8)");
        response.set_header("Cache-Control", "no-store");
        response.set_chunked_content_provider(
            "text/event-stream",
            [this, client](size_t, httplib::DataSink& sink) {
                std::string text;
                if (!m_stream.next(*client, text)) return false;
                return sink.write(text.data(), text.size());
            },
            [this, client](bool) { m_stream.unsubscribe(client); });
    });
}

}  // namespace zdmond
