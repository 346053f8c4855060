// ScheduleActions: adding and removing stored schedules (see front/Plan.h).
//
// A new schedule is checked before the bridge is called (its target exists,
// its date is a real date still to come), a schedule that initialises an
// array needs the same confirmation as the initialisation itself, and the
// stored row is read back with its index.
//
//   NewSchedule wanted{"check", 0, ...};
//   ScheduleAddition addition(session, wanted, now);
//   Outcome outcome = addition.execute(session, consent);   // created["schedule"]
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "front/Bridge.h"
#include "front/Model.h"
#include "front/Plan.h"

namespace zdfront {

// A schedule as the user asked for it.
struct NewSchedule {
    std::string activity;       // check, fix, init, patrol
    uint64_t target = 0;        // array id (disk id for patrol)
    std::string repeat = "once";  // once, daily, weekly, monthly
    std::string time;           // HHMM
    std::string date;           // YYYYMMDD, for once
    uint64_t every = 1;         // interval of days, weeks or months
    std::optional<uint64_t> day;  // weekday 0-6 (0 = Sunday) or day of the month 1-31
};

// The activity words and the repeat words, for help texts.
const char* scheduleActivities();
const char* scheduleRepeats();

class ScheduleAddition {
public:
    // Validates (Error Usage, NotFound); `now` decides whether a date has passed.
    ScheduleAddition(Session& session, const NewSchedule& wanted, std::time_t now);
    const Plan& plan() const { return m_plan; }
    Outcome execute(Session& session, const Consent& consent);

private:
    Request m_request{"AddSchedule"};
    std::string m_description;
    Plan m_plan;
};

// Removes a stored schedule and reads back that it is gone.
Outcome removeSchedule(Session& session, uint64_t index);

}  // namespace zdfront
