// Time source of the simulated controller.
//
// Background activities progress with this clock. By default it follows the
// wall clock (milliseconds since the epoch, the same in every process),
// sped up by a time scale (ZD_SIM_TIME_SCALE). Tests switch to the manual
// clock, which moves only when advanced. The setting (manual or wall, the
// manual counter, the scale) belongs to the enclosure and is kept in its
// state file, so that every process sharing the file runs on one clock.
#pragma once

#include <cstdint>
#include <optional>

class SimClock {
public:
    struct Setting {
        bool manual = false;
        uint64_t manualMs = 0;
        double scale = 1.0;
    };

    SimClock();

    // Milliseconds on the current clock: wall time or the manual counter.
    uint64_t nowMs() const;
    // Seconds for event timestamps.
    uint32_t nowSeconds() const { return static_cast<uint32_t>(nowMs() / 1000); }
    // How many simulated milliseconds pass per clock millisecond.
    double speed() const { return m_setting.manual ? 1.0 : m_setting.scale; }

    bool manual() const { return m_setting.manual; }
    void useManual(bool manual);
    void resetManual();  // manual clock at time 0
    void advance(uint64_t ms) { m_setting.manualMs += ms; }

    const Setting& setting() const { return m_setting; }
    void set(const Setting& setting) { m_setting = setting; }
    void setScale(double scale) { m_setting.scale = scale; }

    // A usable time scale: above 0, at most a million.
    static bool valid(double scale) { return scale > 0.0 && scale <= 1e6; }
    // The scale ZD_SIM_TIME_SCALE asks for, if it holds a valid one.
    static std::optional<double> environmentScale();

private:
    Setting m_setting;
};
