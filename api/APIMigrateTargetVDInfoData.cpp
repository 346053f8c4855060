#include "api/APIMigrateTargetVDInfoData.h"

#include "api/zd_api.h"

_LD_Info* APIMigrateTargetVDInfoData::getData(uint16_t key, bool& found) {
    found = ZD_LD_GetTargetLDInfo(m_adapterId, key, &m_record) == 0;
    log("ZD_LD_GetTargetLDInfo", key, &m_record, sizeof(m_record));
    return &m_record;
}
