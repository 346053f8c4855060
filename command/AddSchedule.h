// "AddSchedule": stores a new schedule of a background activity.
//
// The key ("AdapterID") names the adapter whose serial number is stored with
// the schedule (the dispatcher's selected adapter is not used). The request's
// setting fields ("AdapterID", "PackageVDID", "VDBGAType", "ScheduleType",
// "SettingTime", "SettingDate", "SettingDateSupplement") are copied as text
// into the record, which keeps them between requests, so a field a request
// omits keeps the previous request's value. The store chooses the index,
// start time, status and result. Result 4 ("Resource not available") when
// 32 schedules are stored, 1 ("Failed") when the schedule file could not be
// written, otherwise 0.
#pragma once

#include "command/Command.h"
#include "schedule/ScheduleInfoRecord.h"

class AddSchedule : public Command<_Schedule_Info> {
public:
    AddSchedule();
    ~AddSchedule() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
