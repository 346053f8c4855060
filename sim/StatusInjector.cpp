#include "sim/StatusInjector.h"

void StatusInjector::inject(const std::string& function, uint8_t status, int times) {
    if (times == 0) {
        m_injections.erase(function);
        return;
    }
    m_injections[function] = Injection{status, times};
}

std::optional<uint8_t> StatusInjector::take(const std::string& function) {
    auto it = m_injections.find(function);
    if (it == m_injections.end()) return std::nullopt;
    uint8_t status = it->second.status;
    if (it->second.remaining > 0 && --it->second.remaining == 0) m_injections.erase(it);
    return status;
}
