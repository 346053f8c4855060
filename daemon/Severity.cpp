#include "daemon/Severity.h"

#include <syslog.h>

#include "front/EventHistory.h"

namespace zdmond {

std::optional<unsigned> parseThreshold(const std::string& word)
{
    if (word == "off") return kSeverityNever;
    return zdfront::parseSeverity(word);
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
