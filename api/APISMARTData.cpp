#include "api/APISMARTData.h"

#include "api/zd_api.h"

_SMART_ARRAY* APISMARTData::getData(uint16_t key, bool& found) {
    found = ZD_PD_GET_SMART_INFO(m_adapterId, key, ZD_SMART_MAX_ENTRIES, &m_record) == 0;
    log("ZD_PD_GET_SMART_INFO", key, m_record.entries, sizeof(m_record.entries));
    return &m_record;
}
