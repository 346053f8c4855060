// ServiceManager: tells systemd how zdmond is doing (Type=notify, libsystemd):
// ready, reloading, stopping, a status line, and the watchdog keep-alive.
// Every call does nothing when zdmond was not started by systemd.
//
//   ServiceManager service;
//   service.ready("watching 2 adapters");
//   if (service.watchdogDue()) service.keepAlive();
#pragma once

#include <chrono>
#include <string>

namespace zdmond {

class ServiceManager {
public:
    ServiceManager();

    void ready(const std::string& status);
    void reloading();
    void stopping();
    void status(const std::string& status);
    // Sends the keep-alive when half the watchdog interval has passed since the last one.
    void keepAlive();
    // How long the main loop may sleep before the next keep-alive is due (a day without a watchdog).
    std::chrono::steady_clock::duration untilKeepAlive() const;

private:
    std::chrono::microseconds m_watchdog{0};
    std::chrono::steady_clock::time_point m_lastKeepAlive;
};

}  // namespace zdmond
