// Benchmarks of the loaded bridge (libzdbridge.so over the simulator), each
// measured side by side with its floor in the same run:
//   - an XML answer against TinyXML alone building and printing the
//     identical document (DocumentFloor), after parsing the request for a
//     condition;
//   - a command against TinyXML alone parsing its request;
//   - a 64 MiB firmware upload against plain 32 KiB read() of the same file;
//   - a request with every log kind enabled against the same one disabled.
// Each bridge benchmark also counts the controller calls one request makes
// (the simulator's call record) against the least that the request's
// algorithm allows, and measures the time spent inside the simulator, so
// that the bridge's own share can be set against the floor. The simulator
// times the work of a call; what a call costs around that (entering it,
// its lock, reading the clock) is measured once on a call that does nothing
// and counted as controller time for every call a request makes. The last one
// runs 100,000 mixed calls and reports the resident memory after warm-up and
// at the end.
// After Google Benchmark's own table a summary prints the ratios. Nothing
// here fails on timing.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <tinyxml.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "api/records/Records.h"
#include "api/zd_api.h"
#include "bench/DocumentFloor.h"
#include "support/TestSupport.h"

namespace {

constexpr uint64_t kDiskSectors = 7814037168ull;  // 4 TB
// The goals: an answer's own time (bridge minus simulator) at most 1.5 times
// its floor; the upload's own part at least half as fast as plain read().
constexpr double kAnswerGoal = 1.5;
constexpr double kUploadGoal = 0.5;
const char kAllLogKinds[] = "api_data=1\ninterface_log=1\nutil=1\nversion=1\n";

// ---- the loaded bridge, reloaded when the log configuration changes ----

std::unique_ptr<zdtest::LoadedBridge> g_bridge;
bool g_logging = false;

zdtest::LoadedBridge& bridge(bool logging = false) {
    if (!g_bridge || g_logging != logging) {
        g_bridge.reset();
        zdtest::BridgeOptions options;
        options.resetSimulator = false;
        if (logging) options.logConfig = kAllLogKinds;
        g_bridge = std::make_unique<zdtest::LoadedBridge>(options);
        g_logging = logging;
    }
    return *g_bridge;
}

// ---- what the summary prints ----

struct Figures {
    std::string answer;        // the bridge's answer, for the floor
    uint32_t calls = 0;        // controller calls of one request
    std::string callProfile;   // "ZD_PD_GetHDInfo_Ext x5, ..."
    double controllerUs = 0;   // time inside the simulator per request
};
std::map<std::string, Figures> g_figures;

std::string callText() {
    std::string text(zdsim_calls(nullptr, 0) + 1, '\0');
    zdsim_calls(&text[0], text.size());
    text.resize(text.find('\0'));
    return text;
}

// The least controller calls each request can make: what the request's
// algorithm needs for the records its answer holds. Every list wrapper reads
// the adapter record once to size its buffer; a list walk takes batches of up
// to 32 records and ends with one request at 0xFFFF; an event drain takes up
// to 30 events per call and ends with a call that returns none.
struct LeastCalls {
    uint32_t calls;
    const char* why;
};
const std::map<std::string, LeastCalls>& leastCalls() {
    static const std::map<std::string, LeastCalls> least = {
        {"Adapter", {3, "adapter info, configuration and OEM info records"}},
        {"PD array, 128 disks", {2 + (128 / 32 + 1) + 128, "2 buffer sizings, 4 batches + end, 1 status per disk"}},
        {"PD, 30 SMART attributes", {4 + 4 + 1 + 1, "4 buffer sizings, 4 disk records, adapter config, SMART"}},
        {"PackageVD array, 32 arrays", {2 + (32 / 32 + 1) + 1, "2 buffer sizings, 1 group batch + end, 1 VD batch"}},
        {"GetCreateTarget, 8 disks", {3, "buffer sizing, disk batch, capacity from the controller"}},
        {"getEvent, 1000 events", {2 + 1 + (1000 + 29) / 30 + 1, "adapter count x2, adapter info, 34 drains + empty"}},
        {"PDConfig command", {3, "buffer sizing, current disk configuration, the change"}},
    };
    return least;
}

// ---- the part of a controller call the simulator's own clock does not see ----

double g_uncountedUsPerCall = 0;

void controllerCallOverhead(benchmark::State& state) {
    zdsim_reset();
    zdsim_use_manual_clock(1);
    zdsim_clear_calls();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) benchmark::DoNotOptimize(ZD_Adapter_GetCount());
    const double calls = static_cast<double>(state.iterations());
    const double wallUs = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    const double countedUs = static_cast<double>(zdsim_call_time_ns()) / 1000.0;
    g_uncountedUsPerCall = wallUs > countedUs ? (wallUs - countedUs) / calls : 0.0;
    state.counters["uncounted_ns"] = g_uncountedUsPerCall * 1000.0;
    zdsim_clear_calls();
}

// Starts measuring the simulator's share of a benchmark's requests.
void startControllerClock() { zdsim_clear_calls(); }

// Keeps the simulator's time per request since startControllerClock().
void stopControllerClock(const std::string& scenario, benchmark::State& state) {
    const double us = static_cast<double>(zdsim_call_time_ns()) / 1000.0 / static_cast<double>(state.iterations());
    g_figures[scenario].controllerUs = us;
    state.counters["ctl_us"] = us;
}

// Counts the controller calls of one request and keeps their profile.
void recordCalls(const std::string& scenario, const std::function<void()>& request, benchmark::State& state) {
    zdsim_clear_calls();
    request();
    std::map<std::string, int> byName;
    uint32_t total = 0;
    std::istringstream lines(callText());
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;
        ++byName[line.substr(0, line.find(' '))];
        ++total;
    }
    std::string profile;
    for (const auto& entry : byName) {
        if (!profile.empty()) profile += ", ";
        profile += entry.first + " x" + std::to_string(entry.second);
    }
    g_figures[scenario].calls = total;
    g_figures[scenario].callProfile = profile;
    state.counters["ctl_calls"] = total;
}

// Write system calls of this process so far (/proc/self/io "syscw").
uint64_t writeSyscalls() {
    std::ifstream io("/proc/self/io");
    for (std::string key; io >> key;) {
        uint64_t value = 0;
        io >> value;
        if (key == "syscw:") return value;
    }
    return 0;
}

long residentKb(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    }
    return 0;
}

// ---- shaping the enclosure ----

void builtIn() {
    zdsim_reset();
    zdsim_use_manual_clock(1);
}

void emptyAdapterWithDisks(int disks) {
    zdsim_reset_empty(1);
    zdsim_use_manual_clock(1);
    for (int i = 0; i < disks; ++i) zdsim_add_disk(0, kDiskSectors);
    zdsim_clear_events(0);
}

void smartTable() {
    builtIn();
    std::vector<_SMART_ENTRY> entries(30);
    for (size_t i = 0; i < entries.size(); ++i) {
        _SMART_ENTRY& entry = entries[i];
        std::memset(&entry, 0, sizeof entry);
        entry.attribute_id = static_cast<uint8_t>(i + 1);
        std::snprintf(entry.attribute_name, sizeof entry.attribute_name, "Attribute %zu", i + 1);
        entry.current_value = 100;
        entry.worst_value = 90;
        entry.threshold_value = 10;
    }
    zdsim_set_smart(0, 0, entries.data(), static_cast<uint16_t>(entries.size()));
}

void thirtyTwoArrays() {
    emptyAdapterWithDisks(32);
    zdtest::LoadedBridge& b = bridge();
    for (int i = 0; i < 32; ++i) {
        const std::string request = "<CreatePackageVD><Name>Array" + std::to_string(i) +
                                    "</Name><RAID>0</RAID><StripeSize>64</StripeSize><Disks><ID>" +
                                    std::to_string(i) + "</ID></Disks></CreatePackageVD>";
        if (b.command(request) != 0) std::fprintf(stderr, "creating array %d failed\n", i);
    }
}

std::string eightDiskTarget() {
    std::string request = "<GetCreateTarget><RAID>5</RAID><Disks>";
    for (int i = 0; i < 8; ++i) request += "<ID>" + std::to_string(i) + "</ID>";
    return request + "</Disks></GetCreateTarget>";
}

const char kPdConfig[] = "<PDConfig><ID>5</ID><PDCache>1</PDCache></PDConfig>";

// ---- XML answers against their floor ----

struct AnswerScenario {
    const char* name;
    std::function<void()> shape;
    std::function<std::string(zdtest::LoadedBridge&)> request;
    std::string requestText;  // a condition's request document, parsed by its floor too
};

const std::vector<AnswerScenario>& answerScenarios() {
    static const std::vector<AnswerScenario> scenarios = {
        {"Adapter", builtIn, [](zdtest::LoadedBridge& b) { return b.single("Adapter", "0"); }, {}},
        {"PD array, 128 disks", [] { emptyAdapterWithDisks(128); },
         [](zdtest::LoadedBridge& b) { return b.array("PD"); }, {}},
        {"PD, 30 SMART attributes", smartTable, [](zdtest::LoadedBridge& b) { return b.single("PD", "0"); }, {}},
        {"PackageVD array, 32 arrays", thirtyTwoArrays, [](zdtest::LoadedBridge& b) { return b.array("PackageVD"); },
         {}},
        {"GetCreateTarget, 8 disks", [] { emptyAdapterWithDisks(8); },
         [](zdtest::LoadedBridge& b) { return b.condition(eightDiskTarget()); }, eightDiskTarget()},
    };
    return scenarios;
}

void answerBridge(benchmark::State& state, const AnswerScenario& scenario) {
    zdtest::LoadedBridge& b = bridge();
    scenario.shape();
    std::string answer;
    startControllerClock();
    for (auto _ : state) {
        answer = scenario.request(b);
        benchmark::DoNotOptimize(answer.data());
    }
    stopControllerClock(scenario.name, state);
    g_figures[scenario.name].answer = answer;
    recordCalls(scenario.name, [&] { scenario.request(b); }, state);
    state.counters["bytes"] = static_cast<double>(answer.size());
}

void answerFloor(benchmark::State& state, const AnswerScenario& scenario) {
    const DocumentFloor floor(g_figures[scenario.name].answer);
    if (!floor.identical()) state.SkipWithError("the floor does not reproduce the answer");
    for (auto _ : state) {
        if (!scenario.requestText.empty()) {
            TiXmlDocument request;
            request.Parse(scenario.requestText.c_str());
            benchmark::DoNotOptimize(request.RootElement());
        }
        std::string text = floor.build();
        benchmark::DoNotOptimize(text.data());
    }
}

// ---- getEvent draining 1,000 events ----

uint32_t g_eventSequence = 0;

void queueEvents(int count) {
    for (int i = 0; i < count; ++i) {
        EventRecord record{};
        record.evt_class = 2;
        record.code = 1;
        record.device_id = static_cast<uint16_t>(i % 8);
        record.severity = 1;
        record.sequence = ++g_eventSequence;
        zdsim_queue_event(0, &record);
    }
}

void eventsBridge(benchmark::State& state) {
    zdtest::LoadedBridge& b = bridge();
    builtIn();
    b.events();
    std::string answer;
    startControllerClock();
    for (auto _ : state) {
        state.PauseTiming();
        queueEvents(1000);
        state.ResumeTiming();
        answer = b.events();
        benchmark::DoNotOptimize(answer.data());
    }
    stopControllerClock("getEvent, 1000 events", state);
    g_figures["getEvent, 1000 events"].answer = answer;
    queueEvents(1000);
    recordCalls("getEvent, 1000 events", [&] { b.events(); }, state);
    size_t events = 0;
    for (size_t at = answer.find("<Event>"); at != std::string::npos; at = answer.find("<Event>", at + 1)) ++events;
    state.counters["events"] = static_cast<double>(events);
}

void eventsFloor(benchmark::State& state) {
    const DocumentFloor floor(g_figures["getEvent, 1000 events"].answer);
    if (!floor.identical()) state.SkipWithError("the floor does not reproduce the answer");
    for (auto _ : state) {
        std::string text = floor.build();
        benchmark::DoNotOptimize(text.data());
    }
}

// ---- a small command against parsing its request ----

void commandBridge(benchmark::State& state) {
    zdtest::LoadedBridge& b = bridge();
    builtIn();
    startControllerClock();
    for (auto _ : state) benchmark::DoNotOptimize(b.command(kPdConfig));
    stopControllerClock("PDConfig command", state);
    recordCalls("PDConfig command", [&] { b.command(kPdConfig); }, state);
}

void commandFloor(benchmark::State& state) {
    for (auto _ : state) {
        TiXmlDocument document;
        document.Parse(kPdConfig);
        benchmark::DoNotOptimize(document.RootElement());
    }
}

// ---- 64 MiB firmware upload against read() of the same file ----

constexpr uint32_t kImageBytes = 64u << 20;
constexpr uint32_t kImageHeader = 32;

const std::string& imagePath() {
    static zdtest::TempDir dir;
    static const std::string path = [] {
        const std::string file = dir.file("fw64.bin");
        zdsim_write_image(file.c_str(), 3, 0x1234, 1, 2, 3, 4, kImageBytes - kImageHeader);
        return file;
    }();
    return path;
}

void uploadBridge(benchmark::State& state) {
    zdtest::LoadedBridge& b = bridge();
    builtIn();
    zdsim_set_page_delay_ms(0);
    const std::string request = "<Upload><Address>" + imagePath() + "</Address></Upload>";
    startControllerClock();
    for (auto _ : state) {
        if (b.command(request) != 0) {
            state.SkipWithError("upload refused");
            break;
        }
        for (;;) {
            const std::string progress = b.single("UpdateProcess", "0");
            if (progress.find("<Percentage>100</Percentage>") != std::string::npos) break;
            if (progress.find("<Percentage>0</Percentage>") != std::string::npos) {
                state.SkipWithError(("upload failed: " + progress).c_str());
                return;
            }
            // A front end polls now and then; a poll spinning on one of two
            // cores would measure the machine, not the worker.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    stopControllerClock("Upload 64 MiB", state);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageBytes);
}

void uploadFloor(benchmark::State& state) {
    std::vector<char> page(32768);
    for (auto _ : state) {
        int fd = open(imagePath().c_str(), O_RDONLY);
        while (read(fd, page.data(), page.size()) > 0) benchmark::ClobberMemory();
        close(fd);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageBytes);
}

// ---- every log kind disabled versus enabled ----

void logged(benchmark::State& state, bool logging, bool command) {
    zdtest::LoadedBridge& b = bridge(logging);
    builtIn();
    const uint64_t before = writeSyscalls();
    for (auto _ : state) {
        if (command) {
            benchmark::DoNotOptimize(b.command(kPdConfig));
        } else {
            std::string answer = b.array("PD");
            benchmark::DoNotOptimize(answer.data());
        }
    }
    state.counters["write_syscalls_per_call"] =
        static_cast<double>(writeSyscalls() - before) / static_cast<double>(state.iterations());
}

// ---- 100,000 mixed calls: resident memory must not grow after warm-up ----

void mixedCalls(benchmark::State& state) {
    zdtest::LoadedBridge& b = bridge();
    builtIn();
    const std::string target = eightDiskTarget();
    const auto oneCall = [&](int i) {
        switch (i % 8) {
        case 0: b.single("Adapter", "0"); break;
        case 1: b.array("PD"); break;
        case 2: b.single("PD", "1"); break;
        case 3: b.array("PackageVD"); break;
        case 4: b.range("RAID"); break;
        case 5: b.condition(target); break;
        case 6: b.command(kPdConfig); break;
        default: queueEvents(2); b.events(); break;
        }
        if (i % 1000 == 999) zdsim_clear_calls();  // the simulator's record is not the bridge's memory
    };
    constexpr int kWarmUp = 10000;
    constexpr int kTotal = 100000;
    for (auto _ : state) {
        for (int i = 0; i < kWarmUp; ++i) oneCall(i);
        const long warm = residentKb("VmRSS:");
        for (int i = kWarmUp; i < kTotal; ++i) oneCall(i);
        state.counters["rss_after_warmup_kb"] = static_cast<double>(warm);
        state.counters["rss_end_kb"] = static_cast<double>(residentKb("VmRSS:"));
        state.counters["peak_rss_kb"] = static_cast<double>(residentKb("VmHWM:"));
    }
}

// ---- the summary after Google Benchmark's table ----

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) m_runs[run.benchmark_name()] = run;
    }

    void printSummary() const {
        std::printf("\n%-28s %10s %10s %10s %7s %9s %-12s %6s %6s  %s\n", "answer", "bridge us", "in ctl us",
                    "floor us", "ratio", "own ratio", "goal", "calls", "least", "controller calls of one request");
        for (const AnswerScenario& scenario : answerScenarios()) printRow(scenario.name);
        printRow("getEvent, 1000 events");
        printRow("PDConfig command");
        std::printf("ratio = bridge / floor; own ratio = (bridge - time inside the simulator) / floor; "
                    "'!' = more controller calls than the least\n");

        const Run* upload = find("Upload 64 MiB/bridge");
        const Run* read = find("Upload 64 MiB/floor");
        if (upload != nullptr && read != nullptr) {
            const double up = counter(*upload, "bytes_per_second") / (1 << 20);
            const double rd = counter(*read, "bytes_per_second") / (1 << 20);
            const double totalMs = upload->GetAdjustedRealTime();
            const double controllerMs = g_figures["Upload 64 MiB"].controllerUs / 1000.0;
            const double own = totalMs > controllerMs ? 64.0 * 1000.0 / (totalMs - controllerMs) : 0.0;
            const double ownRatio = rd > 0 ? own / rd : 0.0;
            std::printf("\nupload 64 MiB: %.0f MiB/s, read() floor %.0f MiB/s, upload / floor %.2f\n", up, rd,
                        rd > 0 ? up / rd : 0.0);
            std::printf("  of %.1f ms per upload %.1f ms are inside the simulator; the bridge's own part alone: "
                        "%.0f MiB/s, %.2f of the floor (goal >= %.1f: %s)\n",
                        totalMs, controllerMs, own, ownRatio, kUploadGoal, ownRatio >= kUploadGoal ? "met" : "MISSED");
        }
        for (const char* what : {"PD array", "PDConfig command"}) {
            const Run* off = find(std::string("Log off/") + what);
            const Run* on = find(std::string("Log on/") + what);
            if (off == nullptr || on == nullptr) continue;
            std::printf("log, %-16s disabled %8.2f us (%.2f write syscalls/call), enabled %8.2f us "
                        "(%.2f write syscalls/call), enabled / disabled %.2f\n",
                        what, off->GetAdjustedRealTime(), counter(*off, "write_syscalls_per_call"),
                        on->GetAdjustedRealTime(), counter(*on, "write_syscalls_per_call"),
                        on->GetAdjustedRealTime() / off->GetAdjustedRealTime());
        }
        if (const Run* mixed = find("100000 mixed calls")) {
            std::printf("100,000 mixed calls: RSS after 10,000 %.0f kB, at the end %.0f kB, peak %.0f kB\n",
                        counter(*mixed, "rss_after_warmup_kb"), counter(*mixed, "rss_end_kb"),
                        counter(*mixed, "peak_rss_kb"));
        }
    }

private:
    // The run of that benchmark: the fastest of its repetitions where it was
    // repeated (the least disturbed by whatever else the machine runs).
    const Run* find(const std::string& name) const {
        const Run* found = nullptr;
        for (const auto& entry : m_runs) {
            const Run& run = entry.second;
            if (run.run_name.function_name != name) continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min") return &run;
            if (run.run_type == Run::RT_Iteration) found = &run;
        }
        return found;
    }
    static double counter(const Run& run, const char* name) {
        auto it = run.counters.find(name);
        return it == run.counters.end() ? 0.0 : static_cast<double>(it->second);
    }
    void printRow(const std::string& scenario) const {
        const Run* b = find(scenario + "/bridge");
        const Run* f = find(scenario + "/floor");
        if (b == nullptr || f == nullptr) return;
        const double bridgeUs = b->GetAdjustedRealTime();
        const double floorUs = f->GetAdjustedRealTime();
        const Figures& figures = g_figures[scenario];
        const double controllerUs = counter(*b, "ctl_us") + figures.calls * g_uncountedUsPerCall;
        const double ownUs = bridgeUs > controllerUs ? bridgeUs - controllerUs : 0.0;
        auto least = leastCalls().find(scenario);
        const uint32_t leastCount = least == leastCalls().end() ? 0 : least->second.calls;
        const bool valid = !f->error_occurred && floorUs > 0;
        const double ownRatio = valid ? ownUs / floorUs : 0.0;
        char goal[16];
        std::snprintf(goal, sizeof goal, "<= %.1f %s", kAnswerGoal, valid && ownRatio <= kAnswerGoal ? "met" : "MISSED");
        std::printf("%-28s %10.2f %10.2f %10.2f %7.2f %9.2f %-12s %6u %6u%s %s\n", scenario.c_str(), bridgeUs,
                    controllerUs, floorUs, valid ? bridgeUs / floorUs : 0.0, ownRatio, goal, figures.calls,
                    leastCount, figures.calls > leastCount ? "!" : " ", figures.callProfile.c_str());
        if (least != leastCalls().end()) std::printf("%-28s least: %s\n", "", least->second.why);
    }

    std::map<std::string, Run> m_runs;
};

// Each answer is measured kRepetitions times and summarised by its fastest
// run: on a shared machine the slower ones measure the other processes.
constexpr int kRepetitions = 5;

double fastest(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

void repeated(benchmark::internal::Benchmark* benchmark) {
    benchmark->Repetitions(kRepetitions)->ComputeStatistics("min", fastest)->DisplayAggregatesOnly(true);
}

void registerAll() {
    benchmark::RegisterBenchmark("Controller call, uncounted part", controllerCallOverhead)
        ->Unit(benchmark::kNanosecond)
        ->Iterations(200000);
    for (const AnswerScenario& scenario : answerScenarios()) {
        benchmark::RegisterBenchmark((std::string(scenario.name) + "/bridge").c_str(), answerBridge, scenario)
            ->Unit(benchmark::kMicrosecond)
            ->Apply(repeated);
        benchmark::RegisterBenchmark((std::string(scenario.name) + "/floor").c_str(), answerFloor, scenario)
            ->Unit(benchmark::kMicrosecond)
            ->Apply(repeated);
    }
    benchmark::RegisterBenchmark("getEvent, 1000 events/bridge", eventsBridge)
        ->Unit(benchmark::kMicrosecond)
        ->Apply(repeated);
    benchmark::RegisterBenchmark("getEvent, 1000 events/floor", eventsFloor)->Unit(benchmark::kMicrosecond)->Apply(repeated);
    benchmark::RegisterBenchmark("PDConfig command/bridge", commandBridge)->Unit(benchmark::kMicrosecond)->Apply(repeated);
    benchmark::RegisterBenchmark("PDConfig command/floor", commandFloor)->Unit(benchmark::kMicrosecond)->Apply(repeated);
    benchmark::RegisterBenchmark("Upload 64 MiB/bridge", uploadBridge)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5)
        ->UseRealTime();
    benchmark::RegisterBenchmark("Upload 64 MiB/floor", uploadFloor)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5)
        ->UseRealTime();
    for (const bool logging : {false, true}) {
        for (const bool command : {false, true}) {
            const std::string name = std::string(logging ? "Log on/" : "Log off/") + (command ? "PDConfig command" : "PD array");
            benchmark::RegisterBenchmark(name.c_str(), logged, logging, command)
                ->Unit(benchmark::kMicrosecond)
                ->Iterations(3000);
        }
    }
    benchmark::RegisterBenchmark("100000 mixed calls", mixedCalls)->Unit(benchmark::kMillisecond)->Iterations(1);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    registerAll();
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSummary();
    g_bridge.reset();
    benchmark::Shutdown();
    return 0;
}
