// CommandLine: what zdmond was asked to do, from its arguments (CLI11).
//
//   CommandLine line = CommandLine::parse(argc, argv);   // exits on --help or a usage error
//   Config config = Config::load(line.configPath, line.configGiven);
//   line.overrides.applyTo(config);
#pragma once

#include <string>

#include "daemon/Config.h"

namespace zdmond {

struct CommandLine {
    std::string configPath = Config::kDefaultPath;
    bool configGiven = false;
    bool foreground = false;
    bool oneshot = false;
    bool test = false;
    bool printUrl = false;
    ConfigOverrides overrides;

    // Relative paths are made absolute against the working directory.
    // --help and --version print and exit 0; a usage error prints and exits 2.
    static CommandLine parse(int argc, char** argv);
};

}  // namespace zdmond
