// zdmond as its end-to-end tests run it: the built daemon over one simulated
// enclosure (zdtest::Enclosure), its configuration, history and hook in the
// enclosure's temporary directory, started in the foreground and killed at
// the end of the test if it has not been stopped.
//
//   DaemonEnclosure enclosure;
//   Zdmond zdmond(enclosure, enclosure.daemonArgs());
//   ASSERT_TRUE(waitUntil([&] { return zdmond.metric(sample) == 1.0; }, "the degraded array"));
#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CliTestSupport.h"
#include "front/EventHistory.h"

namespace zdtest {

using namespace std::chrono_literals;

const std::string kZdmond = ZD_BINARY_DIR "/bin/zdmond";
const std::string kZdctl = ZD_BINARY_DIR "/bin/zdctl";

// Waits for the condition, polling; fails the test at the deadline.
inline bool waitUntil(const std::function<bool()>& condition, const std::string& what,
               std::chrono::seconds deadline = 60s)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(50ms);
    }
    ADD_FAILURE() << "timed out waiting for " << what;
    return false;
}

// One simulated enclosure (zdtest::Enclosure: its state, schedule file and
// log in a temporary directory), with zdmond's configuration, history and hook.
class DaemonEnclosure : public zdtest::Enclosure {
public:
    DaemonEnclosure() : zdtest::Enclosure("10")
    {
        setEnvironment("ZDBRIDGE_RESCAN_DELAY_MS", "0");
        hook("hook", "hook.log");
        zdtest::writeFile(file("zdmond.conf"), "[syslog]\nseverity = off\n[hook]\nprogram = " + file("hook") +
                                                   "\nseverity = info\ntimeout = 10\n");
    }

    std::string database() const { return file("events.db"); }

    // A hook that logs "EVENT DEVICE [COMPONENT] result=..." lines into `log`.
    void hook(const std::string& name, const std::string& log) const
    {
        zdtest::writeFile(file(name), "#!/bin/sh\necho \"$* result=$ZD_RESULT\" >> " + file(log) + "\n");
        chmod(file(name).c_str(), 0700);
    }
    std::string hookLog(const std::string& log = "hook.log") const { return zdtest::readFile(file(log)); }

    using zdtest::Enclosure::start;  // zdctl in the background
    // Starts a program with both its outputs into `output`, outside any systemd
    // service unless `extra` says otherwise.
    pid_t start(const std::string& program, const std::vector<std::string>& args, const std::string& output,
                std::vector<std::pair<std::string, std::string>> extra = {}) const
    {
        extra.insert(extra.begin(), {{"NOTIFY_SOCKET", ""}, {"WATCHDOG_USEC", ""}, {"WATCHDOG_PID", ""},
                                     {"JOURNAL_STREAM", ""}});
        return spawn(program, args, output, output, extra);
    }

    // zdmond's usual arguments: foreground, the history, a free port, a cycle a second.
    std::vector<std::string> daemonArgs(const std::string& history = "") const
    {
        return {"--foreground", "--config", file("zdmond.conf"), "--db", history.empty() ? database() : history,
                "--listen", "127.0.0.1:0", "--interval", "1"};
    }

    // Empty until zdmond has made the history.
    std::vector<zdfront::HistoryEvent> history() const
    {
        if (!zdtest::fileExists(database())) return {};
        zdfront::EventHistory history(database(), zdfront::EventHistory::Mode::ReadOnly);
        return history.query({});
    }
    size_t historyCount(const std::string& source, const std::string& name) const
    {
        size_t count = 0;
        for (const zdfront::HistoryEvent& event : history())
            if (event.source == source && event.name == name) ++count;
        return count;
    }

};

// A running zdmond; killed at destruction if the test has not stopped it.
class Zdmond {
public:
    Zdmond(const DaemonEnclosure& enclosure, const std::vector<std::string>& args,
           const std::vector<std::pair<std::string, std::string>>& extra = {})
        : m_log(enclosure.file("zdmond-" + std::to_string(++s_started) + ".log"))
    {
        m_pid = enclosure.start(kZdmond, args, m_log, extra);
    }
    ~Zdmond()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }

    std::string log() const { return zdtest::readFile(m_log); }
    pid_t pid() const { return m_pid; }

    // The port from the log line "serving metrics on http(s)://HOST:PORT/metrics".
    int port()
    {
        const std::string marker = "serving metrics on http";
        if (m_port == 0 && waitUntil([&] { return log().find(marker) != std::string::npos || exited(); },
                                     "zdmond's listener")) {
            std::string text = log();
            size_t at = text.find(marker);
            size_t end = at == std::string::npos ? at : text.find("/metrics", at);
            size_t colon = end == std::string::npos ? end : text.rfind(':', end);
            m_port = colon == std::string::npos ? -1 : std::stoi(text.substr(colon + 1));
            EXPECT_GT(m_port, 0) << "zdmond did not start:\n" << text;
        }
        return m_port;
    }

    bool exited()
    {
        int status = 0;
        if (m_pid <= 0 || waitpid(m_pid, &status, WNOHANG) != m_pid) return false;
        m_pid = -1;
        return true;
    }

    std::string metrics()
    {
        if (port() <= 0) return {};
        httplib::Client client("127.0.0.1", port());
        auto response = client.Get("/metrics");
        return response && response->status == 200 ? response->body : std::string();
    }

    // The value of one sample ("zd_array_degraded{adapter=\"0\",array=\"0\"}").
    std::optional<double> metric(const std::string& sample)
    {
        const std::string page = metrics();
        size_t at = page.find("\n" + sample + " ");
        if (at == std::string::npos) return std::nullopt;
        return std::stod(page.substr(at + sample.size() + 2));
    }

    // Sends the signal and waits for the exit; answers the exit status and the time it took.
    int stop(int signal, std::chrono::milliseconds* took = nullptr)
    {
        const auto start = std::chrono::steady_clock::now();
        kill(m_pid, signal);
        const int status = zdtest::waitForExit(m_pid);
        m_pid = -1;
        if (took) *took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int waitExit()
    {
        const int status = zdtest::waitForExit(m_pid);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    static inline int s_started = 0;
    std::string m_log;
    pid_t m_pid = -1;
    int m_port = 0;
};


}  // namespace zdtest
