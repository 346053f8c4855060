#include "daemon/Config.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <limits>
#include <map>

#include "daemon/Severity.h"
#include "front/Error.h"
#include "front/EventHistory.h"
#include "front/MonitorConfig.h"

namespace zdmond {

namespace {

unsigned number(const std::string& text, unsigned low, unsigned high, const std::string& what)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9)
        throw ConfigError(what + " takes a whole number, not '" + text + "'");
    unsigned long value = std::stoul(text);
    if (value < low || value > high)
        throw ConfigError(what + " must lie between " + std::to_string(low) + " and " + std::to_string(high));
    return static_cast<unsigned>(value);
}

unsigned severity(const std::string& text, const std::string& what)
{
    std::optional<unsigned> level = parseThreshold(text);
    if (!level) throw ConfigError(what + " takes info, warning, critical or off, not '" + text + "'");
    return *level;
}

std::string absolutePath(const std::string& text, const std::string& what)
{
    if (!text.empty() && text[0] != '/') throw ConfigError(what + " must be an absolute path, not '" + text + "'");
    return text;
}

std::string controller(const std::string& text, const std::string& what)
{
    if (text.empty() || text == "system" || text == "simulator" || text[0] == '/') return text;
    throw ConfigError(what + " takes system, simulator or the absolute path of a libzd_api.so, not '" + text + "'");
}

using Setter = std::function<void(Config&, const std::string&)>;

const std::map<std::string, Setter>& setters()
{
    static const std::map<std::string, Setter> table = {
        {"monitor.interval", [](Config& c, const std::string& v) { c.interval = number(v, 1, 86400, "interval"); }},
        {"monitor.database", [](Config& c, const std::string& v) { c.database = absolutePath(v, "database"); }},
        {"monitor.bridge", [](Config& c, const std::string& v) { c.bridge = absolutePath(v, "bridge"); }},
        {"monitor.controller", [](Config& c, const std::string& v) { c.controller = controller(v, "controller"); }},
        {"monitor.pending_limit",
         [](Config& c, const std::string& v) { c.pendingLimit = number(v, 100, 10000000, "pending_limit"); }},
        {"http.listen", [](Config& c, const std::string& v) { c.listen = ListenAddress::parse(v); }},
        {"http.metrics_listen", [](Config& c, const std::string& v) { c.metricsListen = ListenAddress::parse(v); }},
        {"http.tls_cert", [](Config& c, const std::string& v) { c.tlsCert = absolutePath(v, "tls_cert"); }},
        {"http.tls_key", [](Config& c, const std::string& v) { c.tlsKey = absolutePath(v, "tls_key"); }},
        {"http.token_file", [](Config& c, const std::string& v) { c.tokenFile = absolutePath(v, "token_file"); }},
        {"syslog.severity", [](Config& c, const std::string& v) { c.syslogSeverity = severity(v, "severity"); }},
        {"hook.program", [](Config& c, const std::string& v) { c.hookProgram = absolutePath(v, "program"); }},
        {"hook.severity", [](Config& c, const std::string& v) { c.hookSeverity = severity(v, "severity"); }},
        {"hook.timeout", [](Config& c, const std::string& v) { c.hookTimeout = number(v, 1, 3600, "timeout"); }},
        {"mail.to", [](Config& c, const std::string& v) { c.mailTo = v; }},
        {"mail.from", [](Config& c, const std::string& v) { c.mailFrom = v; }},
        {"mail.severity", [](Config& c, const std::string& v) { c.mailSeverity = severity(v, "severity"); }},
        {"mail.sendmail", [](Config& c, const std::string& v) { c.sendmail = absolutePath(v, "sendmail"); }},
    };
    return table;
}

struct ParseState {
    Config* config;
    std::string error;
};

int onValue(void* user, const char* section, const char* name, const char* value)
{
    auto* state = static_cast<ParseState*>(user);
    const std::string key = std::string(section) + "." + name;
    auto setter = setters().find(key);
    if (setter == setters().end()) {
        state->error = "unknown key '" + std::string(name) + "' in [" + section + "]";
        return 0;
    }
    try {
        setter->second(*state->config, value);
    } catch (const ConfigError& error) {
        state->error = "[" + std::string(section) + "] " + error.what();
        return 0;
    }
    return 1;
}

}  // namespace

std::string ListenAddress::text() const
{
    if (!enabled()) return "off";
    bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

bool ListenAddress::loopback() const
{
    if (host == "localhost") return true;
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

ListenAddress ListenAddress::parse(const std::string& text)
{
    if (text.empty() || text == "off") return {};
    std::string host, port;
    if (text[0] == '[') {
        size_t close = text.find("]:");
        if (close == std::string::npos) throw ConfigError("listen address '" + text + "' is not [ADDRESS]:PORT");
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        size_t colon = text.rfind(':');
        if (colon == std::string::npos || text.find(':') != colon)
            throw ConfigError("listen address '" + text + "' is not HOST:PORT (or off)");
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (host.empty()) throw ConfigError("listen address '" + text + "' names no host");
    return {host, static_cast<uint16_t>(number(port, 0, 65535, "listen port"))};
}

Config::Config()
    : database(zdfront::EventHistory::defaultPath()),
      syslogSeverity(kSeverityInfo),
      hookSeverity(kSeverityWarning),
      mailSeverity(kSeverityCritical)
{
}

Config Config::load(const std::string& path, bool required)
{
    Config config;
    ParseState state{&config, {}};
    std::optional<int> line;
    try {
        line = zdfront::readIniFile(path, [&](const std::string& section, const std::string& key,
                                              const std::string& value) {
            return onValue(&state, section.c_str(), key.c_str(), value.c_str()) != 0;
        });
    } catch (const zdfront::Error& error) {
        throw ConfigError(error.what());
    }
    if (!line) {
        if (!required) return config;
        throw ConfigError(path + ": " + std::strerror(ENOENT));
    }
    if (*line != 0) {
        std::string what = state.error.empty() ? "not INI text (KEY = VALUE lines under [SECTION] headers)"
                                               : state.error;
        throw ConfigError(path + ":" + std::to_string(*line) + ": " + what);
    }
    config.path = path;
    return config;
}

std::string Config::tokenPath() const
{
    if (!tokenFile.empty()) return tokenFile;
    const size_t slash = database.rfind('/');
    return (slash == std::string::npos ? std::string(".") : database.substr(0, slash)) + "/web-token";
}

std::string Config::dashboardUrl(uint16_t port) const
{
    return std::string(tls() ? "https://" : "http://") + ListenAddress{listen.host, port}.text();
}

void Config::validate() const
{
    if (tlsCert.empty() != tlsKey.empty())
        throw ConfigError("TLS takes both tls_cert and tls_key (PEM files), not only one of them");
    if (listen.enabled() && !listen.loopback() && !tls())
        throw ConfigError("listen = " + listen.text() + " is not a loopback address: the dashboard, which can "
                          "destroy data, is served to other machines only over TLS (set tls_cert and tls_key); "
                          "to serve only /metrics to a fleet, set metrics_listen = " + listen.text() +
                          " and keep listen on 127.0.0.1");
    if (metricsListen.enabled() && listen.enabled() && metricsListen.port != 0 && metricsListen.port == listen.port &&
        metricsListen.host == listen.host)
        throw ConfigError("metrics_listen and listen name the same address " + listen.text());
}

void ConfigOverrides::applyTo(Config& config) const
{
    if (interval) config.interval = number(std::to_string(*interval), 1, 86400, "--interval");
    if (database) config.database = absolutePath(*database, "--db");
    if (listen) config.listen = ListenAddress::parse(*listen);
    if (hookProgram) config.hookProgram = absolutePath(*hookProgram, "--hook");
    if (bridge) config.bridge = absolutePath(*bridge, "--bridge");
    if (controller) config.controller = zdmond::controller(*controller, "--controller");
    if (tokenFile) config.tokenFile = absolutePath(*tokenFile, "--token-file");
    config.validate();
}

}  // namespace zdmond
