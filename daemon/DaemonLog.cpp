#include "daemon/DaemonLog.h"

#include <syslog.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace zdmond::DaemonLog {

namespace {

std::mutex g_mutex;
Target g_target = Target::Stderr;
bool g_journal = false;

void write(int priority, const char* level, const std::string& message)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_target == Target::Syslog) {
        syslog(priority, "%s", message.c_str());
    } else if (g_journal) {
        std::fprintf(stderr, "<%d>%s\n", priority, message.c_str());
    } else {
        std::fprintf(stderr, "zdmond: %s%s\n", level, message.c_str());
    }
    std::fflush(stderr);
}

}  // namespace

void setup(Target target)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_target = target;
    g_journal = std::getenv("JOURNAL_STREAM") != nullptr;
    openlog("zdmond", LOG_PID | LOG_NDELAY, LOG_DAEMON);
}

void error(const std::string& message) { write(LOG_ERR, "error: ", message); }
void warning(const std::string& message) { write(LOG_WARNING, "warning: ", message); }
void info(const std::string& message) { write(LOG_INFO, "", message); }

}  // namespace zdmond::DaemonLog
