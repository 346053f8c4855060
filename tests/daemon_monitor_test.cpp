// zdmond's monitor in-process over the simulator: a bridge that cannot be
// loaded is a fault it recovers from, and /metrics is read by other threads
// while cycles run.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "daemon/Config.h"
#include "daemon/Faults.h"
#include "daemon/HistoryWriter.h"
#include "daemon/Monitor.h"
#include "daemon/Notifier.h"
#include "daemon/Severity.h"
#include "support/TestSupport.h"

namespace {

struct MonitorUnderTest {
    zdtest::TempDir dir;
    zdmond::Config config;
    zdmond::Faults faults{std::chrono::seconds(1)};
    zdmond::HistoryWriter writer{dir.file("events.db"), 1000, faults};
    std::unique_ptr<zdmond::Notifier> notifier;
    std::unique_ptr<zdmond::Monitor> monitor;

    MonitorUnderTest()
    {
        setenv("ZDBRIDGE_DB_PATH", dir.file("db.xml").c_str(), 1);
        setenv("ZDBRIDGE_LOG_DIR", (dir.path() + "/").c_str(), 1);
        setenv("ZDBRIDGE_RESCAN_DELAY_MS", "0", 1);
        unsetenv("ZD_SIM_STATE");
        zdsim_reset();
        config.syslogSeverity = zdmond::kSeverityNever;
        notifier = std::make_unique<zdmond::Notifier>(config);
        monitor = std::make_unique<zdmond::Monitor>(writer, *notifier, faults);
    }
    bool cycle() { return monitor->cycle([] { return false; }); }
};

}  // namespace

TEST(DaemonMonitor, ABridgeThatCannotBeLoadedIsAFaultNotAnEnd)
{
    MonitorUnderTest under;
    under.monitor->setBridgePath(under.dir.file("missing/libzdbridge.so"));
    EXPECT_FALSE(under.cycle());
    EXPECT_FALSE(under.cycle()) << "retried only after its back-off";
    std::string page = under.monitor->metricsPage();
    EXPECT_TRUE(zdtest::contains(page, "zdmond_fault_active{fault=\"bridge\"} 1\n"));
    EXPECT_TRUE(zdtest::contains(page, "zdmond_fault_failures_total{fault=\"bridge\"} 1\n"));
    EXPECT_TRUE(zdtest::contains(page, "zdmond_cycle_failures_total 2\n"));
    EXPECT_EQ(under.monitor->summary(), "waiting for the bridge");

    under.monitor->setBridgePath(ZD_BRIDGE_LIBRARY);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // the first back-off is one second
    EXPECT_TRUE(under.cycle());
    page = under.monitor->metricsPage();
    EXPECT_TRUE(zdtest::contains(page, "zdmond_fault_active{fault=\"bridge\"} 0\n"));
    EXPECT_TRUE(zdtest::contains(page, "zd_array_degraded{adapter=\"0\",array=\"0\"} 0\n"));
    EXPECT_EQ(under.monitor->summary(), "watching 2 adapter(s), 2 array(s)");
}

TEST(DaemonMonitor, MetricsAreReadWhileCyclesRun)
{
    MonitorUnderTest under;
    under.monitor->setBridgePath(ZD_BRIDGE_LIBRARY);
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            std::string page = under.monitor->metricsPage();
            EXPECT_TRUE(zdtest::contains(page, "# TYPE zdmond_cycles_total counter\n"));
        }
    });
    for (int i = 0; i < 20; ++i) {
        if (i == 5) zdsim_fail_disk(0, 1);
        zdsim_advance_ms(60000);
        EXPECT_TRUE(under.cycle());
    }
    done = true;
    reader.join();
    EXPECT_TRUE(zdtest::contains(under.monitor->metricsPage(), "zdmond_cycles_total 20\n"));
    EXPECT_GT(under.writer.stored(zdfront::kSourceMonitor), 0u);
}
