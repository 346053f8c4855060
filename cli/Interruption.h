// Interruption: Ctrl-C (SIGINT) and SIGTERM while zdctl follows something.
//
// While an Interruption lives, the two signals only set a flag; wait()
// sleeps in short slices and tells whether one came, so the caller can say
// what is still running in the controller before it exits. The previous
// handlers come back when it ends.
//
//   Interruption interruption;
//   while (running()) if (interruption.wait(200ms)) ...
#pragma once

#include <chrono>
#include <csignal>

namespace zdctl {

class Interruption {
public:
    Interruption();
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    bool interrupted() const;
    // Forgets a signal that came, so that the next one is seen again.
    void clear();
    // Sleeps for `duration` unless interrupted; true when interrupted.
    bool wait(std::chrono::milliseconds duration) const;

private:
    struct sigaction m_previousInt {};
    struct sigaction m_previousTerm {};
};

}  // namespace zdctl
