#include "api/APIOEMData.h"

#include "api/OEMPacket.h"
#include "api/zd_api.h"

void APIOEMData::resetRange() { m_count = ZD_Adapter_GetCount(); }

uint8_t APIOEMData::request(uint16_t adapter, uint8_t oemType) {
    m_record = makeOEMPacket(oemType);
    return ZD_Adapter_Get_OEM_Data(static_cast<uint8_t>(adapter), &m_record);
}

_Adapter_OEM_Data* APINXPVer::getData(uint16_t key, bool& found) {
    found = request(key, ZD_OEM_NXP_VERSION) == 0 && m_record.oem_value != 0;
    m_log->startLine(Log::api_data, "OEM_Data");
    m_log->writeFormatInfo("NXP_VER %x.%x.%x.%x", m_record.oem_value, m_record.oem_id, m_record.force,
                           m_record.oem_byte12);
    m_log->endLine();
    return &m_record;
}

_Adapter_OEM_Data* APIBuzzBing::getData(uint16_t key, bool& found) {
    found = request(key, ZD_OEM_BUZZER_RINGING) == 0;
    m_log->startLine(Log::api_data, "OEM_Data");
    m_log->writeFormatInfo("BUZZER_RINGING %d", m_record.oem_value);
    m_log->endLine();
    return &m_record;
}
