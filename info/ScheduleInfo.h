// "Schedule": the stored schedules, listed with getArrayInfo.
//
// getArray answers "Schedules" with one "Schedule" structure per stored
// schedule (at most 32, in the store's order: "index" compared as text),
// each field holding the text stored in the schedule file; "RAID" and
// "VDStatus" appear only when not empty. The adapter id is not used: every
// schedule is listed. There is no single-field form.
#pragma once

#include "info/Info.h"

class ScheduleInfo : public Info {
public:
    ScheduleInfo();

    bool getSingle(uint32_t adapterId, const std::string& key, std::string& result) override;
    void getArray(uint32_t adapterId, std::string& result) override;
};
