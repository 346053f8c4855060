// Time source of the simulated controller.
//
// Background activities progress with this clock. By default it follows the
// wall clock (milliseconds since the epoch, so that separate processes
// sharing a state file agree), sped up by the factor in ZD_SIM_TIME_SCALE.
// Tests switch to the manual clock, which moves only when advanced.
#pragma once

#include <cstdint>

class SimClock {
public:
    SimClock();

    // Milliseconds on the current clock: wall time or the manual counter.
    uint64_t nowMs() const;
    // Seconds for event timestamps.
    uint32_t nowSeconds() const { return static_cast<uint32_t>(nowMs() / 1000); }
    // How many simulated milliseconds pass per clock millisecond.
    double speed() const { return m_manual ? 1.0 : m_scale; }

    bool manual() const { return m_manual; }
    void useManual(bool manual);
    void resetManual();  // manual clock at time 0
    void advance(uint64_t ms) { m_manualMs += ms; }

private:
    bool m_manual = false;
    uint64_t m_manualMs = 0;
    double m_scale = 1.0;
};
