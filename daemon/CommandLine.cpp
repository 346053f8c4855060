#include "daemon/CommandLine.h"

#include <unistd.h>

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iostream>

#include "daemon/Version.h"

namespace zdmond {

namespace {

const char* const kDescription =
    "zdmond - watches RAID enclosures through the zdbridge library: runs due schedules once a minute,\n"
    "keeps every controller event in a history, turns state changes into alerts (syslog, a hook\n"
    "program, mail), serves Prometheus metrics and a web dashboard with its JSON API.\n"
    "The dashboard listens on 127.0.0.1:9788 and asks for the token in the token file\n"
    "(created at the first start, mode 0600); `zdmond --print-url` prints the login URL.";

const char* const kFooter =
    "Defaults and every key of the configuration file are described in the installed zdmond.conf.\n"
    "Signals: SIGHUP reloads the configuration and the bridge; SIGTERM ends after the cycle's writes.";

std::string absolute(const std::string& path)
{
    if (path.empty() || path[0] == '/') return path;
    char* cwd = getcwd(nullptr, 0);
    std::string result = cwd ? std::string(cwd) + "/" + path : path;
    std::free(cwd);
    return result;
}

}  // namespace

CommandLine CommandLine::parse(int argc, char** argv)
{
    CommandLine line;
    CLI::App app(kDescription, "zdmond");
    app.footer(kFooter);
    app.set_version_flag("--version", std::string("zdmond ") + kVersion);
    unsigned interval = 0;
    std::string database, listen, hook, bridge, controller, tokenFile;
    app.add_option("-c,--config", line.configPath, "configuration file")
        ->default_str(Config::kDefaultPath);
    app.add_flag("-f,--foreground", line.foreground, "stay in the foreground, log to standard error");
    app.add_flag("--oneshot", line.oneshot, "run one monitoring cycle, then exit (for cron)");
    app.add_flag("--test", line.test, "send one test alert through every configured channel, then exit");
    app.add_flag("--print-url", line.printUrl,
                 "print the dashboard's login URL with its token (creating the token file if missing), then exit");
    auto* intervalOption =
        app.add_option("-i,--interval", interval, "seconds between cycles (default 60, on the minute)")
            ->check(CLI::Range(1, 86400));
    auto* dbOption = app.add_option("--db", database, "event history database");
    auto* listenOption =
        app.add_option("--listen", listen, "dashboard, API and metrics listener HOST:PORT (other than loopback: TLS only), or off");
    auto* tokenOption = app.add_option("--token-file", tokenFile, "the dashboard's access token file");
    auto* hookOption = app.add_option("--hook", hook, "program run for each alert");
    auto* bridgeOption = app.add_option("--bridge", bridge, "libzdbridge.so to load");
    auto* controllerOption =
        app.add_option("--controller", controller, "controller library: system (default), simulator, or a path");
    app.add_flag_callback("--simulator", [&line] { line.overrides.controller = "simulator"; },
                          "run against the installed simulator (same as --controller simulator)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        std::exit(app.exit(error) == 0 ? 0 : 2);
    }
    line.configGiven = app.count("--config") > 0;
    line.configPath = absolute(line.configPath);
    if (intervalOption->count()) line.overrides.interval = interval;
    if (dbOption->count()) line.overrides.database = absolute(database);
    if (listenOption->count()) line.overrides.listen = listen;
    if (hookOption->count()) line.overrides.hookProgram = absolute(hook);
    if (tokenOption->count()) line.overrides.tokenFile = absolute(tokenFile);
    if (bridgeOption->count()) line.overrides.bridge = absolute(bridge);
    if (controllerOption->count()) line.overrides.controller = controller == "system" || controller == "simulator" ? controller : absolute(controller);
    return line;
}

}  // namespace zdmond
