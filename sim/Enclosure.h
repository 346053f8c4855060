// The whole simulated system: up to 8 adapters, the clock, the call record,
// injected statuses and the state file. One process-wide instance, guarded
// by one mutex that every ABI and control function holds for its whole call.
//
// The adapters and the clock are the enclosure's shared state. With a state
// file (ZD_SIM_STATE, attached at ZD_API_Initialize) every process that uses
// the file sees one enclosure: each call on the shared state runs as an
// EnclosureCall, which takes the file's lock, reloads the state if another
// process changed it, brings the activities up to the clock and, before the
// call returns, commits what it changed. Calls of all processes are thus
// decided one after the other, as one controller would decide them. A
// change that cannot be committed (the file cannot be locked, read or
// written) is undone and the call fails with kStatusNotSaved; calls that
// only read go on from the last state read, with one warning on stderr.
// The call record, injected statuses, the page delay, an upload in progress
// and the scan below belong to this process alone.
//
// The controller library sees the adapters found by its last scan
// (ZD_API_Initialize or ZD_API_RescanAdapter); adapters added or removed
// through the control interface show up there only after the next scan.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sim/AdapterModel.h"
#include "sim/CallRecorder.h"
#include "sim/SimClock.h"
#include "sim/StateFile.h"
#include "sim/StatusInjector.h"

class Enclosure {
public:
    static constexpr size_t kMaxAdapters = 8;
    // A change that could not be committed: "Resource not available".
    static constexpr uint8_t kStatusNotSaved = 4;

    static Enclosure& instance();

    std::mutex& mutex() { return m_mutex; }
    SimClock& clock() { return m_clock; }
    CallRecorder& recorder() { return m_recorder; }
    StatusInjector& injector() { return m_injector; }

    // ---- one call on the shared state (see EnclosureCall) ----
    void beginCall();
    // Commits what the call changed; false when its own change could not
    // be committed and was undone.
    bool endCall();
    // The running call changed the shared state (events it queued or
    // drained are noticed without this).
    void changed() { m_callChanged = true; }

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

    // Clock changes, keeping the activities' progress.
    void useManualClock(bool manual);
    void resetManualClock();
    void advanceClock(uint64_t ms);

    // ZD_API_Initialize: attaches the state file ZD_SIM_STATE names (none
    // when it is unset), takes the time scale ZD_SIM_TIME_SCALE asks for, and
    // scans.
    void initialize();

    uint32_t pageDelayMs() const { return m_pageDelayMs; }
    void setPageDelayMs(uint32_t ms) { m_pageDelayMs = ms; }

private:
    Enclosure();
    // A new enclosure: adapters numbered afresh, and scanned.
    void replaceAdapters(std::vector<std::shared_ptr<AdapterModel>> adapters);
    // The shared state as another process left it; uploads in progress stay.
    void adopt(std::vector<std::shared_ptr<AdapterModel>> adapters, uint32_t nextAdapterUid);
    void adoptBuiltIn();
    void refresh();
    bool save(std::string& why);
    void restoreLastGood();
    bool advanceActivities();
    void rebaseActivities(uint64_t from, uint64_t to);
    uint64_t eventRevision() const;
    void warn(const std::string& message);

    std::mutex m_mutex;
    SimClock m_clock;
    CallRecorder m_recorder;
    StatusInjector m_injector;
    std::vector<std::shared_ptr<AdapterModel>> m_adapters;
    uint32_t m_nextAdapterUid = 1;
    std::vector<uint32_t> m_scanned;  // adapter uids
    uint32_t m_pageDelayMs = 0;

    StateFile m_file;
    bool m_locked = false;
    std::string m_lockProblem;
    bool m_fileUsable = true;  // last seen missing or valid: changes may be committed
    std::string m_fileProblem;
    std::optional<std::string> m_lastGood;  // the state last read or committed
    bool m_callChanged = false;
    bool m_backgroundChanged = false;  // an activity finished
    uint64_t m_eventRevision = 0;
    std::set<std::string> m_warned;  // since the last commit or attach
};

// One call on the enclosure's shared state, from construction (the state
// as it is now) to commit() (the change saved, or undone).
class EnclosureCall {
public:
    explicit EnclosureCall(Enclosure& enclosure) : m_enclosure(enclosure) { enclosure.beginCall(); }
    ~EnclosureCall() {
        if (!m_ended) m_enclosure.endCall();
    }
    EnclosureCall(const EnclosureCall&) = delete;
    EnclosureCall& operator=(const EnclosureCall&) = delete;

    bool commit() {
        m_ended = true;
        return m_enclosure.endCall();
    }

private:
    Enclosure& m_enclosure;
    bool m_ended = false;
};
