#include "daemon/Notifier.h"

#include <syslog.h>
#include <unistd.h>

#include <ctime>

#include "daemon/ChildProcess.h"
#include "daemon/DaemonLog.h"
#include "daemon/Severity.h"

namespace zdmond {

namespace {

constexpr auto kMailTimeout = std::chrono::seconds(60);

std::string hostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof(name) - 1) != 0) return "localhost";
    return name;
}

// A header value on one line: line breaks would start headers of their own.
std::string headerValue(std::string text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

std::string timeText(int64_t seconds, const char* format)
{
    std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&time, &local);
    char text[64];
    std::strftime(text, sizeof(text), format, &local);
    return text;
}

std::string mailText(const Alert& alert, const std::string& to, const std::string& from, const std::string& host)
{
    std::string text = "To: " + headerValue(to) + "\n";
    if (!from.empty()) text += "From: " + headerValue(from) + "\n";
    text += "Subject: " + headerValue("zdmond " + std::string(severityName(alert.severity)) + ": " + alert.event +
                                      " on " + host + " " + alert.device) + "\n";
    text += "Date: " + timeText(alert.time, "%a, %d %b %Y %H:%M:%S %z") + "\n";
    text += "Auto-Submitted: auto-generated\nContent-Type: text/plain; charset=UTF-8\n\n";
    text += alert.message + "\n\n";
    text += "Event:     " + alert.event + "\n";
    text += "Severity:  " + std::string(severityName(alert.severity)) + "\n";
    text += "Device:    " + alert.device + "\n";
    if (!alert.component.empty()) text += "Component: " + alert.component + "\n";
    text += "Time:      " + timeText(alert.time, "%Y-%m-%d %H:%M:%S %Z") + "\n";
    text += "Host:      " + host + "\n";
    for (const auto& [name, value] : alert.details) text += name + ": " + value + "\n";
    if (alert.historyId) text += "\nStored as event " + std::to_string(alert.historyId) + " of zdmond's history.\n";
    return text;
}

std::string lastLine(const std::string& output)
{
    size_t end = output.find_last_not_of("\n");
    if (end == std::string::npos) return {};
    size_t start = output.rfind('\n', end);
    return output.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

}  // namespace

Notifier::Notifier(const Config& config) : m_host(hostName()), m_settings(settingsOf(config))
{
    m_worker = std::thread(&Notifier::work, this);
}

Notifier::~Notifier()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        if (!m_queue.empty())
            DaemonLog::warning(std::to_string(m_queue.size()) + " alert(s) not sent through the hook or mail at shutdown");
        m_queue.clear();
    }
    m_cancel = true;
    m_wake.notify_all();
    m_worker.join();
}

Notifier::Settings Notifier::settingsOf(const Config& config)
{
    Settings settings{config.syslogSeverity, config.hookProgram, config.hookSeverity, config.hookTimeout,
                      config.mailTo,         config.mailFrom,    config.mailSeverity, config.sendmail};
    if (!settings.mailTo.empty() && access(settings.sendmail.c_str(), X_OK) != 0)
        DaemonLog::warning("mail to " + settings.mailTo + " is configured, but " + settings.sendmail +
                           " is missing: mail alerts will fail");
    return settings;
}

void Notifier::reconfigure(const Config& config)
{
    Settings settings = settingsOf(config);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings = settings;
}

void Notifier::notify(const Alert& alert)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (alert.severity >= m_settings.syslogSeverity) count(sendSyslog(alert));
    bool hook = !m_settings.hookProgram.empty() && alert.severity >= m_settings.hookSeverity;
    bool mail = !m_settings.mailTo.empty() && alert.severity >= m_settings.mailSeverity;
    if (!hook && !mail) return;
    if (m_queue.size() >= kQueueLimit) {
        ++m_dropped;
        lock.unlock();
        DaemonLog::warning("alert queue full, hook and mail skipped for: " + alert.line());
        return;
    }
    m_queue.push_back(alert);
    m_wake.notify_one();
}

void Notifier::work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping) return;
        Alert alert = std::move(m_queue.front());
        m_queue.pop_front();
        Settings settings = m_settings;
        m_busy = true;
        lock.unlock();
        std::vector<ChannelResult> results;
        if (!settings.hookProgram.empty() && alert.severity >= settings.hookSeverity)
            results.push_back(runHook(alert, settings));
        if (!settings.mailTo.empty() && alert.severity >= settings.mailSeverity)
            results.push_back(sendMail(alert, settings));
        for (const ChannelResult& result : results)
            if (!result.ok) DaemonLog::warning(result.channel + " for " + alert.event + " " + alert.device + ": " + result.detail);
        lock.lock();
        for (const ChannelResult& result : results) count(result);
        m_busy = false;
        if (m_queue.empty()) m_idle.notify_all();
    }
}

ChannelResult Notifier::sendSyslog(const Alert& alert)
{
    syslog(LOG_DAEMON | syslogPriority(alert.severity), "%s", alert.line().c_str());
    return {"syslog", true, "priority " + std::to_string(syslogPriority(alert.severity))};
}

ChannelResult Notifier::runHook(const Alert& alert, const Settings& settings)
{
    std::vector<std::string> argv{settings.hookProgram};
    for (const std::string& argument : alert.arguments()) argv.push_back(argument);
    ChildOutcome outcome = ChildProcess::run(argv, alert.environment(m_host), "",
                                             std::chrono::seconds(settings.hookTimeout), &m_cancel);
    std::string detail = settings.hookProgram + " " + outcome.describe();
    std::string last = lastLine(outcome.output);
    if (!outcome.ok() && !last.empty()) detail += ": " + last;
    return {"hook", outcome.ok(), detail};
}

ChannelResult Notifier::sendMail(const Alert& alert, const Settings& settings)
{
    ChildOutcome outcome =
        ChildProcess::run({settings.sendmail, "-t", "-oi"}, {},
                          mailText(alert, settings.mailTo, settings.mailFrom, m_host), kMailTimeout, &m_cancel);
    std::string detail = "mail to " + settings.mailTo + ": " + settings.sendmail + " " + outcome.describe();
    std::string last = lastLine(outcome.output);
    if (!outcome.ok() && !last.empty()) detail += ": " + last;
    return {"mail", outcome.ok(), detail};
}

void Notifier::count(const ChannelResult& result)
{
    for (ChannelCount& channel : m_counts)
        if (channel.channel == result.channel) ++(result.ok ? channel.sent : channel.failed);
}

std::vector<ChannelResult> Notifier::sendTest(const Alert& alert)
{
    Settings settings;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        settings = m_settings;
    }
    std::vector<ChannelResult> results;
    if (settings.syslogSeverity < kSeverityNever) results.push_back(sendSyslog(alert));
    if (!settings.hookProgram.empty()) results.push_back(runHook(alert, settings));
    if (!settings.mailTo.empty()) results.push_back(sendMail(alert, settings));
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const ChannelResult& result : results) count(result);
    return results;
}

bool Notifier::waitIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_idle.wait_for(lock, timeout, [this] { return m_queue.empty() && !m_busy; });
}

std::vector<ChannelCount> Notifier::counts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counts;
}

uint64_t Notifier::dropped() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
}

}  // namespace zdmond
