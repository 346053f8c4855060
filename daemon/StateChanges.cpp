#include "daemon/StateChanges.h"

#include <set>

#include "daemon/Severity.h"
#include "front/Health.h"

namespace zdmond {

using zdfront::Activity;
using zdfront::AdapterState;
using zdfront::Array;
using zdfront::Disk;
using zdfront::Health::arrayDegraded;
using zdfront::Health::arrayOffline;
using zdfront::Health::diskFailed;
using zdfront::MonitorState;

namespace {

// "BGAStatus" of an activity stopped by request; "VDStatus" of an initialized array.
constexpr uint64_t kActivityAborted = 2;
constexpr uint64_t kArrayInitialized = 15;
const char* const kAbsent = "absent";

// State keys: "<kind>/<adapter>/<id>[/<detail>]", the adapter named by its serial number.
std::string adapterKey(const zdfront::Adapter& adapter)
{
    return adapter.serial.empty() ? "#" + std::to_string(adapter.id) : adapter.serial;
}

std::vector<std::string> parts(const std::string& key)
{
    std::vector<std::string> result;
    size_t start = 0;
    for (size_t slash; (slash = key.find('/', start)) != std::string::npos; start = slash + 1)
        result.push_back(key.substr(start, slash - start));
    result.push_back(key.substr(start));
    return result;
}

std::string valueOf(const MonitorState& state, const std::string& key)
{
    auto found = state.find(key);
    return found == state.end() ? std::string() : found->second;
}

uint64_t number(const std::string& text)
{
    return text.empty() || text.find_first_not_of("0123456789") != std::string::npos ? 0 : std::stoull(text);
}

bool activityPresent(const std::optional<Activity>& activity)
{
    return activity && activity->type.value != 0 && activity->status.value != kActivityAborted;
}

enum class ArrayHealth { Normal, Degraded, Offline };

ArrayHealth healthOf(uint64_t status)
{
    if (arrayOffline(status)) return ArrayHealth::Offline;
    if (arrayDegraded(status)) return ArrayHealth::Degraded;
    return ArrayHealth::Normal;
}

std::string quoted(const std::string& name) { return name.empty() ? "" : " \"" + name + "\""; }

// Builds the changes of one cycle with the names of the adapter they concern.
class Comparer {
public:
    Comparer(const MonitorState& remembered, ActivityProgress& progress, StateComparison& result)
        : m_remembered(remembered), m_progress(progress), m_result(result), m_baseline(remembered.empty())
    {
    }

    void adapter(const AdapterState& state);
    void lostAdapters(const std::set<std::string>& present);

private:
    Change make(const AdapterState& state, const std::string& event, unsigned severity, const std::string& message);
    void array(const AdapterState& state, const std::string& key, const Array& array);
    void disk(const AdapterState& state, const std::string& key, const Disk& disk, bool adapterKnown);
    void smart(const AdapterState& state, const std::string& key, const Disk& disk);
    void activities(const AdapterState& state, const std::string& key, bool adapterKnown);
    void finished(const AdapterState& state, const std::string& stateKey, uint64_t type);
    std::string arrayText(const Array& array) const
    {
        return "array " + std::to_string(array.id) + quoted(array.name);
    }

    const MonitorState& m_remembered;
    ActivityProgress& m_progress;
    StateComparison& m_result;
    const bool m_baseline;
};

Change Comparer::make(const AdapterState& state, const std::string& event, unsigned severity,
                      const std::string& message)
{
    Change change;
    change.event = event;
    change.severity = severity;
    change.adapter = static_cast<unsigned>(state.adapter.id);
    change.adapterSerial = state.adapter.serial;
    change.where = "adapter" + std::to_string(state.adapter.id);
    change.message = message;
    change.details["ADAPTER"] = std::to_string(state.adapter.id);
    change.details["ADAPTER_SERIAL"] = state.adapter.serial;
    return change;
}

void Comparer::adapter(const AdapterState& state)
{
    const std::string key = adapterKey(state.adapter);
    const std::string before = valueOf(m_remembered, "adapter/" + key);
    const bool known = before.rfind("present", 0) == 0;
    m_result.state["adapter/" + key] = "present:" + std::to_string(state.adapter.id);
    if (before.rfind("lost", 0) == 0 || (before.empty() && !m_baseline)) {
        Change change = make(state, "AdapterFound", kSeverityInfo,
                             "adapter " + std::to_string(state.adapter.id) + " (serial " + state.adapter.serial +
                                 (before.empty() ? ") appeared" : ") is back"));
        m_result.changes.push_back(change);
    }
    for (const Array& array : state.arrays) this->array(state, key, array);
    for (const Disk& disk : state.disks) this->disk(state, key, disk, known);
    activities(state, key, known);
}

void Comparer::array(const AdapterState& state, const std::string& key, const Array& array)
{
    const std::string stateKey = "array/" + key + "/" + std::to_string(array.id);
    const std::string before = valueOf(m_remembered, stateKey);
    m_result.state[stateKey] = std::to_string(array.status.value);
    if (activityPresent(array.activity))
        m_result.state["activity/" + key + "/array/" + std::to_string(array.id)] =
            std::to_string(array.activity->type.value);

    const ArrayHealth now = healthOf(array.status.value);
    const ArrayHealth was = before.empty() ? ArrayHealth::Normal : healthOf(number(before));
    if (now == was) return;
    const std::string what = arrayText(array) + " (" + array.raid.text + ") on adapter " +
                             std::to_string(state.adapter.id);
    Change change;
    if (now == ArrayHealth::Offline)
        change = make(state, "ArrayOffline", kSeverityCritical, what + " is offline: " + array.status.text);
    else if (now == ArrayHealth::Degraded)
        change = make(state, "ArrayDegraded", was == ArrayHealth::Offline ? kSeverityWarning : kSeverityCritical,
                      what + " is degraded: " + array.status.text);
    else
        change = make(state, "ArrayRecovered", kSeverityInfo, what + " is back to normal: " + array.status.text);
    change.device = static_cast<int>(array.id);
    change.where += "/array" + std::to_string(array.id);
    change.details["ARRAY"] = std::to_string(array.id);
    change.details["ARRAY_NAME"] = array.name;
    change.details["ARRAY_STATUS"] = array.status.text;
    change.details["ARRAY_RAID"] = array.raid.text;
    m_result.changes.push_back(change);
}

void Comparer::disk(const AdapterState& state, const std::string& key, const Disk& disk, bool adapterKnown)
{
    const std::string id = std::to_string(disk.id);
    const std::string stateKey = "disk/" + key + "/" + id;
    const std::string before = valueOf(m_remembered, stateKey);
    m_result.state[stateKey] = !disk.present ? kAbsent
                               : std::to_string(disk.status.value) + (disk.array ? "@" + std::to_string(*disk.array) : "");
    if (disk.present && activityPresent(disk.activity))
        m_result.state["activity/" + key + "/disk/" + id] = std::to_string(disk.activity->type.value);
    smart(state, key, disk);

    const std::string name = "disk " + id + " on adapter " + std::to_string(state.adapter.id);
    // A disk that fails or is pulled leaves its array: name the array it was in.
    std::optional<uint64_t> member = disk.array;
    if (!member && before.find('@') != std::string::npos) member = number(before.substr(before.find('@') + 1));
    auto withDisk = [&](Change change) {
        change.device = static_cast<int>(disk.id);
        change.component = change.where + "/disk" + id;
        if (member) {
            change.where += "/array" + std::to_string(*member);
            change.details["ARRAY"] = std::to_string(*member);
            for (const Array& array : state.arrays)
                if (array.id == *member) change.details["ARRAY_NAME"] = array.name;
        } else {
            change.where = change.component;
            change.component.clear();
        }
        change.details["DISK"] = id;
        change.details["DISK_STATUS"] = disk.status.text;
        if (!disk.serial.empty()) change.details["DISK_SERIAL"] = disk.serial;
        m_result.changes.push_back(change);
    };
    if (!disk.present) {
        if (!before.empty() && before != kAbsent)
            withDisk(make(state, "DiskRemoved", kSeverityWarning, name + " was removed"));
        return;
    }
    const bool arrived = before == kAbsent || (before.empty() && adapterKnown && !m_baseline);
    if (arrived) withDisk(make(state, "DiskInserted", kSeverityInfo, name + " was inserted: " + disk.status.text));
    const bool failedBefore = !before.empty() && before != kAbsent && diskFailed(number(before.substr(0, before.find('@'))));
    if (diskFailed(disk.status.value) && !failedBefore) {
        std::string of = member ? ", member of array " + std::to_string(*member) : "";
        withDisk(make(state, "DiskFailed", kSeverityCritical, name + " failed: " + disk.status.text + of));
    }
}

void Comparer::smart(const AdapterState& state, const std::string& key, const Disk& disk)
{
    const std::string prefix = "smart/" + key + "/" + std::to_string(disk.id) + "/";
    if (!disk.present) return;
    if (!disk.smartRead) {  // keep what was known rather than report a change nobody saw
        for (auto it = m_remembered.lower_bound(prefix); it != m_remembered.end() && it->first.rfind(prefix, 0) == 0; ++it)
            m_result.state[it->first] = it->second;
        return;
    }
    auto report = [&](const char* event, unsigned severity, const zdfront::SmartAttribute& attribute, const char* how) {
        Change change = make(state, event, severity,
                             "disk " + std::to_string(disk.id) + " on adapter " + std::to_string(state.adapter.id) +
                                 ": SMART attribute " + std::to_string(attribute.id) + " " + attribute.name + " " +
                                 how + " (value " + std::to_string(attribute.value) + ", threshold " +
                                 std::to_string(attribute.threshold) + ")");
        change.device = static_cast<int>(disk.id);
        change.where += "/disk" + std::to_string(disk.id);
        change.details["DISK"] = std::to_string(disk.id);
        change.details["SMART_ATTRIBUTE"] = std::to_string(attribute.id);
        change.details["SMART_NAME"] = attribute.name;
        change.details["SMART_VALUE"] = std::to_string(attribute.value);
        change.details["SMART_THRESHOLD"] = std::to_string(attribute.threshold);
        m_result.changes.push_back(change);
    };
    for (const zdfront::SmartAttribute& attribute : disk.smart) {
        const std::string stateKey = prefix + std::to_string(attribute.id);
        const bool was = m_remembered.count(stateKey) != 0;
        if (attribute.failing()) {
            m_result.state[stateKey] = "failing";
            if (!was) report("SmartThresholdCrossed", kSeverityCritical, attribute, "crossed its threshold");
        } else if (was) {
            report("SmartThresholdCleared", kSeverityInfo, attribute, "is back above its threshold");
        }
    }
}

void Comparer::activities(const AdapterState& state, const std::string& key, bool adapterKnown)
{
    const std::string prefix = "activity/" + key + "/";
    std::set<std::string> keys;
    for (auto it = m_remembered.lower_bound(prefix); it != m_remembered.end() && it->first.rfind(prefix, 0) == 0; ++it)
        keys.insert(it->first);
    for (auto it = m_result.state.lower_bound(prefix); it != m_result.state.end() && it->first.rfind(prefix, 0) == 0; ++it)
        keys.insert(it->first);
    for (const std::string& stateKey : keys) {
        const uint64_t before = number(valueOf(m_remembered, stateKey));
        const uint64_t now = number(valueOf(m_result.state, stateKey));
        if (before != 0 && before != now) finished(state, stateKey, before);
        if (now != 0 && now != before && (adapterKnown || before != 0) && !m_baseline) {
            std::vector<std::string> p = parts(stateKey);  // activity/<adapter>/<array|disk>/<id>
            const bool onDisk = p[2] == "disk";
            const uint64_t id = number(p[3]);
            Activity activity;
            std::string what;
            if (onDisk) {
                for (const Disk& disk : state.disks)
                    if (disk.id == id && disk.activity) activity = *disk.activity;
                what = "disk " + p[3];
            } else {
                for (const Array& array : state.arrays)
                    if (array.id == id && array.activity) {
                        activity = *array.activity;
                        what = arrayText(array);
                    }
            }
            const std::string name = activityName(activity, onDisk);
            Change change = make(state, name + "Started", kSeverityInfo,
                                 activity.type.text + " of " + what + " on adapter " +
                                     std::to_string(state.adapter.id) + " started");
            change.device = static_cast<int>(id);
            change.where += (onDisk ? "/disk" : "/array") + p[3];
            change.details[onDisk ? "DISK" : "ARRAY"] = p[3];
            change.details["ACTIVITY"] = activity.type.text;
            m_result.changes.push_back(change);
        }
    }
    // Remember the progress of what runs now, for the result when it ends.
    for (const Array& array : state.arrays)
        if (activityPresent(array.activity)) m_progress[prefix + "array/" + std::to_string(array.id)] = *array.activity;
    for (const Disk& disk : state.disks)
        if (disk.present && activityPresent(disk.activity))
            m_progress[prefix + "disk/" + std::to_string(disk.id)] = *disk.activity;
}

void Comparer::finished(const AdapterState& state, const std::string& stateKey, uint64_t type)
{
    std::vector<std::string> p = parts(stateKey);
    const bool onDisk = p[2] == "disk";
    const uint64_t id = number(p[3]);
    Activity last;
    last.type.value = type;
    if (auto seen = m_progress.find(stateKey); seen != m_progress.end()) {
        last = seen->second;
        m_progress.erase(seen);
    }
    std::string result = "completed";
    std::string what = (onDisk ? "disk " : "array ") + p[3];
    std::string after;
    bool gone = true;
    if (onDisk) {
        for (const Disk& disk : state.disks)
            if (disk.id == id && disk.present) {
                gone = false;
                after = disk.status.text;
                if (disk.activity && disk.activity->status.value == kActivityAborted) result = "aborted";
                else if (diskFailed(disk.status.value)) result = "failed";
            }
    } else {
        for (const Array& array : state.arrays)
            if (array.id == id) {
                gone = false;
                what = arrayText(array);
                after = array.status.text;
                const std::string name = activityName(last, false);
                if (array.activity && array.activity->status.value == kActivityAborted) result = "aborted";
                else if (arrayOffline(array.status.value)) result = "failed";
                else if (name == "Rebuild" && arrayDegraded(array.status.value)) result = "incomplete";
                else if (name == "Init" && array.status.value != kArrayInitialized) result = "incomplete";
            }
    }
    if (gone) result = "ended with its " + std::string(onDisk ? "disk" : "array");
    const std::string name = activityName(last, onDisk);
    std::string label = last.type.text.empty() ? name : last.type.text;
    Change change = make(state, name + "Finished", result == "completed" ? kSeverityInfo : kSeverityWarning,
                         label + " of " + what + " on adapter " + std::to_string(state.adapter.id) + " finished: " +
                             result + (after.empty() ? "" : ", now " + after));
    change.device = static_cast<int>(id);
    change.where += (onDisk ? "/disk" : "/array") + p[3];
    change.details[onDisk ? "DISK" : "ARRAY"] = p[3];
    change.details["ACTIVITY"] = label;
    change.details["RESULT"] = result;
    change.details["LAST_PERCENT"] = std::to_string(last.percent);
    m_result.changes.push_back(change);
}

void Comparer::lostAdapters(const std::set<std::string>& present)
{
    for (const auto& [key, value] : m_remembered) {
        std::vector<std::string> p = parts(key);
        if (p.size() < 2 || present.count(p[1])) continue;
        m_result.state[key] = value;  // kept as it was, for the adapter's return
        if (p[0] != "adapter" || value.rfind("present:", 0) != 0) continue;
        const std::string id = value.substr(std::string("present:").size());
        m_result.state[key] = "lost:" + id;
        Change change;
        change.event = "AdapterLost";
        change.severity = kSeverityCritical;
        change.adapter = static_cast<unsigned>(number(id));
        change.adapterSerial = p[1][0] == '#' ? "" : p[1];
        change.where = "adapter" + id;
        change.message = "adapter " + id + (change.adapterSerial.empty() ? "" : " (serial " + p[1] + ")") +
                         " disappeared: its arrays and disks cannot be watched";
        change.details["ADAPTER"] = id;
        change.details["ADAPTER_SERIAL"] = change.adapterSerial;
        m_result.changes.push_back(change);
    }
}

}  // namespace

std::string activityName(const Activity& activity, bool onDisk)
{
    if (onDisk) return "Patrol";
    switch (activity.type.value) {
    case 1: return "Rebuild";
    case 2:
    case 4: return "Check";
    case 8:
    case 16: return "Init";
    case 32: return "Migrate";
    case 512: return "Patrol";
    default: return "Activity";
    }
}

StateComparison compareStates(const MonitorState& remembered, const zdfront::Snapshot& snapshot,
                              ActivityProgress& progress)
{
    StateComparison result;
    Comparer comparer(remembered, progress, result);
    std::set<std::string> present;
    for (const AdapterState& state : snapshot.adapters) {
        present.insert(adapterKey(state.adapter));
        comparer.adapter(state);
    }
    comparer.lostAdapters(present);
    for (const auto& [key, value] : result.state)
        if (valueOf(remembered, key) != value) result.changedKeys[key] = value;
    for (const auto& [key, value] : remembered)
        if (!result.state.count(key)) result.changedKeys[key] = "";
    return result;
}

}  // namespace zdmond
