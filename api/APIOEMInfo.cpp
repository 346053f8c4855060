#include "api/APIOEMInfo.h"

#include <cstring>

#include "api/zd_api.h"

void APIOEMInfo::resetRange() { m_count = ZD_Adapter_GetCount(); }

void APIOEMInfo::readData() {
    clear();
    m_record.length = ZD_OEM_PACKET_LENGTH;
    std::memcpy(m_record.signature, ZD_OEM_SIGNATURE, sizeof(m_record.signature));
    m_lastResult = ZD_Adapter_Get_OEM_Info(m_adapterId, &m_record);

    m_log->startLine(Log::api_data, "Adapter OEM Info link_type");
    m_log->writeFormatInfo("key: %d data %d", m_adapterId, m_record.link_type);
    m_log->endLine();
    m_log->startLine(Log::api_data, "Adapter OEM Info support_bit");
    m_log->writeFormatInfo("key: %d data %d", m_adapterId, static_cast<int>(m_record.support_bits & 0xFFFF));
    m_log->endLine();
}

_Adapter_OEM_Info* APIOEMInfo::getData(uint16_t, bool& found) {
    readData();
    found = m_lastResult == 0;
    return &m_record;
}
