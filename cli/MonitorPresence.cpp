#include "cli/MonitorPresence.h"

#include <cstdlib>
#include <optional>

#include "cli/CliError.h"
#include "cli/Context.h"
#include "front/Error.h"
#include "front/MonitorConfig.h"
#include "front/MonitorLock.h"

namespace zdctl::MonitorPresence {

std::string history(const Context& context)
{
    if (context.options().history) return *context.options().history;
    if (const char* configured = std::getenv("ZDCTL_HISTORY"); configured && *configured) return configured;
    try {
        return zdfront::configuredHistory();
    } catch (const zdfront::Error& error) {
        throw CliError(ExitFailure, std::string(error.what()) +
                                        ": zdctl cannot tell where zdmond keeps its event history; name it with "
                                        "--history FILE or ZDCTL_HISTORY");
    }
}

void refuseDraining(const Context& context, const std::string& command)
{
    const std::string path = history(context);
    std::optional<std::string> pid;
    try {
        pid = zdfront::MonitorLock::holder(path);
    } catch (const zdfront::LockError& error) {
        throw CliError(ExitFailure, std::string(error.what()) + "; zdctl " + command +
                                        " would take the controller's events from it, so it does not run");
    }
    if (pid)
        throw CliError(ExitUsage, "refusing zdctl " + command + ": zdmond (pid " + *pid +
                                      ") keeps the controller's events in " + path +
                                      ", and the controller hands each event out once: the ones read here would be "
                                      "missing from that history. zdctl events shows them from it; stop zdmond to "
                                      "read the controller directly");
}

}  // namespace zdctl::MonitorPresence
