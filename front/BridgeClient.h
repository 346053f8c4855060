// BridgeClient: the bridge library as a management application sees it.
//
// Loads libzdbridge.so with dlopen (never linking it) and calls it only
// through the eight exported functions of include/zdbridge.h. Answers are
// copied out of the library's buffer at once, so callers own plain strings.
// The library is unloaded (running its teardown) when the client is destroyed.
//
//   BridgeClient bridge(BridgeClient::locate());
//   std::string text;
//   if (bridge.single("PD", "3", text)) ...
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zdfront {

class BridgeClient {
public:
    // ZDCTL_BRIDGE if set, else libzdbridge.so.1 in this installation's
    // library directory (front/InstallLayout.h), else that name for the
    // system loader.
    static std::string locate();

    explicit BridgeClient(const std::string& libraryPath);  // throws Error
    ~BridgeClient();
    BridgeClient(const BridgeClient&) = delete;
    BridgeClient& operator=(const BridgeClient&) = delete;

    const std::string& path() const { return m_path; }
    std::string version() const;
    void selectAdapter(unsigned adapterId) const;

    // True when the provider answered; text holds whatever was stored (may be empty).
    bool single(const std::string& className, const std::string& key, std::string& text) const;
    // Nothing when the bridge stored no answer (class not registered, upload running).
    std::optional<std::string> array(const std::string& className) const;
    std::string range(const std::string& name) const;
    std::optional<std::string> condition(const std::string& request) const;
    uint8_t command(const std::string& request) const;
    std::optional<std::string> events() const;

private:
    void* m_handle = nullptr;
    std::string m_path;
    const char* (*m_getBridgeVersion)() = nullptr;
    void (*m_selectAdapter)(const char*) = nullptr;
    bool (*m_getSingleInfo)(const char*, const char*, char**) = nullptr;
    void (*m_getArrayInfo)(const char*, char**) = nullptr;
    void (*m_getRange)(const char*, char**) = nullptr;
    void (*m_getCondition)(const char*, char**) = nullptr;
    unsigned char (*m_sendCommand)(const char*) = nullptr;
    void (*m_getEvent)(char**) = nullptr;
};

}  // namespace zdfront
