// zdmond's monitor in-process over the simulator: a bridge that cannot be
// loaded is a fault it recovers from, and /metrics is read by other threads
// while cycles run.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/MonitorUnderTest.h"

using zdtest::MonitorUnderTest;

TEST(DaemonMonitor, ABridgeThatCannotBeLoadedIsAFaultNotAnEnd)
{
    zdsim_reset();
    MonitorUnderTest under;
    under.monitor->setLibraries(under.dir.file("missing/libzdbridge.so"), "simulator");
    EXPECT_FALSE(under.cycle());
    EXPECT_FALSE(under.cycle()) << "retried only after its back-off";
    std::string page = under.monitor->metricsPage();
    EXPECT_TRUE(zdtest::contains(page, "zdmond_fault_active{fault=\"bridge\"} 1\n"));
    EXPECT_TRUE(zdtest::contains(page, "zdmond_fault_failures_total{fault=\"bridge\"} 1\n"));
    EXPECT_TRUE(zdtest::contains(page, "zdmond_cycle_failures_total 2\n"));
    EXPECT_EQ(under.monitor->summary(), "waiting for the bridge");

    under.monitor->setLibraries(ZD_BRIDGE_LIBRARY, "simulator");
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // the first back-off is one second
    EXPECT_TRUE(under.cycle());
    page = under.monitor->metricsPage();
    EXPECT_TRUE(zdtest::contains(page, "zdmond_fault_active{fault=\"bridge\"} 0\n"));
    EXPECT_TRUE(zdtest::contains(page, "zd_array_degraded{adapter=\"0\",array=\"0\"} 0\n"));
    EXPECT_EQ(under.monitor->summary(), "watching 2 adapter(s), 2 array(s)");
}

TEST(DaemonMonitor, MetricsAreReadWhileCyclesRun)
{
    zdsim_reset();
    MonitorUnderTest under;
    under.monitor->setLibraries(ZD_BRIDGE_LIBRARY, "simulator");
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
    EXPECT_GT(under.writer->stored(zdfront::kSourceMonitor), 0u);
}
