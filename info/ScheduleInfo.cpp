#include "info/ScheduleInfo.h"

#include <vector>

#include "middle/StructMiddle.h"
#include "middle/XMLMiddle.h"
#include "schedule/ScheduleDataAccess.h"

ScheduleInfo::ScheduleInfo() : Info("Schedule") {}

bool ScheduleInfo::getSingle(uint32_t, const std::string&, std::string&) { return false; }

void ScheduleInfo::getArray(uint32_t, std::string& result) {
    std::vector<_Schedule_Info> records(ScheduleDataAccess::kMaxSchedules);
    int count = 0;
    {
        ScheduleDataAccess store;
        store.GetAllScheduleInfo(records.data(), count);
    }

    XMLMiddle doc(m_name + "s");
    for (int i = 0; i < count && i < ScheduleDataAccess::kMaxSchedules; ++i) {
        const _Schedule_Info& record = records[i];
        StructMiddle* schedule = doc.addStruct(m_name);
        schedule->addSingle("Index", record.Index);
        schedule->addSingle("AdapterID", record.AdapterID);
        schedule->addSingle("AdapterSN", record.AdapterSN);
        schedule->addSingle("PackageVDID", record.PackageVDID);
        schedule->addSingle("VDBGAType", record.VDBGAType);
        schedule->addSingle("ScheduleType", record.ScheduleType);
        schedule->addSingle("SettingTime", record.SettingTime);
        schedule->addSingle("SettingDate", record.SettingDate);
        schedule->addSingle("SettingDateSupplement", record.SettingDateSupplement);
        schedule->addSingle("StartTime", record.StartTime);
        schedule->addSingle("Status", record.Status);
        schedule->addSingle("Result", record.Result);
        if (!record.RAID.empty()) schedule->addSingle("RAID", record.RAID);
        if (!record.VDStatus.empty()) schedule->addSingle("VDStatus", record.VDStatus);
    }
    doc.printTo(result);
}
