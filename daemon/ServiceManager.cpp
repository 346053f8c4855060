#include "daemon/ServiceManager.h"

#include <systemd/sd-daemon.h>

#include <cstdint>

namespace zdmond {

ServiceManager::ServiceManager() : m_lastKeepAlive(std::chrono::steady_clock::now())
{
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0) m_watchdog = std::chrono::microseconds(usec);
}

void ServiceManager::ready(const std::string& status)
{
    sd_notifyf(0, "READY=1\nSTATUS=%s", status.c_str());
}

void ServiceManager::reloading()
{
    sd_notify(0, "RELOADING=1");
}

void ServiceManager::stopping()
{
    sd_notify(0, "STOPPING=1");
}

void ServiceManager::status(const std::string& status)
{
    sd_notifyf(0, "STATUS=%s", status.c_str());
}

void ServiceManager::keepAlive()
{
    if (m_watchdog.count() == 0) return;
    auto now = std::chrono::steady_clock::now();
    if (now - m_lastKeepAlive < m_watchdog / 2) return;
    sd_notify(0, "WATCHDOG=1");
    m_lastKeepAlive = now;
}

std::chrono::steady_clock::duration ServiceManager::untilKeepAlive() const
{
    if (m_watchdog.count() == 0) return std::chrono::hours(24);
    auto due = m_lastKeepAlive + m_watchdog / 2;
    auto now = std::chrono::steady_clock::now();
    return due > now ? due - now : std::chrono::steady_clock::duration::zero();
}

}  // namespace zdmond
