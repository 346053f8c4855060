// Benchmarks of zdmond's work (Google Benchmark):
//   - one monitoring cycle (CheckSchedule, every adapter's events drained,
//     the whole enclosure read and compared, the history written, metrics
//     rendered) over 8 adapters of 128 disks each, with the CPU share that
//     costs at the default interval of 60 s (goal: under 1 % of one core);
//   - the resident memory over 24 simulated hours of cycles, one a minute,
//     with events arriving all the time (goal: flat);
//   - the `zdctl events --since` query over 1,000,000 stored events (goal:
//     under 50 ms).
// The monitor runs in-process against the loaded bridge over the simulator.
// Nothing here fails on timing; the figures are reported as counters.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "api/records/Records.h"
#include "front/Bridge.h"
#include "front/EventHistory.h"
#include "front/Request.h"
#include "support/MonitorUnderTest.h"

namespace {

constexpr uint64_t kDiskSectors = 7814037168ull;  // 4 TB
constexpr int kDefaultIntervalSeconds = 60;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long residentKb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// zdmond's parts around one history, with the bridge of this build.
struct MonitorUnderTest : zdtest::MonitorUnderTest {
    MonitorUnderTest() { monitor->setLibraries(ZD_BRIDGE_LIBRARY, "simulator"); }
};

// 8 adapters of 128 disks, each with 16 RAID 5 arrays of 8 disks.
void shapeLargeEnclosure(zdfront::Bridge& bridge)
{
    zdsim_reset_empty(8);
    for (uint8_t adapter = 0; adapter < 8; ++adapter) {
        for (const char* field : {"port_count", "max_pd", "max_pd_small"})
            zdsim_set_adapter_value(adapter, field, 128);
        for (int disk = 0; disk < 128; ++disk) zdsim_add_disk(adapter, kDiskSectors);
        zdfront::Session session = bridge.session(adapter);
        for (uint64_t array = 0; array < 16; ++array) {
            std::vector<uint64_t> disks;
            for (uint64_t disk = array * 8; disk < array * 8 + 8; ++disk) disks.push_back(disk);
            zdfront::Request request("CreatePackageVD");
            request.field("Name", "A" + std::to_string(array)).field("RAID", 5).field("ParityNumber", 1)
                .list("Disks", "ID", disks).field("StripeSize", 64).field("InitType", 0).field("PDCache", 1)
                .field("Spare", 0).field("SpareDiskID", 0);
            session.commandCode(request);
        }
    }
}

void BM_MonitorCycle8x128(benchmark::State& state)
{
    MonitorUnderTest under;
    {
        zdfront::Bridge shaper(ZD_BRIDGE_LIBRARY);
        shapeLargeEnclosure(shaper);
    }
    under.cycle();  // the first cycle loads the bridge and remembers the enclosure
    const double cpuBefore = cpuSeconds();
    for (auto _ : state) benchmark::DoNotOptimize(under.cycle());
    const double cpuPerCycle = (cpuSeconds() - cpuBefore) / static_cast<double>(state.iterations());
    state.counters["cpu_ms_per_cycle"] = cpuPerCycle * 1000;
    state.counters["cpu_share_at_60s_%"] = cpuPerCycle / kDefaultIntervalSeconds * 100;
    state.counters["metrics_kb"] = static_cast<double>(under.monitor->metricsPage().size()) / 1024;
}
BENCHMARK(BM_MonitorCycle8x128)->Unit(benchmark::kMillisecond)->Iterations(20);

// 1,440 cycles, one per simulated minute, with a burst of controller events
// and an activity started now and then; resident memory after the first
// simulated hour against the end.
void BM_Memory24SimulatedHours(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        zdsim_reset();
        MonitorUnderTest under;
        long afterFirstHour = 0;
        uint32_t sequence = 1;
        state.ResumeTiming();
        for (int minute = 0; minute < 24 * 60; ++minute) {
            for (int i = 0; i < 10; ++i) {
                EventRecord record{};
                record.evt_class = 2;
                record.code = 8;
                record.severity = 2;
                record.device_id = static_cast<uint16_t>(i % 8);
                record.sequence = ++sequence;
                record.timestamp = static_cast<uint32_t>(1796000000 + minute * 60 + i);
                zdsim_queue_event(0, &record);
            }
            if (minute % 120 == 0) zdsim_fail_disk(0, 5);
            if (minute % 120 == 60) zdsim_insert_disk(0, 5);
            zdsim_advance_ms(60 * 1000);
            under.cycle();
            if (minute == 60) afterFirstHour = residentKb();
        }
        state.counters["rss_after_1h_kb"] = static_cast<double>(afterFirstHour);
        state.counters["rss_after_24h_kb"] = static_cast<double>(residentKb());
        state.counters["rss_growth_kb"] = static_cast<double>(residentKb() - afterFirstHour);
        state.counters["events_stored"] =
            static_cast<double>(under.writer->stored(zdfront::kSourceController) + under.writer->stored(zdfront::kSourceMonitor));
    }
}
BENCHMARK(BM_Memory24SimulatedHours)->Unit(benchmark::kSecond)->Iterations(1);

// The history zdctl reads: 1,000,000 events over about 116 days, one every
// 10 s, a tenth of them warnings and a hundredth critical.
class MillionEvents : public benchmark::Fixture {
public:
    static constexpr int64_t kEvents = 1000000;
    static constexpr int64_t kStart = 1790000000;

    void SetUp(const benchmark::State&) override
    {
        if (s_history) return;
        s_dir = std::make_unique<zdtest::TempDir>();
        s_history = std::make_unique<zdfront::EventHistory>(s_dir->file("events.db"), zdfront::EventHistory::Mode::ReadWrite);
        std::vector<zdfront::HistoryEvent> batch;
        for (int64_t i = 0; i < kEvents; ++i) {
            zdfront::HistoryEvent event;
            event.time = kStart + i * 10;
            event.adapter = static_cast<unsigned>(i % 8);
            event.adapterSerial = "SN" + std::to_string(i % 8);
            event.sequence = i / 8 + 1;
            event.eventClass = 2;
            event.code = 8;
            event.device = static_cast<int>(i % 128);
            event.severity = i % 100 == 0 ? 6 : i % 10 == 0 ? 3 : 2;
            event.message = "HD event 8 on disk " + std::to_string(i % 128);
            event.data = "{\"class_text\":\"HD\",\"code\":8}";
            batch.push_back(std::move(event));
            if (batch.size() == 50000) {
                s_history->commit(batch, {});
                batch.clear();
            }
        }
    }

    static inline std::unique_ptr<zdtest::TempDir> s_dir;
    static inline std::unique_ptr<zdfront::EventHistory> s_history;
};

// `zdctl events --since 1h`: the newest 360 events.
BENCHMARK_DEFINE_F(MillionEvents, SinceLastHour)(benchmark::State& state)
{
    zdfront::HistoryQuery query;
    query.since = kStart + kEvents * 10 - 3600;
    size_t found = 0;
    for (auto _ : state) found = s_history->query(query).size();
    state.counters["events"] = static_cast<double>(found);
}
BENCHMARK_REGISTER_F(MillionEvents, SinceLastHour)->Unit(benchmark::kMillisecond);

// `zdctl events --since 1d --severity critical`: the day's critical events.
BENCHMARK_DEFINE_F(MillionEvents, SinceLastDayCritical)(benchmark::State& state)
{
    zdfront::HistoryQuery query;
    query.since = kStart + kEvents * 10 - 86400;
    query.minSeverity = 6;
    size_t found = 0;
    for (auto _ : state) found = s_history->query(query).size();
    state.counters["events"] = static_cast<double>(found);
}
BENCHMARK_REGISTER_F(MillionEvents, SinceLastDayCritical)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
