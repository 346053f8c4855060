// Config: zdmond's settings, from its configuration file and command line.
//
// The file is INI text (parsed by inih); every key is optional and its
// default is the one documented in daemon/zdmond.conf. Unknown sections or
// keys and bad values are errors that name the file and line, so a typo never
// silently leaves a default in force. Command-line flags override the file;
// SIGHUP reads the file again and applies the same flags on top.
//
//   Config config = Config::load(path, /*required=*/true);   // throws ConfigError
//   overrides.applyTo(config);
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "front/MonitorConfig.h"

namespace zdmond {

class ConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// host and port of the HTTP listener; an empty host means no listener.
struct ListenAddress {
    std::string host;
    uint16_t port = 0;

    bool enabled() const { return !host.empty(); }
    // "localhost", 127.0.0.0/8 or ::1: only this machine can connect.
    bool loopback() const;
    std::string text() const;
    // "127.0.0.1:9788", "[::1]:9788", "localhost:0" or "off"; throws ConfigError.
    static ListenAddress parse(const std::string& text);
    bool operator==(const ListenAddress& other) const { return host == other.host && port == other.port; }
};

struct Config {
    static constexpr const char* kDefaultPath = zdfront::kMonitorConfigPath;

    std::string path;  // the file read; empty when none was

    // [monitor]
    unsigned interval = 60;       // seconds between cycles, aligned to the clock
    std::string database;         // the event history
    std::string bridge;           // libzdbridge.so to load; empty: the installed one
    std::string controller;       // "system", "simulator" or a libzd_api.so path; empty: ZDBRIDGE_CONTROLLER
    size_t pendingLimit = 10000;  // events kept in memory while the history cannot be written
    // [http]
    ListenAddress listen{"127.0.0.1", 9788};  // the dashboard, its API and /metrics
    ListenAddress metricsListen;              // /metrics alone, plain HTTP; off by default
    std::string tlsCert, tlsKey;              // PEM files; both or neither
    std::string tokenFile;                    // empty: web-token beside the database
    // [syslog]
    unsigned syslogSeverity;
    // [hook]
    std::string hookProgram;
    unsigned hookSeverity;
    unsigned hookTimeout = 30;  // seconds
    // [mail]
    std::string mailTo;
    std::string mailFrom;
    unsigned mailSeverity;
    std::string sendmail = "/usr/sbin/sendmail";

    Config();
    // Reads the file over the defaults. A missing file is an error only when
    // required (named on the command line); otherwise the defaults stand.
    static Config load(const std::string& path, bool required);  // throws ConfigError

    bool tls() const { return !tlsCert.empty(); }
    // The dashboard's access token file.
    std::string tokenPath() const;
    // The dashboard's address for people: "https://127.0.0.1:9788".
    std::string dashboardUrl(uint16_t port) const;
    // Throws ConfigError when the settings do not fit together: a dashboard on
    // an address other machines reach needs TLS, TLS needs a cert and a key.
    void validate() const;
};

// The settings given on the command line, applied over the file's.
struct ConfigOverrides {
    std::optional<unsigned> interval;
    std::optional<std::string> database;
    std::optional<std::string> listen;
    std::optional<std::string> hookProgram;
    std::optional<std::string> bridge;
    std::optional<std::string> controller;
    std::optional<std::string> tokenFile;

    // Applies the overrides, then checks the whole configuration (Config::validate).
    void applyTo(Config& config) const;  // throws ConfigError
};

}  // namespace zdmond
