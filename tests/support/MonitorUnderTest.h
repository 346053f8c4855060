// MonitorUnderTest: zdmond's monitor with its history, notifier and faults,
// in-process over the simulator linked into the test or benchmark program.
// The bridge's log and schedule file go to a private directory; syslog is
// off; the simulator keeps no state file.
//
//   MonitorUnderTest under;
//   under.monitor->setLibraries(ZD_BRIDGE_LIBRARY, "simulator");
//   under.cycle();
#pragma once

#include <chrono>
#include <cstdlib>
#include <memory>

#include "daemon/Config.h"
#include "daemon/Faults.h"
#include "daemon/HistoryWriter.h"
#include "daemon/Monitor.h"
#include "daemon/Notifier.h"
#include "daemon/Severity.h"
#include "support/TestSupport.h"

namespace zdtest {

struct MonitorUnderTest {
    TempDir dir;
    zdmond::Config config;
    zdmond::Faults faults{std::chrono::seconds(1)};
    std::unique_ptr<zdmond::HistoryWriter> writer;
    std::unique_ptr<zdmond::Notifier> notifier;
    std::unique_ptr<zdmond::Monitor> monitor;

    MonitorUnderTest()
    {
        setenv("ZDBRIDGE_DB_PATH", dir.file("db.xml").c_str(), 1);
        setenv("ZDBRIDGE_LOG_DIR", (dir.path() + "/").c_str(), 1);
        setenv("ZDBRIDGE_RESCAN_DELAY_MS", "0", 1);
        unsetenv("ZD_SIM_STATE");
        config.syslogSeverity = zdmond::kSeverityNever;
        writer = std::make_unique<zdmond::HistoryWriter>(dir.file("events.db"), config.pendingLimit, faults);
        notifier = std::make_unique<zdmond::Notifier>(config);
        monitor = std::make_unique<zdmond::Monitor>(*writer, *notifier, faults);
    }
    bool cycle() { return monitor->cycle([] { return false; }); }
};

}  // namespace zdtest
