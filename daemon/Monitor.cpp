#include "daemon/Monitor.h"

#include <nlohmann/json.hpp>

#include <ctime>

#include "daemon/DaemonLog.h"
#include "daemon/Severity.h"
#include "daemon/Version.h"
#include "front/Enclosure.h"
#include "front/Error.h"
#include "front/Request.h"
#include "front/StoredEvent.h"

namespace zdmond {

using zdfront::HistoryEvent;

namespace {

const char* const kScheduleFault = "schedule check";
const char* const kReadFault = "enclosure read";

int64_t now()
{
    return static_cast<int64_t>(std::time(nullptr));
}

HistoryEvent fromChange(const Change& change, int64_t time)
{
    HistoryEvent stored;
    stored.source = zdfront::kSourceMonitor;
    stored.time = time;
    stored.adapter = change.adapter;
    stored.adapterSerial = change.adapterSerial;
    stored.device = change.device;
    stored.severity = change.severity;
    stored.name = change.event;
    stored.message = change.message;
    nlohmann::ordered_json data;
    data["device"] = change.where;
    data["component"] = change.component;
    for (const auto& [name, value] : change.details) data["details"][name] = value;
    stored.data = data.dump();
    return stored;
}

std::vector<LostAdapter> lostAdapters(const zdfront::MonitorState& state)
{
    std::vector<LostAdapter> lost;
    for (const auto& [key, value] : state)
        if (key.rfind("adapter/", 0) == 0 && value.rfind("lost:", 0) == 0) {
            std::string serial = key.substr(8);
            lost.push_back({value.substr(5), serial[0] == '#' ? "" : serial});
        }
    return lost;
}

}  // namespace

Monitor::Monitor(HistoryWriter& writer, Notifier& notifier, Faults& faults)
    : m_writer(writer), m_notifier(notifier), m_faults(faults)
{
}

void Monitor::setLibraries(const std::string& bridgePath, const std::string& controller)
{
    const std::string resolved = bridgePath.empty() ? zdfront::BridgeClient::locate() : bridgePath;
    if (resolved == m_bridgePath && controller == m_controllerSetting) return;
    unloadBridge();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bridgePath = resolved;
    m_controllerSetting = controller;
}

void Monitor::unloadBridge()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bridge.reset();
    m_controller.reset();
}

std::shared_ptr<zdfront::Bridge> Monitor::bridge() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bridge;
}

std::string Monitor::bridgeVersion() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bridgeVersion;
}

std::string Monitor::controllerDescription() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_controllerText;
}

bool Monitor::loadBridge()
{
    if (bridge()) return true;
    if (!m_faults.due(kBridgeFault)) return false;
    try {
        auto controller =
            std::make_unique<zdfront::ControllerLibrary>(zdfront::ControllerLibrary::choose(m_controllerSetting));
        auto loaded = std::make_shared<zdfront::Bridge>(m_bridgePath);
        controller->requireBoundBy(loaded->path());
        std::string version = loaded->version();
        std::string description = controller->description();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_controller = std::move(controller);
            m_bridge = loaded;
            m_bridgeVersion = version;
            m_controllerText = description;
        }
        m_faults.succeeded(kBridgeFault);
        DaemonLog::info("loaded bridge " + version + " from " + m_bridgePath + "; controller: " + description);
        return true;
    } catch (const std::exception& error) {
        m_faults.failed(kBridgeFault, error.what());
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_bridgeErrors;
        return false;
    }
}

bool Monitor::cycle(const std::function<bool()>& stopRequested)
{
    const auto started = std::chrono::steady_clock::now();
    if (!m_stateLoaded) {
        // What the last run remembered (nothing when the history cannot be read:
        // then only bad states are reported, as on a first run).
        m_state = m_writer.rememberedState();
        m_state.erase(zdfront::kDrainedKey);  // not the enclosure's
        m_stateLoaded = true;
    }
    bool ok = loadBridge();
    std::vector<HistoryEvent> events;
    std::vector<Change> changes;
    zdfront::MonitorState changedKeys;
    uint64_t bridgeErrors = 0;
    if (ok) {
        std::shared_ptr<zdfront::Bridge> bridge = this->bridge();
        try {
            zdfront::Session session = bridge->session();
            uint8_t code = session.commandCode(zdfront::Request("CheckSchedule"));
            if (code == 0)
                m_faults.succeeded(kScheduleFault);
            else
                m_faults.failed(kScheduleFault, session.refusal("CheckSchedule", code));
        } catch (const zdfront::Error& error) {
            m_faults.failed(kScheduleFault, error.what());
            ++bridgeErrors;
            ok = false;
        }
        zdfront::Snapshot snapshot;
        bool complete = true;
        const int64_t drainStarted = now();
        try {
            std::vector<uint64_t> ids;
            {
                zdfront::Session session = bridge->session();
                ids = zdfront::Enclosure::adapterIds(session);
            }
            for (uint64_t id : ids) {
                if (stopRequested()) {
                    complete = false;
                    break;
                }
                zdfront::Session session = bridge->session(static_cast<unsigned>(id));
                for (const zdfront::Event& event : zdfront::Enclosure::readEvents(session))
                    events.push_back(zdfront::storedEvent(event));
                snapshot.adapters.push_back(zdfront::Enclosure::readAdapterState(session));
            }
            m_faults.succeeded(kReadFault);
        } catch (const std::exception& error) {
            m_faults.failed(kReadFault, error.what());
            ++bridgeErrors;
            complete = false;
            ok = false;
        }
        // Only a whole enclosure can be compared: an adapter left unread is not a lost one.
        if (complete) {
            StateComparison comparison = compareStates(m_state, snapshot, m_progress);
            changes = std::move(comparison.changes);
            changedKeys = std::move(comparison.changedKeys);
            m_state = std::move(comparison.state);
            // Readers waiting for an event (zdctl --wait) learn that every adapter was read from then on.
            changedKeys[zdfront::kDrainedKey] = std::to_string(drainStarted);
        }
        if (complete) {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const HistoryEvent& event : events) ++m_eventCounts[{event.adapter, severityName(event.severity)}];
            m_enclosureMetrics = enclosureMetrics(snapshot, lostAdapters(m_state), m_eventCounts);
            m_adapters = snapshot.adapters.size();
            m_arrays = 0;
            for (const zdfront::AdapterState& state : snapshot.adapters) m_arrays += state.arrays.size();
        }
        if (complete && m_snapshotObserver) m_snapshotObserver(snapshot);
    }

    const int64_t time = now();
    for (const Change& change : changes) events.push_back(fromChange(change, time));
    std::vector<HistoryEvent> stored = m_writer.record(std::move(events), changedKeys);
    notifyStored(changes, stored);

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_cycles;
    m_bridgeErrors += bridgeErrors;
    m_lastCycleSeconds = seconds;
    m_lastCycleTime = time;
    if (ok)
        m_lastSuccessTime = time;
    else
        ++m_failedCycles;
    return ok;
}

size_t Monitor::retryHistory(bool force)
{
    m_writer.retry(force);
    return m_writer.pending();
}

void Monitor::notifyStored(const std::vector<Change>& changes, const std::vector<HistoryEvent>& stored)
{
    // zdmond's own events are stored in the order of the changes, after any still pending.
    std::vector<int64_t> ids;
    for (const HistoryEvent& event : stored)
        if (event.source == zdfront::kSourceMonitor) ids.push_back(event.id);
    const size_t offset = ids.size() >= changes.size() ? ids.size() - changes.size() : 0;
    for (size_t i = 0; i < changes.size(); ++i) {
        const Change& change = changes[i];
        Alert alert;
        alert.event = change.event;
        alert.severity = change.severity;
        alert.device = change.where;
        alert.component = change.component;
        alert.message = change.message;
        alert.time = now();
        alert.historyId = offset + i < ids.size() ? ids[offset + i] : 0;
        alert.details = change.details;
        m_notifier.notify(alert);
    }
}

MetricsText Monitor::daemonMetrics() const
{
    MetricsText text;
    text.family("zdmond_info", "gauge", "zdmond's version, the bridge and the controller library it loaded, always 1");
    text.family("zdmond_cycles_total", "counter", "monitoring cycles run");
    text.family("zdmond_cycle_failures_total", "counter", "monitoring cycles in which a step failed");
    text.family("zdmond_cycle_duration_seconds", "gauge", "how long the last cycle took");
    text.family("zdmond_last_cycle_timestamp_seconds", "gauge", "when the last cycle ran");
    text.family("zdmond_last_success_timestamp_seconds", "gauge", "when the last cycle without a failure ran");
    text.family("zdmond_bridge_errors_total", "counter", "bridge loads and calls that failed");
    text.family("zdmond_fault_active", "gauge", "1 while the fault's episode lasts");
    text.family("zdmond_fault_failures_total", "counter", "failures counted for the fault");
    text.family("zdmond_fault_episodes_total", "counter", "episodes of the fault");
    text.family("zdmond_history_events_stored_total", "counter", "events stored in the history, by source");
    text.family("zdmond_history_pending_events", "gauge", "events waiting in memory for the history");
    text.family("zdmond_history_lost_events_total", "counter", "events dropped while the history was unwritable");
    text.family("zdmond_notifications_total", "counter", "alerts sent, by channel and result");
    text.family("zdmond_notifications_dropped_total", "counter", "alerts dropped because the queue was full");

    text.sample("zdmond_info",
                {{"version", kVersion}, {"bridge", m_bridgePath}, {"bridge_version", m_bridgeVersion},
                 {"controller", m_controllerText}},
                1);
    text.sample("zdmond_cycles_total", {}, static_cast<double>(m_cycles));
    text.sample("zdmond_cycle_failures_total", {}, static_cast<double>(m_failedCycles));
    text.sample("zdmond_cycle_duration_seconds", {}, m_lastCycleSeconds);
    text.sample("zdmond_last_cycle_timestamp_seconds", {}, static_cast<double>(m_lastCycleTime));
    text.sample("zdmond_last_success_timestamp_seconds", {}, static_cast<double>(m_lastSuccessTime));
    text.sample("zdmond_bridge_errors_total", {}, static_cast<double>(m_bridgeErrors));
    for (const Faults::State& fault : m_faults.states()) {
        text.sample("zdmond_fault_active", {{"fault", fault.name}}, fault.active);
        text.sample("zdmond_fault_failures_total", {{"fault", fault.name}}, static_cast<double>(fault.failures));
        text.sample("zdmond_fault_episodes_total", {{"fault", fault.name}}, static_cast<double>(fault.episodes));
    }
    for (const char* source : {zdfront::kSourceController, zdfront::kSourceMonitor})
        text.sample("zdmond_history_events_stored_total", {{"source", source}},
                    static_cast<double>(m_writer.stored(source)));
    text.sample("zdmond_history_pending_events", {}, static_cast<double>(m_writer.pending()));
    text.sample("zdmond_history_lost_events_total", {}, static_cast<double>(m_writer.dropped()));
    for (const ChannelCount& count : m_notifier.counts()) {
        text.sample("zdmond_notifications_total", {{"channel", count.channel}, {"result", "sent"}},
                    static_cast<double>(count.sent));
        text.sample("zdmond_notifications_total", {{"channel", count.channel}, {"result", "failed"}},
                    static_cast<double>(count.failed));
    }
    text.sample("zdmond_notifications_dropped_total", {}, static_cast<double>(m_notifier.dropped()));
    return text;
}

std::string Monitor::metricsPage() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    MetricsText page = m_enclosureMetrics;
    page.append(daemonMetrics());
    return page.render();
}

std::string Monitor::summary() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bridge) return "waiting for the bridge";
    return "watching " + std::to_string(m_adapters) + " adapter(s), " + std::to_string(m_arrays) + " array(s)";
}

}  // namespace zdmond
