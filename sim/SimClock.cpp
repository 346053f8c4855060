#include "sim/SimClock.h"

#include <chrono>
#include <cstdlib>

SimClock::SimClock() {
    if (const char* text = std::getenv("ZD_SIM_TIME_SCALE")) {
        char* end = nullptr;
        double scale = std::strtod(text, &end);
        if (end != text && scale > 0.0) m_scale = scale;
    }
}

uint64_t SimClock::nowMs() const {
    if (m_manual) return m_manualMs;
    auto since = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void SimClock::useManual(bool manual) {
    if (manual && !m_manual) m_manualMs = 0;
    m_manual = manual;
}

void SimClock::resetManual() {
    m_manual = true;
    m_manualMs = 0;
}
