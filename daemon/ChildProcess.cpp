#include "daemon/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "front/Descriptor.h"

extern char** environ;

namespace zdmond {

namespace {

using zdfront::Descriptor;

constexpr size_t kKeptOutput = 4096;
constexpr int kPollMs = 50;

bool makePipe(Descriptor& read, Descriptor& write)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    read.reset(fds[0]);
    write.reset(fds[1]);
    return true;
}

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& added)
{
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string text = *entry;
        if (!added.count(text.substr(0, text.find('=')))) entries.push_back(text);
    }
    for (const auto& [name, value] : added) entries.push_back(name + "=" + value);
    return entries;
}

std::vector<char*> pointers(std::vector<std::string>& texts)
{
    std::vector<char*> result;
    for (std::string& text : texts) result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

// Appends what the pipe holds now, keeping only the last kKeptOutput bytes;
// false once the pipe is at its end.
bool keepOutput(int fd, std::string& output)
{
    char buffer[1024];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof(buffer))) > 0) {
        output.append(buffer, static_cast<size_t>(got));
        if (output.size() > kKeptOutput) output.erase(0, output.size() - kKeptOutput);
    }
    return got < 0 && errno == EAGAIN;
}

}  // namespace

std::string ChildOutcome::describe() const
{
    if (!started) return "could not start: " + error;
    if (timedOut) return "killed at its time limit (or at shutdown)";
    if (signal) return std::string("ended by signal ") + strsignal(signal);
    return "exited with status " + std::to_string(exitCode);
}

ChildOutcome ChildProcess::run(const std::vector<std::string>& argv,
                               const std::map<std::string, std::string>& environment, const std::string& input,
                               std::chrono::milliseconds timeout, const std::atomic<bool>* cancel)
{
    ChildOutcome outcome;
    Descriptor inRead, inWrite, outRead, outWrite;
    if (!makePipe(inRead, inWrite) || !makePipe(outRead, outWrite)) {
        outcome.error = std::strerror(errno);
        return outcome;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inRead.get(), 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite.get(), 1);
    posix_spawn_file_actions_adddup2(&actions, outWrite.get(), 2);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigfillset(&defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    std::vector<std::string> args = argv;
    std::vector<std::string> env = mergedEnvironment(environment);
    std::vector<char*> argPointers = pointers(args), envPointers = pointers(env);
    pid_t child = -1;
    int code = posix_spawn(&child, args[0].c_str(), &actions, &attributes, argPointers.data(), envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (code != 0) {
        outcome.error = args[0] + ": " + std::strerror(code);
        return outcome;
    }
    outcome.started = true;
    inRead.reset();
    outWrite.reset();
    fcntl(inWrite.get(), F_SETFL, O_NONBLOCK);
    fcntl(outRead.get(), F_SETFL, O_NONBLOCK);
    if (input.empty()) inWrite.reset();

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    size_t written = 0;
    int status = 0;
    bool exited = false;
    while (!exited) {
        if (std::chrono::steady_clock::now() >= deadline || (cancel && *cancel)) {
            kill(-child, SIGKILL);
            waitpid(child, &status, 0);
            outcome.timedOut = true;
            break;
        }
        // A closed descriptor (-1) is left out by poll.
        pollfd fds[2] = {{outRead.get(), POLLIN, 0}, {inWrite.get(), POLLOUT, 0}};
        poll(fds, 2, kPollMs);
        if ((fds[0].revents & (POLLIN | POLLHUP)) && !keepOutput(outRead.get(), outcome.output)) outRead.reset();
        if (inWrite.get() >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t put = write(inWrite.get(), input.data() + written, input.size() - written);
            if (put > 0) written += static_cast<size_t>(put);
            if (put < 0 && errno != EAGAIN) written = input.size();  // the reader has gone
            if (written == input.size()) inWrite.reset();
        }
        exited = waitpid(child, &status, WNOHANG) == child;
    }
    if (!outcome.timedOut) {
        if (outRead.get() >= 0) keepOutput(outRead.get(), outcome.output);
        if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
    }
    return outcome;
}

}  // namespace zdmond
