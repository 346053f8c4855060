// Monitor: one monitoring cycle, and what zdmond knows between cycles.
//
// A cycle loads the bridge if it is not loaded, sends "CheckSchedule" so that
// every due schedule starts, then, one adapter at a time, drains the
// adapter's events and reads its state (front/Enclosure). It compares the
// enclosure with the previous cycle (StateChanges), stores the controller's
// events and its own changes with the new state in the history, notifies
// the changes and renews the enclosure's metrics. Failures are faults
// (logged once per episode, retried with back-off, counted in /metrics); the
// monitor never gives up because of the controller.
//
//   Monitor monitor(writer, notifier, faults);
//   monitor.setLibraries(config.bridge, config.controller);
//   monitor.cycle([&] { return signals.stopRequested(); });
//   std::string page = monitor.metricsPage();
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "daemon/EnclosureMetrics.h"
#include "daemon/HistoryWriter.h"
#include "daemon/MetricsText.h"
#include "daemon/Notifier.h"
#include "daemon/StateChanges.h"
#include "front/Bridge.h"
#include "front/ControllerLibrary.h"

namespace zdmond {

class Monitor {
public:
    static constexpr const char* kBridgeFault = "bridge";

    Monitor(HistoryWriter& writer, Notifier& notifier, Faults& faults);

    // The bridge library to load (empty: the installed one) and the
    // controller library it runs against (front/ControllerLibrary: "system",
    // "simulator", a path, or empty for ZDBRIDGE_CONTROLLER). A change reloads.
    void setLibraries(const std::string& bridgePath, const std::string& controller);
    // Unloads the bridge; the next cycle loads it again.
    void unloadBridge();
    // The loaded bridge for other users (the web API); null while none is loaded.
    std::shared_ptr<zdfront::Bridge> bridge() const;
    // The loaded bridge's version and the controller library's description; empty before the first load.
    std::string bridgeVersion() const;
    std::string controllerDescription() const;
    // Called with the whole enclosure after each cycle that read all of it.
    void onSnapshot(std::function<void(const zdfront::Snapshot&)> observer) { m_snapshotObserver = std::move(observer); }

    // One cycle; true when every step succeeded. stopRequested is asked
    // between adapters: a stopped cycle still stores what it drained.
    bool cycle(const std::function<bool()>& stopRequested);
    // Stores what is still waiting for the history when its retry is due
    // (or now, when forced: at shutdown); answers how many events still wait.
    size_t retryHistory(bool force = false);

    // The whole /metrics page: the enclosure as last read, and zdmond's own health.
    std::string metricsPage() const;
    // "watching 2 adapters, 5 arrays" for systemd's status line.
    std::string summary() const;

private:
    bool loadBridge();
    void notifyStored(const std::vector<Change>& changes, const std::vector<zdfront::HistoryEvent>& stored);
    MetricsText daemonMetrics() const;

    HistoryWriter& m_writer;
    Notifier& m_notifier;
    Faults& m_faults;
    std::string m_bridgePath;
    std::string m_controllerSetting;
    // Loaded before the bridge, unloaded after it.
    std::unique_ptr<zdfront::ControllerLibrary> m_controller;
    std::shared_ptr<zdfront::Bridge> m_bridge;
    std::string m_bridgeVersion;
    std::string m_controllerText;
    zdfront::MonitorState m_state;
    bool m_stateLoaded = false;
    ActivityProgress m_progress;
    std::function<void(const zdfront::Snapshot&)> m_snapshotObserver;

    mutable std::mutex m_mutex;  // guards what the HTTP threads read below
    MetricsText m_enclosureMetrics;
    EventCounts m_eventCounts;
    uint64_t m_cycles = 0;
    uint64_t m_failedCycles = 0;
    uint64_t m_bridgeErrors = 0;
    double m_lastCycleSeconds = 0;
    int64_t m_lastCycleTime = 0;
    int64_t m_lastSuccessTime = 0;
    size_t m_adapters = 0;
    size_t m_arrays = 0;
};

}  // namespace zdmond
