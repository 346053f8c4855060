#include "daemon/Signals.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace zdmond {

namespace {

sigset_t handled()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

Signals::Signals()
{
    sigset_t set = handled();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);
    m_fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0) throw std::runtime_error(std::string("signalfd: ") + std::strerror(errno));
}

Signals::~Signals()
{
    close(m_fd);
    sigset_t set = handled();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void Signals::read()
{
    signalfd_siginfo info{};
    while (::read(m_fd, &info, sizeof(info)) == static_cast<ssize_t>(sizeof(info))) {
        if (info.ssi_signo == SIGHUP)
            m_reload = true;
        else
            m_stop = true;
    }
}

void Signals::wait(std::chrono::milliseconds timeout)
{
    pollfd fd{m_fd, POLLIN, 0};
    int ms = static_cast<int>(std::min<std::chrono::milliseconds::rep>(timeout.count(), 1 << 30));
    if (!m_stop && !m_reload) poll(&fd, 1, ms < 0 ? 0 : ms);
    read();
}

bool Signals::stopRequested()
{
    read();
    return m_stop;
}

bool Signals::takeReload()
{
    read();
    bool reload = m_reload;
    m_reload = false;
    return reload;
}

}  // namespace zdmond
