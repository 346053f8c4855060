// Schedule files as the tests write and expect them: one row of the
// "BGASchedules" table with every column the bridge writes, in the order a
// save writes them.
//
//   ScheduleRow due{"700", "0", "20240101", "0930"};  // index, type, date, time, ...
//   due.status = "2";
//   zdtest::writeFile(path, scheduleStore({due}));
#pragma once

#include <string>
#include <vector>

namespace zdtest {

struct ScheduleRow {
    std::string index;
    std::string type = "0";  // "ST": run once, daily, weekly, monthly
    std::string date = "20000101";  // "Date": YYYYMMDD, or the interval
    std::string time = "0000";
    std::string day = "";  // "DS": weekday or day of month
    std::string start = "199912010000";  // the last run, or the creation
    std::string status = "0";  // "S": not started, waiting, run
    std::string adapter = "0";
    std::string serial = "ZDT8-2411-1001";
    std::string disk = "0";  // "VDID": the package VD or the disk
    std::string activity = "4";  // "BT"
    std::string result = "0";
    std::string raid = "";
    std::string vdStatus = "";
};

inline std::string scheduleColumn(const std::string& name, const std::string& value) {
    return value.empty() ? "<" + name + "/>" : "<" + name + ">" + value + "</" + name + ">";
}

inline std::string scheduleRowXml(const ScheduleRow& r) {
    return "<Sch>" + scheduleColumn("A", r.adapter) + scheduleColumn("BT", r.activity) + scheduleColumn("DS", r.day) +
           scheduleColumn("Date", r.date) + scheduleColumn("R", r.result) + scheduleColumn("S", r.status) +
           scheduleColumn("SN", r.serial) + scheduleColumn("ST", r.type) + scheduleColumn("Time", r.time) +
           scheduleColumn("VDID", r.disk) + scheduleColumn("VM", r.raid) + scheduleColumn("VS", r.vdStatus) +
           scheduleColumn("index", r.index) + scheduleColumn("start", r.start) + "</Sch>";
}

inline std::string scheduleStore(const std::vector<ScheduleRow>& rows) {
    std::string body;
    for (const ScheduleRow& r : rows) body += scheduleRowXml(r);
    if (body.empty()) return "<?xml version=\"1.0\"?>\n<root><BGASchedules/></root>\n";
    return "<?xml version=\"1.0\"?>\n<root><BGASchedules>" + body + "</BGASchedules></root>\n";
}

}  // namespace zdtest
