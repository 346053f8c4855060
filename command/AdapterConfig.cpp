#include "command/AdapterConfig.h"

#include "api/OEMPacket.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "middle/StringParser.h"
#include "request/RequestFields.h"

namespace {

constexpr unsigned kTextChars = 19;  // 20-byte text fields: 19 characters and a NUL
constexpr uint8_t kAlarmOnRequest = 5;
constexpr uint8_t kAlarmOffRequest = 4;

void readTextField(const StructMiddle* para, const char* name, char* field) {
    if (para == nullptr) return;
    if (const std::string* text = para->findSingle(name)) {
        StringParser parser;
        parser.parse(*text);
        parser.setValue(field, kTextChars);
    }
}

}  // namespace

AdapterConfig::AdapterConfig() : Command<_Adapter_Config_V2>("AdapterConfig") {}

void AdapterConfig::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    uint8_t count = 1;
    m_ret = ZD_Adapter_GetConfig(adapterId, &count, &m_para);
    m_log->startLine(Log::api_data, "AdapterConfig ZD_Adapter_GetConfig");
    m_log->writeBin(&m_para, sizeof m_para);
    m_log->endLine();
}

void AdapterConfig::replacePara(StructMiddle* para) {
    readTextField(para, "Alias", m_para.alias);
    readTextField(para, "SerialNo", m_para.serial_number);
    request::readNumber<U8Parser>(para, "SyncSpeed", m_para.sync_speed);
    request::readNumber<U8Parser>(para, "InitSpeed", m_para.init_speed);
    request::readNumber<U8Parser>(para, "RebuildSpeed", m_para.rebuild_speed);
    request::readNumber<U8Parser>(para, "MigrateSpeed", m_para.migrate_speed);
    request::readNumber<U8Parser>(para, "DiskCheckSpeed", m_para.disk_check_speed);
    request::readNumber<U8Parser>(para, "AutoRebuild", m_para.auto_rebuild);
    request::readNumber<U8Parser>(para, "CopyBack", m_para.copy_back);
    request::readNumber<U8Parser>(para, "SMARTPoll", m_para.smart_polling);
    request::readNumber<U8Parser>(para, "AlarmOn", m_para.alarm_on);
}

void AdapterConfig::run() {
    if (m_ret != 0) return;
    m_log->startLine(Log::api_data, "AdapterConfig ZD_Adapter_SetConfig");
    m_log->writeBin(&m_para, sizeof m_para);
    m_ret = ZD_Adapter_SetConfig(m_adapter, &m_para);
    m_log->writeFormatInfo("ret %d ", m_ret);
    synchroniseAlarm();
    m_log->endLine();
}

void AdapterConfig::synchroniseAlarm() {
    _Adapter_OEM_Data packet = makeOEMPacket(ZD_OEM_BUZZER_STATUS);
    ZD_Adapter_Get_OEM_Data(m_adapter, &packet);
    m_log->writeFormatInfo(" OEM_data value %d, alarm %d ", packet.oem_value, m_para.alarm_on);
    if (packet.oem_value == m_para.alarm_on) return;
    packet.oem_value = m_para.alarm_on != 0 ? kAlarmOnRequest : kAlarmOffRequest;
    packet.oem_type = ZD_OEM_USER_REQUEST;
    uint8_t status = ZD_Adapter_Set_OEM_Data(m_adapter, &packet);
    m_log->writeFormatInfo(" ZD_Adapter_Set_OEM_Data ret %d ", status);
}
