#include "daemon/Alert.h"

#include "daemon/Severity.h"

namespace zdmond {

std::vector<std::string> Alert::arguments() const
{
    std::vector<std::string> args{event, device};
    if (!component.empty()) args.push_back(component);
    return args;
}

std::map<std::string, std::string> Alert::environment(const std::string& host) const
{
    std::map<std::string, std::string> env;
    for (const auto& [name, value] : details) env["ZD_" + name] = value;
    env["ZD_EVENT"] = event;
    env["ZD_SEVERITY"] = severityName(severity);
    env["ZD_SEVERITY_LEVEL"] = std::to_string(severity);
    env["ZD_DEVICE"] = device;
    env["ZD_COMPONENT"] = component;
    env["ZD_MESSAGE"] = message;
    env["ZD_TIME"] = std::to_string(time);
    env["ZD_EVENT_ID"] = std::to_string(historyId);
    env["ZD_HOST"] = host;
    return env;
}

std::string Alert::line() const
{
    return event + " " + device + ": " + message;
}

}  // namespace zdmond
