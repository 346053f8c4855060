// MonitorConfig: zdmond's configuration file, INI text, as zdmond reads it
// and as the other front ends read what they must know of zdmond: where it
// keeps its event history. A FIFO or a device at the file's name is refused
// without waiting on it.
//
//   std::optional<int> bad = readIniFile(path, [&](section, key, value) { ...; return true; });
//   std::string history = configuredHistory();   // [monitor] database, else the default
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace zdfront {

// Where zdmond and the front ends look for zdmond's configuration.
constexpr const char* kMonitorConfigPath = "/etc/zdbridge/zdmond.conf";

// Calls onValue for every KEY = VALUE line, with its [SECTION]; onValue
// answers false to stop at that line. Answers 0 when the whole file was
// read, the number of the first line that was not INI text or that onValue
// refused, and nothing when there is no file. Throws Error (Failure, with
// "PATH: why") when the file cannot be opened or is not a regular file.
using IniValue = std::function<bool(const std::string& section, const std::string& key, const std::string& value)>;
std::optional<int> readIniFile(const std::string& path, const IniValue& onValue);

// The event history zdmond keeps by the configuration at `path`: its
// [monitor] database, else EventHistory::defaultPath() (also when there is
// no such file). Throws Error when the file is there but cannot be read.
std::string configuredHistory(const std::string& path = kMonitorConfigPath);

}  // namespace zdfront
