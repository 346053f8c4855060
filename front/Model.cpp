#include "front/Model.h"

#include <algorithm>
#include <cstdlib>

namespace zdfront {

namespace {

// "BGAStatus" values.
constexpr uint64_t kRunning = 1;
constexpr uint64_t kAborted = 2;
// "ScheduleType" values.
constexpr uint64_t kOnce = 0;
constexpr uint64_t kDaily = 1;
constexpr uint64_t kWeekly = 2;
constexpr uint64_t kMonthly = 3;
constexpr uint64_t kScheduleRun = 2;  // "ScheduleStatus"

// "EvtClass" values whose device is a disk.
constexpr uint64_t kClassDisk = 2;

}  // namespace

bool Activity::running() const { return status.value == kRunning; }

bool Activity::aborted() const { return status.value == kAborted; }

SmartVerdict smartVerdict(const Disk& disk)
{
    if (!disk.present || !disk.smartRead || disk.smart.empty()) return SmartVerdict::Unknown;
    for (const SmartAttribute& attribute : disk.smart)
        if (attribute.failing()) return SmartVerdict::Failing;
    return SmartVerdict::Passed;
}

const char* smartVerdictText(SmartVerdict verdict)
{
    switch (verdict) {
    case SmartVerdict::Unknown: return "UNKNOWN";
    case SmartVerdict::Passed: return "PASSED";
    case SmartVerdict::Failing: return "FAILING";
    }
    return "UNKNOWN";
}

bool Event::endsActivityOfArray(uint64_t id) const { return activityEnd && array == id; }

bool Event::endsActivityOfDisk(uint64_t id) const
{
    return activityEnd && eventClass.value == kClassDisk && device == id;
}

bool Schedule::targetsDisk() const { return activity.value == kDiskPatrol; }

bool Schedule::ran() const { return status.value == kScheduleRun; }

std::string Schedule::lastStartText() const
{
    if (!ran()) return "-";
    if (lastStart.size() != 12) return lastStart;
    return lastStart.substr(0, 4) + "-" + lastStart.substr(4, 2) + "-" + lastStart.substr(6, 2) + " " +
           lastStart.substr(8, 2) + ":" + lastStart.substr(10, 2);
}

std::string Schedule::resultText() const
{
    if (!ran()) return "-";
    if (result.value == 0) return "started";
    std::string text = "refused: " + result.text;
    if (arrayStatusAtRun) text += " (the array was " + arrayStatusAtRun->text + ")";
    return text;
}

std::string Schedule::whenText() const
{
    static const char* const kWeekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    const std::string at = " at " + (time.size() == 4 ? time.substr(0, 2) + ":" + time.substr(2) : time);
    if (repeat.value == kOnce) {
        const std::string day = date.size() == 8 ? date.substr(0, 4) + "-" + date.substr(4, 2) + "-" + date.substr(6) : date;
        return repeat.text + " on " + day + at;
    }
    const char* unit = repeat.value == kDaily ? "days" : repeat.value == kWeekly ? "weeks" : "months";
    const uint64_t every = std::strtoull(date.c_str(), nullptr, 10);
    std::string text = every > 1 ? "every " + std::to_string(every) + " " + unit : repeat.text;
    if (repeat.value == kWeekly) text += std::string(" on ") + kWeekdays[std::min<uint64_t>(day, 6)];
    if (repeat.value == kMonthly) text += " on day " + std::to_string(day);
    return text + at;
}

std::vector<Problem> Snapshot::problems() const
{
    std::vector<Problem> found;
    for (const AdapterState& state : adapters) {
        const std::string where = "adapter " + std::to_string(state.adapter.id);
        for (const Array& array : state.arrays) {
            if (Health::arrayOffline(array.status.value))
                found.push_back({Verdict::Offline, where + " array " + std::to_string(array.id) + " is " + array.status.text});
            else if (Health::arrayDegraded(array.status.value))
                found.push_back({Verdict::Degraded, where + " array " + std::to_string(array.id) + " is " + array.status.text});
        }
        for (const Disk& disk : state.disks)
            if (disk.present && Health::diskFailed(disk.status.value))
                found.push_back({Verdict::Degraded, where + " disk " + std::to_string(disk.id) + " is " + disk.status.text});
    }
    return found;
}

Verdict Snapshot::verdict() const
{
    Verdict worst = Verdict::Healthy;
    for (const Problem& problem : problems())
        if (problem.verdict > worst) worst = problem.verdict;
    return worst;
}

}  // namespace zdfront
