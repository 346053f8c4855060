// Injected answers: makes a named ABI function answer a given status instead
// of doing its work, for the next n calls or for good.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

class StatusInjector {
public:
    // times < 0: always; times 0: removes the injection.
    void inject(const std::string& function, uint8_t status, int times);
    void clear() { m_injections.clear(); }
    // The status to answer for this call of the function, if one is injected
    // (using up one of its remaining times).
    std::optional<uint8_t> take(const std::string& function);

private:
    struct Injection {
        uint8_t status;
        int remaining;  // < 0: unlimited
    };
    std::map<std::string, Injection> m_injections;
};
