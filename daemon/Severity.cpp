#include "daemon/Severity.h"

#include <syslog.h>

namespace zdmond {

std::optional<unsigned> parseSeverity(const std::string& word)
{
    if (word == "info") return kSeverityInfo;
    if (word == "warning") return kSeverityWarning;
    if (word == "critical") return kSeverityCritical;
    if (word == "off") return kSeverityNever;
    return std::nullopt;
}

const char* severityName(unsigned severity)
{
    if (severity >= kSeverityNever) return "off";
    if (severity >= kSeverityCritical) return "critical";
    if (severity >= kSeverityWarning) return "warning";
    return "info";
}

int syslogPriority(unsigned severity)
{
    if (severity >= kSeverityCritical) return LOG_CRIT;
    if (severity >= kSeverityWarning) return LOG_WARNING;
    return LOG_INFO;
}

}  // namespace zdmond
