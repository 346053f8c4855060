// Notifier: sends alerts through the configured channels, each with its own
// lowest severity: syslog (journald picks it up, with the priority mapped
// from the severity), a hook program and mail through sendmail.
//
// notify() never blocks monitoring: the syslog line is written at once, the
// hook and mail run one alert after the other on the notifier's own thread,
// each with a time limit. A bounded queue holds the alerts waiting for it;
// when it is full the newest alert is dropped, logged and counted. A failed
// or killed helper is logged with its last output.
//
//   Notifier notifier(config);
//   notifier.notify(alert);
//   ... notifier.reconfigure(newConfig);          // on SIGHUP
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "daemon/Alert.h"
#include "daemon/Config.h"

namespace zdmond {

struct ChannelCount {
    std::string channel;  // "syslog", "hook", "mail"
    uint64_t sent = 0;
    uint64_t failed = 0;
};

struct ChannelResult {
    std::string channel;
    bool ok = false;
    std::string detail;  // what went wrong, or where it went
};

class Notifier {
public:
    static constexpr size_t kQueueLimit = 1000;

    explicit Notifier(const Config& config);
    // Stops the worker; a helper still running is killed, queued alerts are dropped (and logged).
    ~Notifier();
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    void reconfigure(const Config& config);
    void notify(const Alert& alert);
    // Sends the alert through every configured channel whatever its severity,
    // and waits for each (`zdmond --test`).
    std::vector<ChannelResult> sendTest(const Alert& alert);
    // Waits until the queue is empty and no helper runs, or the timeout passes.
    bool waitIdle(std::chrono::milliseconds timeout);

    std::vector<ChannelCount> counts() const;
    uint64_t dropped() const;

private:
    struct Settings {
        unsigned syslogSeverity;
        std::string hookProgram;
        unsigned hookSeverity;
        unsigned hookTimeout;
        std::string mailTo;
        std::string mailFrom;
        unsigned mailSeverity;
        std::string sendmail;
    };

    static Settings settingsOf(const Config& config);
    void work();
    ChannelResult sendSyslog(const Alert& alert);
    ChannelResult runHook(const Alert& alert, const Settings& settings);
    ChannelResult sendMail(const Alert& alert, const Settings& settings);
    void count(const ChannelResult& result);

    const std::string m_host;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    Settings m_settings;
    std::deque<Alert> m_queue;
    bool m_busy = false;
    bool m_stopping = false;
    std::atomic<bool> m_cancel{false};
    std::vector<ChannelCount> m_counts{{"syslog"}, {"hook"}, {"mail"}};
    uint64_t m_dropped = 0;
    std::thread m_worker;
};

}  // namespace zdmond
