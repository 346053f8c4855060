// Severity: the controller's event severities ("EvtSeverity": 2 info,
// 3 warning, 6 critical) as zdmond names them in its configuration, its
// notifications and its metrics.
//
//   std::optional<unsigned> level = parseThreshold("warning");   // 3
//   if (event.severity >= config.hook.minSeverity) ...
#pragma once

#include <optional>
#include <string>

namespace zdmond {

inline constexpr unsigned kSeverityInfo = 2;
inline constexpr unsigned kSeverityWarning = 3;
inline constexpr unsigned kSeverityCritical = 6;
// A channel's threshold that no event reaches: the channel is off.
inline constexpr unsigned kSeverityNever = 1000;

// A channel's threshold: "info", "warning", "critical" (or a level number),
// or "off" (kSeverityNever); nothing for other words.
std::optional<unsigned> parseThreshold(const std::string& word);
// "info", "warning", "critical"; other values by their nearest lower level
// (4 and 5 are warnings, above 6 critical).
const char* severityName(unsigned severity);
// The syslog priority of a severity (LOG_INFO, LOG_WARNING, LOG_CRIT).
int syslogPriority(unsigned severity);

}  // namespace zdmond
