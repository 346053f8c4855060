#include "command/AddSchedule.h"

#include <cctype>

#include "api/APIAdapterInfoData.h"
#include "api/records/RecordText.h"
#include "middle/StructMiddle.h"
#include "request/ResultCodes.h"
#include "schedule/ScheduleDataAccess.h"

namespace {

void copyField(const StructMiddle* para, const char* name, std::string& target) {
    if (const std::string* value = para->findSingle(name)) target = *value;
}

}  // namespace

AddSchedule::AddSchedule() : Command<_Schedule_Info>("AddSchedule", "AdapterID") {}

// The adapter is the key, not the dispatcher's adapter.
void AddSchedule::prepare(unsigned char) {}

void AddSchedule::replacePara(StructMiddle* para) {
    // The key as the controller's one-byte adapter argument takes it.
    const uint8_t adapter = static_cast<uint8_t>(m_key);
    APIAdapterInfoData adapters;
    adapters.readSingle(adapter);
    bool found = false;
    const _Adapter_Info* info = adapters.getData(adapter, found);
    std::string serial = recordText(info->serial_number, sizeof info->serial_number);
    if (found && !serial.empty()) {
        for (char& c : serial) {
            if (!std::isprint(static_cast<unsigned char>(c))) c = '?';
        }
        m_para.AdapterSN = serial;
    }
    if (para == nullptr) return;
    copyField(para, "AdapterID", m_para.AdapterID);
    copyField(para, "PackageVDID", m_para.PackageVDID);
    copyField(para, "VDBGAType", m_para.VDBGAType);
    copyField(para, "ScheduleType", m_para.ScheduleType);
    copyField(para, "SettingTime", m_para.SettingTime);
    copyField(para, "SettingDate", m_para.SettingDate);
    copyField(para, "SettingDateSupplement", m_para.SettingDateSupplement);
}

void AddSchedule::run() {
    ScheduleDataAccess store;
    switch (store.AddSchedule(m_para)) {
    case ScheduleDataAccess::kAdded:
        m_ret = 0;
        break;
    case ScheduleDataAccess::kStoreFull:
        m_ret = result::kResourceNotAvailable;
        break;
    case ScheduleDataAccess::kNotSaved:
        m_ret = result::kFailed;
        break;
    }
}
