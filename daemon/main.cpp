// zdmond: the monitor daemon of the zdbridge management bridge.
//
// Reads its command line and configuration, then either prints the
// dashboard's login URL (--print-url), sends a test alert (--test), runs one
// cycle (--oneshot) or runs as a service until SIGTERM.
#include <unistd.h>

#include <ctime>
#include <iostream>

#include "daemon/Background.h"
#include "daemon/CommandLine.h"
#include "daemon/Config.h"
#include "daemon/Daemon.h"
#include "daemon/DaemonLog.h"
#include "daemon/Notifier.h"
#include "daemon/Severity.h"
#include "daemon/Signals.h"
#include "daemon/Version.h"
#include "daemon/http/AccessToken.h"
#include "front/MonitorLock.h"

namespace zdmond {

namespace {

int sendTest(const Config& config)
{
    Alert alert;
    alert.event = "TestMessage";
    alert.severity = kSeverityInfo;
    alert.device = "zdmond";
    alert.message = std::string("test alert from zdmond ") + kVersion + ": every configured channel works";
    alert.time = static_cast<int64_t>(std::time(nullptr));
    Notifier notifier(config);
    bool ok = true;
    for (const ChannelResult& result : notifier.sendTest(alert)) {
        std::cout << result.channel << ": " << (result.ok ? "sent" : "FAILED") << " (" << result.detail << ")\n";
        ok = ok && result.ok;
    }
    return ok ? 0 : 1;
}

// The login URL of the dashboard as this configuration serves it.
int printUrl(const Config& config)
{
    if (!config.listen.enabled()) {
        std::cerr << "zdmond: the dashboard is off (listen = off)\n";
        return 2;
    }
    if (config.listen.port == 0) {
        std::cerr << "zdmond: listen names port 0: the port is chosen at start and logged there\n";
        return 2;
    }
    try {
        Daemon::prepareDirectory(config.tokenPath());
        AccessToken token = AccessToken::loadOrCreate(config.tokenPath());
        Config shown = config;
        // A listener on every address is reached by this machine's name.
        if (shown.listen.host == "0.0.0.0" || shown.listen.host == "::") {
            char name[256] = {};
            shown.listen.host = gethostname(name, sizeof(name) - 1) == 0 ? name : "localhost";
        }
        std::cout << shown.dashboardUrl(config.listen.port) << "/login?token=" << token.text() << "\n";
        return 0;
    } catch (const ConfigError& error) {
        std::cerr << "zdmond: " << error.what() << "\n";
        return 1;
    }
}

int run(int argc, char** argv)
{
    // Before any thread exists, so that every thread inherits the blocked signals.
    Signals signals;
    CommandLine line = CommandLine::parse(argc, argv);
    Config config;
    try {
        config = Config::load(line.configPath, line.configGiven);
        line.overrides.applyTo(config);
    } catch (const ConfigError& error) {
        std::cerr << "zdmond: " << error.what() << "\n";
        return 2;
    }
    if (line.printUrl) return printUrl(config);
    if (line.test) {
        DaemonLog::setup(DaemonLog::Target::Stderr);
        return sendTest(config);
    }

    Background background;
    const bool detached = !line.foreground && !line.oneshot;
    if (detached) background.detach();
    DaemonLog::setup(detached ? DaemonLog::Target::Syslog : DaemonLog::Target::Stderr);
    try {
        Daemon::prepareDirectory(config.database);
        zdfront::MonitorLock lock(config.database);
        Daemon daemon(line, config, signals, background);
        return line.oneshot ? daemon.runOnce() : daemon.run();
    } catch (const std::exception& error) {
        background.fail(error.what());
        if (detached) DaemonLog::error(error.what());
        return 1;
    }
}

}  // namespace

}  // namespace zdmond

int main(int argc, char** argv)
{
    return zdmond::run(argc, argv);
}
