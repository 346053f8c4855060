// The controller simulator's cost per call, as every front end pays it: a
// read (the adapter count, and a list of eight disk records) and a change (a
// disk made a global spare and free again), in memory only and with a state
// file (ZD_SIM_STATE) that other processes share.
//
// With a state file, a call on an unchanged file costs a lock and a stat
// (stateFileStat is the stat alone, for comparison); a
// call after another process changed the file reads and parses it again
// (simulated here by touching the file between calls); a change writes the
// whole state to a new file, syncs and renames it. Nothing here fails on
// timing.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "api/zd_api.h"
#include "sim/zd_sim.h"
#include "support/TestSupport.h"

namespace {

// The simulator with or without a state file, on the built-in enclosure.
class Simulator {
public:
    explicit Simulator(bool stateFile) {
        if (stateFile) setenv("ZD_SIM_STATE", m_dir.file("enclosure.json").c_str(), 1);
        ZD_API_Initialize();
        zdsim_reset();
        zdsim_use_manual_clock(0);
    }
    ~Simulator() {
        unsetenv("ZD_SIM_STATE");
        ZD_API_Initialize();
    }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Makes the file look changed by another process: a new modification time.
    void touch() const { utimensat(AT_FDCWD, path().c_str(), nullptr, 0); }
    std::string path() const { return m_dir.file("enclosure.json"); }

private:
    zdtest::TempDir m_dir;
};

// One request for every disk record of adapter 0, the way the bridge asks.
uint8_t listDisks(std::vector<uint8_t>& buffer) {
    _Request_Header header{};
    header.request_type = ZD_REQUEST_RANGE;
    header.requested_count = 32;
    std::memcpy(buffer.data(), &header, sizeof(header));
    return ZD_PD_GetHDInfo_Ext(0, buffer.data());
}

// The floor of a call on an unchanged state file: one lstat of it.
void stateFileStat(benchmark::State& state) {
    Simulator simulator(true);
    const std::string path = simulator.path();
    struct stat status;
    for (auto _ : state) benchmark::DoNotOptimize(lstat(path.c_str(), &status));
}

void countCall(benchmark::State& state) {
    Simulator simulator(state.range(0) != 0);
    for (auto _ : state) benchmark::DoNotOptimize(ZD_Adapter_GetCount());
}

void diskList(benchmark::State& state) {
    Simulator simulator(state.range(0) != 0);
    std::vector<uint8_t> buffer(64 * 1024);
    for (auto _ : state) benchmark::DoNotOptimize(listDisks(buffer));
}

void diskListAfterAnotherProcess(benchmark::State& state) {
    Simulator simulator(true);
    std::vector<uint8_t> buffer(64 * 1024);
    for (auto _ : state) {
        state.PauseTiming();
        simulator.touch();
        state.ResumeTiming();
        benchmark::DoNotOptimize(listDisks(buffer));
    }
}

void spareChange(benchmark::State& state) {
    Simulator simulator(state.range(0) != 0);
    bool spare = false;
    for (auto _ : state) {
        benchmark::DoNotOptimize(spare ? ZD_PD_Spare2FreeHD(0, 7) : ZD_PD_FreeHD2GlobalSpare(0, 7));
        spare = !spare;
    }
}

}  // namespace

BENCHMARK(stateFileStat);
BENCHMARK(countCall)->ArgName("state_file")->Arg(0)->Arg(1);
BENCHMARK(diskList)->ArgName("state_file")->Arg(0)->Arg(1);
BENCHMARK(diskListAfterAnotherProcess);
BENCHMARK(spareChange)->ArgName("state_file")->Arg(0)->Arg(1);

BENCHMARK_MAIN();
