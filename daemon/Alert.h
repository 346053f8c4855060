// Alert: one notification, as every channel (syslog, hook, mail) sends it.
//
// Built by the monitor from a state change it stored in the history, or by
// `zdmond --test`. A hook program gets it mdadm-style: the event name, the
// device and the component as its arguments; the severity, message and every
// detail in ZD_* environment variables (see environment()).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zdmond {

struct Alert {
    std::string event;      // "ArrayDegraded", "DiskFailed", "TestMessage", ...
    unsigned severity = 2;  // "EvtSeverity"
    std::string device;     // "adapter0/array1"
    std::string component;  // "adapter0/disk3", or empty
    std::string message;    // one line for people
    int64_t time = 0;       // seconds since 1970
    int64_t historyId = 0;  // the row in the event history, 0 when not stored
    // Further facts, by upper-case name without the prefix: {"ARRAY_NAME", "Data"}.
    std::map<std::string, std::string> details;

    // The hook's arguments after the program: event, device and, when there is one, component.
    std::vector<std::string> arguments() const;
    // ZD_EVENT, ZD_SEVERITY, ZD_SEVERITY_LEVEL, ZD_DEVICE, ZD_COMPONENT, ZD_MESSAGE,
    // ZD_TIME, ZD_EVENT_ID, ZD_HOST and ZD_<name> for each detail.
    std::map<std::string, std::string> environment(const std::string& host) const;
    // "ArrayDegraded adapter0/array1: <message>"
    std::string line() const;
};

}  // namespace zdmond
