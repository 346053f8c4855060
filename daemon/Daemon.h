// Daemon: zdmond's life from start to SIGTERM.
//
// Owns the parts (history writer, notifier, monitor, the dashboard with its
// HTTP listener, an optional metrics-only listener, systemd notification)
// and runs the main loop: a cycle at start, then one on every
// multiple of the interval (60 s: on the minute), history retries and
// watchdog keep-alives in between, SIGHUP to reload the configuration and the
// bridge, SIGTERM to end after the running cycle's writes.
//
//   Daemon daemon(line, config, signals, background);
//   return line.oneshot ? daemon.runOnce() : daemon.run();   // throws StartupError
#pragma once

#include <stdexcept>
#include <string>

#include "daemon/Background.h"
#include "daemon/CommandLine.h"
#include "daemon/Config.h"
#include "daemon/Faults.h"
#include "daemon/HistoryWriter.h"
#include "daemon/Monitor.h"
#include "daemon/http/Dashboard.h"
#include "daemon/http/HttpServer.h"
#include "daemon/Notifier.h"
#include "daemon/ServiceManager.h"
#include "daemon/Signals.h"

namespace zdmond {

class StartupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Daemon {
public:
    // The history's directory, made (one level, mode 0750) when it is missing.
    static void prepareDirectory(const std::string& database);

    Daemon(const CommandLine& line, const Config& config, Signals& signals, Background& background);

    // Until SIGTERM; answers the exit status.
    int run();
    // One cycle, its alerts sent; 0 when it succeeded.
    int runOnce();

private:
    void startListeners();
    void stopListeners();
    void reload();
    bool stopRequested();

    const CommandLine& m_line;
    Config m_config;
    Signals& m_signals;
    Background& m_background;
    ServiceManager m_service;
    Faults m_faults;
    HistoryWriter m_writer;
    Notifier m_notifier;
    Monitor m_monitor;
    Dashboard m_dashboard;
    HttpServer m_http;
    HttpServer m_metricsHttp;
};

}  // namespace zdmond
