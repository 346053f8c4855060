// zdctl run as a user runs it, for the end-to-end tests of zdctl.
//
// Each Enclosure is one fresh simulated enclosure: the simulator's state
// file, the schedule file and the log live in a private temporary directory,
// and every variable zdctl and the simulator read is set for each run, so a
// user's own exports never change a test's outcome.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace zdtest {

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

// One fresh enclosure: the simulator state, schedule file and log in a temporary directory.
class Enclosure {
public:
    // timeScale: how much faster than real time the simulated activities run.
    explicit Enclosure(const char* timeScale = "400") : m_timeScale(timeScale) {}

    // Runs `zdctl args...` with standard input from /dev/null (not a terminal).
    Outcome zdctl(const std::vector<std::string>& args) const { return run(ZD_BINARY_DIR "/bin/zdctl", args); }

    Outcome run(const std::string& program, const std::vector<std::string>& args) const
    {
        const std::string outPath = m_dir.file("stdout"), errPath = m_dir.file("stderr");
        int status = 0;
        waitpid(spawn(program, args, outPath, errPath), &status, 0);
        Outcome outcome;
        outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = readFile(outPath);
        outcome.err = readFile(errPath);
        return outcome;
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
            int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int err = errPath == outPath ? out : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(in, 0);
            dup2(out, 1);
            dup2(err, 2);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        return child;
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

private:
    TempDir m_dir;
    std::string m_timeScale;
    std::vector<std::pair<std::string, std::string>> m_environment;
};

}  // namespace zdtest
