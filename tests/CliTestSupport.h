// zdctl run as a user runs it, for the end-to-end tests of zdctl.
//
// Each Enclosure is one fresh simulated enclosure: the simulator's state
// file, the schedule file and the log live in a private temporary directory,
// and every variable zdctl and the simulator read is set for each run, so a
// user's own exports never change a test's outcome.
//
// Activities are followed deterministically on the simulator's manual clock
// (`zdctl sim clock manual`): start the follower in the background, wait
// until it shows its first progress, then move the clock on.
//
//   Enclosure enclosure;
//   enclosure.succeeds({"sim", "clock", "manual"});
//   Running check = enclosure.start({"array", "check", "0", "--wait"});
//   ASSERT_TRUE(check.waitFor("%\n"));
//   enclosure.succeeds({"sim", "advance", "40s"});
//   Outcome checked = check.finish();      // or, in one: enclosure.follow(args, "40s")
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/TestSupport.h"

namespace zdtest {

struct Outcome {
    int code = -1;  // exit status; -1 when it did not exit
    std::string out;
    std::string err;
};

// A program started in the background; finished (killed if need be) at the latest when destroyed.
class Running {
public:
    Running(pid_t pid, std::string outPath, std::string errPath)
        : m_pid(pid), m_outPath(std::move(outPath)), m_errPath(std::move(errPath))
    {
    }
    Running(Running&& other) noexcept
        : m_pid(other.m_pid), m_outPath(std::move(other.m_outPath)), m_errPath(std::move(other.m_errPath)),
          m_ended(other.m_ended), m_status(other.m_status)
    {
        other.m_pid = -1;
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    ~Running()
    {
        if (m_pid <= 0 || m_ended) return;
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }

    // What it wrote so far: standard output, then standard error.
    std::string written() const { return readFile(m_outPath) + readFile(m_errPath); }

    // Waits (up to a minute) until it has written `text`; false when it
    // never does, or the program ended first.
    bool waitFor(const std::string& text)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            if (written().find(text) != std::string::npos) return true;
            if (ended()) return written().find(text) != std::string::npos;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    void signal(int number) const { kill(m_pid, number); }

    // Waits for its end.
    Outcome finish()
    {
        if (!m_ended) m_status = waitForExit(m_pid);
        m_pid = -1;
        return {WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1, readFile(m_outPath), readFile(m_errPath)};
    }

private:
    bool ended()
    {
        m_ended = m_ended || waitpid(m_pid, &m_status, WNOHANG) == m_pid;
        return m_ended;
    }

    pid_t m_pid;
    std::string m_outPath, m_errPath;
    bool m_ended = false;
    int m_status = 0;
};

// One fresh enclosure: the simulator state, schedule file and log in a temporary directory.
class Enclosure {
public:
    // timeScale: how much faster than real time the simulated activities run.
    explicit Enclosure(const char* timeScale = "400") : m_timeScale(timeScale) {}

    // Runs `zdctl args...` with standard input from /dev/null (not a terminal).
    Outcome zdctl(const std::vector<std::string>& args) const { return run(ZD_BINARY_DIR "/bin/zdctl", args); }
    Running start(const std::vector<std::string>& args) const { return launch(ZD_BINARY_DIR "/bin/zdctl", args); }

    Outcome run(const std::string& program, const std::vector<std::string>& args) const
    {
        return launch(program, args).finish();
    }

    // Runs `zdctl args...`, which follows an activity, on the manual clock:
    // once it shows progress, the clock moves `advance` ("40s") on.
    Outcome follow(const std::vector<std::string>& args, const std::string& advance) const
    {
        Running following = start(args);
        EXPECT_TRUE(following.waitFor("%\n")) << following.written();
        succeeds({"sim", "advance", advance});
        return following.finish();
    }

    // The standard output of `zdctl args...`.
    std::string out(const std::vector<std::string>& args) const { return zdctl(args).out; }
    // `zdctl args...`, failing the test unless it exits 0.
    Outcome succeeds(const std::vector<std::string>& args) const {
        Outcome outcome = zdctl(args);
        EXPECT_EQ(outcome.code, 0) << outcome.err;
        return outcome;
    }
    std::string file(const std::string& name) const { return m_dir.file(name); }
    // Sets a variable for every later run (ZDBRIDGE_DB_PATH, say).
    void setEnvironment(const std::string& name, const std::string& value) { m_environment.emplace_back(name, value); }

    // Later runs are the unprivileged user's (nobody) when the tests run as
    // root, whose writes no file permission stops; the enclosure's directory
    // becomes that user's. False when that user cannot run zdctl here.
    bool runUnprivileged()
    {
        if (geteuid() != 0) return true;
        const passwd* nobody = getpwnam("nobody");
        if (nobody == nullptr || chown(m_dir.path().c_str(), nobody->pw_uid, nobody->pw_gid) != 0) return false;
        m_user = nobody->pw_uid;
        m_group = nobody->pw_gid;
        return zdctl({"--version"}).code == 0;
    }

    // Starts `program args...` with this enclosure's environment and `extra`
    // (an empty value removes the variable), standard input from /dev/null and
    // its output into the two files (the same file twice gathers both);
    // answers its pid for waitpid.
    pid_t spawn(const std::string& program, const std::vector<std::string>& args, const std::string& outPath,
                const std::string& errPath, const std::vector<std::pair<std::string, std::string>>& extra = {}) const
    {
        pid_t child = fork();
        if (child == 0) {
            setenv("ZD_SIM_STATE", m_dir.file("enclosure.json").c_str(), 1);
            setenv("ZDBRIDGE_DB_PATH", m_dir.file("db.xml").c_str(), 1);
            setenv("ZDBRIDGE_LOG_DIR", (m_dir.path() + "/").c_str(), 1);
            setenv("ZD_SIM_TIME_SCALE", m_timeScale.c_str(), 1);
            setenv("ZD_SIM_PAGE_DELAY_MS", "1", 1);
            setenv("ZDBRIDGE_CONTROLLER", "simulator", 1);
            setenv("ZDCTL_HISTORY", m_dir.file("events.db").c_str(), 1);  // where zdmond's tests keep it
            unsetenv("ZDCTL_BRIDGE");
            unsetenv("NO_COLOR");
            for (const auto& variable : m_environment) setenv(variable.first.c_str(), variable.second.c_str(), 1);
            for (const auto& [name, value] : extra) {
                if (value.empty())
                    unsetenv(name.c_str());
                else
                    setenv(name.c_str(), value.c_str(), 1);
            }
            int in = open("/dev/null", O_RDONLY);
            int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = errPath == outPath ? out : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(in, 0);
            dup2(out, 1);
            dup2(err, 2);
            if (m_user != 0 && (setgroups(0, nullptr) != 0 || setgid(m_group) != 0 || setuid(m_user) != 0)) _exit(126);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        return child;
    }

private:
    Running launch(const std::string& program, const std::vector<std::string>& args) const
    {
        const std::string run = std::to_string(++m_runs);
        const std::string outPath = m_dir.file("stdout." + run), errPath = m_dir.file("stderr." + run);
        return Running(spawn(program, args, outPath, errPath), outPath, errPath);
    }

    TempDir m_dir;
    std::string m_timeScale;
    std::vector<std::pair<std::string, std::string>> m_environment;
    uid_t m_user = 0;
    gid_t m_group = 0;
    mutable unsigned m_runs = 0;
};

}  // namespace zdtest
