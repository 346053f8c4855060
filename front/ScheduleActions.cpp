#include "front/ScheduleActions.h"

#include <set>

#include "front/ArrayActions.h"
#include "front/Enclosure.h"
#include "front/Error.h"
#include "front/Validation.h"

namespace zdfront {

namespace {

// Activities a schedule can start ("VDBGAType" values; 33 patrols a disk).
struct ActivityWord {
    const char* word;
    uint64_t type;
};
const ActivityWord kActivities[] = {{"check", 4}, {"fix", 2}, {"init", 16}, {"patrol", Schedule::kDiskPatrol}};
constexpr uint64_t kInit = 16;

// "ScheduleType" values.
const char* const kRepeats[] = {"once", "daily", "weekly", "monthly"};
constexpr uint64_t kOnce = 0, kWeekly = 2, kMonthly = 3;

const std::string kFileHint =
    "check that the bridge's schedule file, ZDBRIDGE_DB_PATH, is writable and holds a schedule table";

// The bridge keeps the schedules itself: a refusal other than a full store
// means that it could not save its schedule file.
std::string unsaved(const std::string& what, Session& session, uint8_t code)
{
    return what + ": the bridge answered code " + std::to_string(code) + " (" + session.errorText(code) + "); " +
           kFileHint;
}

constexpr uint8_t kStoreFull = 4;

uint64_t hhmm(const std::string& text)
{
    bool digits = text.size() == 4;
    for (char c : text) digits = digits && c >= '0' && c <= '9';
    uint64_t value = digits ? std::stoull(text) : 0;
    if (!digits || value / 100 > 23 || value % 100 > 59)
        throw Error(ErrorKind::Usage, "the time takes HHMM (0000 to 2359), not '" + text + "'");
    return value;
}

std::set<uint64_t> indexes(Session& session)
{
    std::set<uint64_t> found;
    for (const Schedule& schedule : Enclosure::readSchedules(session)) found.insert(schedule.index);
    return found;
}

}  // namespace

const char* scheduleActivities() { return "check, fix, init, patrol"; }
const char* scheduleRepeats() { return "once, daily, weekly, monthly"; }

ScheduleAddition::ScheduleAddition(Session& session, const NewSchedule& wanted, std::time_t now)
{
    const ActivityWord* activity = nullptr;
    for (const ActivityWord& candidate : kActivities)
        if (wanted.activity == candidate.word) activity = &candidate;
    if (!activity)
        throw Error(ErrorKind::Usage, "unknown activity '" + wanted.activity + "' (" + scheduleActivities() + ")");
    uint64_t repeat = 0;
    while (repeat < 4 && wanted.repeat != kRepeats[repeat]) ++repeat;
    if (repeat == 4) throw Error(ErrorKind::Usage, "unknown repeat '" + wanted.repeat + "' (" + scheduleRepeats() + ")");
    uint64_t time = hhmm(wanted.time);

    std::string date;
    uint64_t supplement = 0;
    if (repeat == kOnce) {
        Validation::date(wanted.date, "the date");
        std::tm when{};
        when.tm_year = std::stoi(wanted.date.substr(0, 4)) - 1900;
        when.tm_mon = std::stoi(wanted.date.substr(4, 2)) - 1;
        when.tm_mday = std::stoi(wanted.date.substr(6, 2));
        when.tm_hour = static_cast<int>(time / 100);
        when.tm_min = static_cast<int>(time % 100);
        when.tm_isdst = -1;
        if (std::mktime(&when) <= now)
            throw Error(ErrorKind::Usage, "the date and time " + wanted.date + " " + wanted.time + " have passed");
        date = wanted.date;
    } else {
        if (wanted.every == 0 || wanted.every > 999) throw Error(ErrorKind::Usage, "the interval takes 1 to 999");
        date = std::to_string(wanted.every);
        if (repeat == kWeekly || repeat == kMonthly) {
            if (!wanted.day)
                throw Error(ErrorKind::Usage, repeat == kWeekly ? "a weekly schedule needs its weekday, 0-6 (0 = Sunday)"
                                                                : "a monthly schedule needs its day, 1-31");
            if (repeat == kWeekly ? *wanted.day > 6 : (*wanted.day < 1 || *wanted.day > 31))
                throw Error(ErrorKind::Usage, repeat == kWeekly ? "the weekday takes 0 to 6 (0 = Sunday)"
                                                                : "the day of the month takes 1 to 31");
            supplement = *wanted.day;
        }
    }

    const std::string when = wanted.repeat + " at " + wanted.time.substr(0, 2) + ":" + wanted.time.substr(2) +
                             (repeat == kOnce ? " on " + date : std::string());
    if (activity->type == Schedule::kDiskPatrol) {
        Enclosure::readDisk(session, wanted.target);
        m_description = "media patrol of disk " + std::to_string(wanted.target) + ", " + when;
    } else {
        Array array = Enclosure::readArray(session, wanted.target, false);
        m_description = wanted.activity + " of " + describe(array) + ", " + when;
        if (activity->type == kInit) {
            m_plan.losses.push_back("all data on " + describe(array) + " will be erased each time the schedule runs (" +
                                    when + ")");
            m_plan.needsConfirmation = true;
            m_plan.confirmationText = confirmationName(array);
        }
    }
    m_plan.action = "schedule the " + m_description;
    m_request.field("AdapterID", session.adapter()).field("PackageVDID", wanted.target).field("VDBGAType", activity->type)
        .field("ScheduleType", repeat).field("SettingTime", wanted.time).field("SettingDate", date)
        .field("SettingDateSupplement", supplement);
}

Outcome ScheduleAddition::execute(Session& session, const Consent& consent)
{
    requireConsent(m_plan, consent);
    std::set<uint64_t> before = indexes(session);
    uint8_t code = session.commandCode(m_request);
    if (code == kStoreFull)
        throw Error(ErrorKind::Refused, "the schedule store is full (" + session.errorText(code) + ")", code);
    if (code != 0) throw Error(ErrorKind::Refused, unsaved("the schedule was not stored", session, code), code);
    Outcome outcome;
    for (uint64_t index : indexes(session))
        if (!before.count(index)) outcome.created["schedule"] = index;
    if (!outcome.created.count("schedule"))
        throw Error(ErrorKind::Refused, "the bridge answered success but stored no schedule (" + kFileHint + ")");
    outcome.done.push_back("schedule " + std::to_string(outcome.created["schedule"]) + " stored: " + m_description);
    return outcome;
}

Outcome removeSchedule(Session& session, uint64_t index)
{
    if (!indexes(session).count(index))
        throw Error(ErrorKind::NotFound, "schedule " + std::to_string(index) + " not found");
    const uint8_t code = session.commandCode(Request("RemoveSchedule").field("Index", index));
    if (code != 0)
        throw Error(ErrorKind::Refused, unsaved("schedule " + std::to_string(index) + " was not removed", session, code),
                    code);
    if (indexes(session).count(index))
        throw Error(ErrorKind::Refused, "the bridge answered success but schedule " + std::to_string(index) +
                                            " is still stored (" + kFileHint + ")");
    Outcome outcome;
    outcome.done.push_back("schedule " + std::to_string(index) + " removed");
    return outcome;
}

}  // namespace zdfront
