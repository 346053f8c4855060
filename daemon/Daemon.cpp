#include "daemon/Daemon.h"

#include <httplib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "daemon/DaemonLog.h"

namespace zdmond {

namespace {

using SystemClock = std::chrono::system_clock;

// The first multiple of the interval (counted from the epoch) after `time`:
// with 60 s, the start of the next minute.
SystemClock::time_point nextTick(SystemClock::time_point time, unsigned interval)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
    return SystemClock::time_point(std::chrono::seconds((seconds / interval + 1) * interval));
}

}  // namespace

void Daemon::prepareDirectory(const std::string& database)
{
    const size_t slash = database.rfind('/');
    if (slash == std::string::npos || slash == 0) return;
    mkdir(database.substr(0, slash).c_str(), 0750);
}

Daemon::Daemon(const CommandLine& line, const Config& config, Signals& signals, Background& background)
    : m_line(line),
      m_config(config),
      m_signals(signals),
      m_background(background),
      m_faults(std::chrono::seconds(config.interval)),
      m_writer(config.database, config.pendingLimit, m_faults),
      m_notifier(config),
      m_monitor(m_writer, m_notifier, m_faults),
      m_dashboard(m_monitor),
      m_http([this](httplib::Server& server) { m_dashboard.install(server); }),
      m_metricsHttp([this](httplib::Server& server) {
          server.Get("/metrics", [this](const httplib::Request&, httplib::Response& response) {
              response.set_content(m_monitor.metricsPage(), "text/plain; version=0.0.4; charset=utf-8");
          });
      })
{
    m_monitor.setLibraries(config.bridge, config.controller);
    m_monitor.onSnapshot([this](const zdfront::Snapshot& snapshot) { m_dashboard.publishSnapshot(snapshot); });
}

bool Daemon::stopRequested()
{
    m_service.keepAlive();
    return m_signals.stopRequested();
}

void Daemon::startListeners()
{
    if (m_config.listen.enabled()) {
        m_dashboard.configure(m_config);
        m_dashboard.reopenStreams();
        m_http.start(m_config.listen, {m_config.tlsCert, m_config.tlsKey});
        const std::string url = m_config.dashboardUrl(static_cast<uint16_t>(m_http.port()));
        DaemonLog::info("serving metrics on " + url + "/metrics");
        DaemonLog::info("serving the dashboard on " + url + "/ (the token is in " + m_dashboard.token().path() +
                        "; zdmond --print-url prints the login URL)");
        // As notebook servers do: the login URL for the person at the terminal, never into a log.
        if (m_line.foreground && isatty(STDERR_FILENO))
            std::fprintf(stderr, "\n    Dashboard login: %s/login?token=%s\n\n", url.c_str(), m_dashboard.token().text().c_str());
    }
    if (m_config.metricsListen.enabled()) {
        m_metricsHttp.start(m_config.metricsListen);
        DaemonLog::info("serving metrics (only) on http://" +
                        ListenAddress{m_config.metricsListen.host, static_cast<uint16_t>(m_metricsHttp.port())}.text() +
                        "/metrics");
    }
}

void Daemon::stopListeners()
{
    m_dashboard.closeStreams();
    m_http.stop();
    m_metricsHttp.stop();
}

int Daemon::runOnce()
{
    const bool ok = m_monitor.cycle([this] { return stopRequested(); });
    const size_t waiting = m_monitor.retryHistory(true);
    if (waiting) DaemonLog::error(std::to_string(waiting) + " event(s) could not be stored in " + m_config.database);
    // The hook's and mail's time limits bound this wait.
    m_notifier.waitIdle(std::chrono::seconds(m_config.hookTimeout + 60));
    return ok && waiting == 0 ? 0 : 1;
}

int Daemon::run()
{
    try {
        startListeners();
    } catch (const ConfigError& error) {
        throw StartupError(error.what());
    }
    DaemonLog::info(std::string("started: history ") + m_config.database + ", a cycle every " +
                    std::to_string(m_config.interval) + " s");
    m_background.ready();
    m_service.ready("starting");

    auto next = SystemClock::now();  // the first cycle at once
    while (!m_signals.stopRequested()) {
        if (m_signals.takeReload()) {
            reload();
            next = SystemClock::now();
            continue;
        }
        if (SystemClock::now() >= next) {
            m_monitor.cycle([this] { return stopRequested(); });
            m_dashboard.publishHistory();
            m_service.status(m_monitor.summary());
            next = nextTick(SystemClock::now(), m_config.interval);
            continue;
        }
        if (m_monitor.retryHistory() == 0) m_dashboard.publishHistory();
        m_service.keepAlive();
        const auto steadyNow = std::chrono::steady_clock::now();
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - SystemClock::now());
        wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(m_service.untilKeepAlive()));
        const auto retry = m_faults.nextRetry();
        if (retry != std::chrono::steady_clock::time_point::max())
            wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(retry - steadyNow));
        m_signals.wait(std::max(wait, std::chrono::milliseconds(1)));
    }

    m_service.stopping();
    stopListeners();
    const size_t waiting = m_monitor.retryHistory(true);
    if (waiting) DaemonLog::error(std::to_string(waiting) + " event(s) could not be stored before stopping");
    DaemonLog::info("stopped");
    return 0;
}

void Daemon::reload()
{
    m_service.reloading();
    Config fresh;
    try {
        fresh = Config::load(m_line.configPath, m_line.configGiven);
        m_line.overrides.applyTo(fresh);
    } catch (const ConfigError& error) {
        DaemonLog::error(std::string("reload refused, the running configuration stays: ") + error.what());
        m_service.ready(m_monitor.summary());
        return;
    }
    if (fresh.database != m_config.database) {
        DaemonLog::warning("a new database path takes a restart; the history stays " + m_config.database);
        fresh.database = m_config.database;
    }
    m_notifier.reconfigure(fresh);
    m_faults.setCap(std::chrono::seconds(fresh.interval));
    m_writer.setPendingLimit(fresh.pendingLimit);
    m_monitor.setLibraries(fresh.bridge, fresh.controller);
    m_monitor.unloadBridge();
    const bool sameListeners = fresh.listen == m_config.listen && fresh.metricsListen == m_config.metricsListen &&
                               fresh.tlsCert == m_config.tlsCert && fresh.tlsKey == m_config.tlsKey;
    m_config = fresh;
    if (!sameListeners) {
        stopListeners();
        try {
            startListeners();
        } catch (const ConfigError& error) {
            DaemonLog::error(std::string(error.what()) + "; nothing is served until the next reload");
        }
    } else if (m_config.listen.enabled()) {
        try {
            m_dashboard.configure(m_config);  // a new token file, new dashboard files
        } catch (const ConfigError& error) {
            DaemonLog::error(std::string("the dashboard keeps its token and files: ") + error.what());
        }
    }
    DaemonLog::info("reloaded " + (m_config.path.empty() ? std::string("the defaults") : m_config.path) +
                    " and the bridge");
    m_service.ready(m_monitor.summary());
}

}  // namespace zdmond
