#include "cli/Interruption.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace zdctl {

namespace {

std::atomic<bool> g_interrupted{false};

void onSignal(int) { g_interrupted = true; }

}  // namespace

Interruption::Interruption()
{
    g_interrupted = false;
    struct sigaction action {};
    action.sa_handler = onSignal;
    // The bridge's upload worker must not see its reads and writes fail.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_previousInt);
    sigaction(SIGTERM, &action, &m_previousTerm);
}

Interruption::~Interruption()
{
    sigaction(SIGINT, &m_previousInt, nullptr);
    sigaction(SIGTERM, &m_previousTerm, nullptr);
}

bool Interruption::interrupted() const { return g_interrupted; }

void Interruption::clear() { g_interrupted = false; }

bool Interruption::wait(std::chrono::milliseconds duration) const
{
    constexpr auto kSlice = std::chrono::milliseconds(20);
    for (auto slept = std::chrono::milliseconds(0); slept < duration && !g_interrupted; slept += kSlice)
        std::this_thread::sleep_for(std::min(kSlice, duration - slept));
    return g_interrupted;
}

}  // namespace zdctl
