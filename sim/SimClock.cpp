#include "sim/SimClock.h"

#include <chrono>
#include <cstdlib>

SimClock::SimClock() { m_setting.scale = environmentScale().value_or(1.0); }

std::optional<double> SimClock::environmentScale() {
    const char* text = std::getenv("ZD_SIM_TIME_SCALE");
    if (text == nullptr) return std::nullopt;
    char* end = nullptr;
    double scale = std::strtod(text, &end);
    if (end == text || !valid(scale)) return std::nullopt;
    return scale;
}

uint64_t SimClock::nowMs() const {
    if (m_setting.manual) return m_setting.manualMs;
    auto since = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void SimClock::useManual(bool manual) {
    if (manual && !m_setting.manual) m_setting.manualMs = 0;
    m_setting.manual = manual;
}

void SimClock::resetManual() {
    m_setting.manual = true;
    m_setting.manualMs = 0;
}
