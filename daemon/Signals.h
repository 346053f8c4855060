// Signals: SIGTERM, SIGINT and SIGHUP as requests the main loop reads.
//
// Built in main() before any thread starts: it blocks the three signals (so
// every later thread inherits the mask and none is interrupted by them),
// ignores SIGPIPE, and receives them through a signalfd. The main loop sleeps
// in wait(); a monitoring cycle asks stopRequested() between its steps so that
// SIGTERM ends zdmond within a second.
//
//   Signals signals;
//   while (!signals.stopRequested()) { signals.wait(untilNextCycle); if (signals.takeReload()) ...; }
#pragma once

#include <chrono>

namespace zdmond {

class Signals {
public:
    Signals();
    ~Signals();
    Signals(const Signals&) = delete;
    Signals& operator=(const Signals&) = delete;

    // Sleeps until a signal arrives or the timeout passes.
    void wait(std::chrono::milliseconds timeout);
    // Reads any pending signal without waiting; true once SIGTERM or SIGINT came.
    bool stopRequested();
    // True once per SIGHUP received.
    bool takeReload();

private:
    void read();

    int m_fd = -1;
    bool m_stop = false;
    bool m_reload = false;
};

}  // namespace zdmond
