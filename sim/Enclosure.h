// The whole simulated system: up to 8 adapters, the clock, the call record,
// injected statuses and the state file. One process-wide instance, guarded
// by one mutex that every ABI and control function holds for its whole call.
//
// The controller library sees the adapters found by its last scan
// (ZD_API_Initialize or ZD_API_RescanAdapter); adapters added or removed
// through the control interface show up there only after the next scan.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/AdapterModel.h"
#include "sim/CallRecorder.h"
#include "sim/SimClock.h"
#include "sim/StateStore.h"
#include "sim/StatusInjector.h"

class Enclosure {
public:
    static constexpr size_t kMaxAdapters = 8;

    static Enclosure& instance();

    std::mutex& mutex() { return m_mutex; }
    SimClock& clock() { return m_clock; }
    CallRecorder& recorder() { return m_recorder; }
    StatusInjector& injector() { return m_injector; }

    // ---- as the controller library sees it ----
    uint8_t scannedCount() const { return static_cast<uint8_t>(m_scanned.size()); }
    // The scanned adapter, or nullptr (unknown index, or unplugged since).
    AdapterModel* scanned(uint8_t index);
    void rescan();

    // ---- as the enclosure is ----
    AdapterModel* adapter(uint8_t index);
    int addAdapter(uint8_t linkType);
    bool removeAdapter(uint8_t index);
    void resetBuiltIn();
    void resetEmpty(uint8_t count);

    // Brings every adapter's activities up to the clock; saves on change.
    void advance();
    // Switches clocks, keeping activities' progress.
    void useManualClock(bool manual);
    void resetManualClock();

    // ZD_API_Initialize: loads the state file named by ZD_SIM_STATE, if set.
    void initialize();
    // Saves the state after a change, when a state file is in use.
    void changed();

    uint32_t pageDelayMs() const { return m_pageDelayMs; }
    void setPageDelayMs(uint32_t ms) { m_pageDelayMs = ms; }

private:
    Enclosure();
    void replaceAdapters(std::vector<std::shared_ptr<AdapterModel>> adapters);
    void rebaseActivities(uint64_t from, uint64_t to);

    std::mutex m_mutex;
    SimClock m_clock;
    CallRecorder m_recorder;
    StatusInjector m_injector;
    StateStore m_store;
    std::vector<std::shared_ptr<AdapterModel>> m_adapters;
    std::vector<std::shared_ptr<AdapterModel>> m_scanned;
    uint32_t m_pageDelayMs = 0;
};
