// _Schedule_Info: one schedule as the schedule commands, the "Schedule"
// provider and the schedule store exchange it. Every field is text, exactly
// as stored in the schedule file (the column of each field is given).
#pragma once

#include <string>

struct _Schedule_Info {
    std::string Index;                  // "index": key, decimal 0 to 65535
    std::string AdapterID;              // "A"
    std::string AdapterSN;              // "SN": adapter serial number at creation
    std::string PackageVDID;            // "VDID": virtual disk (type 33: disk)
    std::string VDBGAType;              // "BT": 2 check and fix, 4 check only, 16 init, 33 media patrol
    std::string ScheduleType;           // "ST": 0 once, 1 daily, 2 weekly, 3 monthly
    std::string SettingTime;            // "Time": HHMM
    std::string SettingDate;            // "Date": YYYYMMDD (once) or the interval N
    std::string SettingDateSupplement;  // "DS": weekday 0-6 or day of month 1-31
    std::string StartTime;              // "start": YYYYMMDDHHMM of creation or last run
    std::string Status;                 // "S": 0 not started, 1 due, 2 run
    std::string Result;                 // "R": result code of the last run
    std::string RAID;                   // "VM": RAID level after a failed run
    std::string VDStatus;               // "VS": disk status after a failed run, 4 = not found
};
