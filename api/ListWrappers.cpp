#include "api/ListWrappers.h"

#include "api/zd_api.h"

bool APIPdInfoData::rebuildMap() {
    uint8_t status = ZD_PD_GetHDInfo_Ext(m_adapterId, buffer());
    if (status != 0) status = ZD_PD_GetHDInfo(m_adapterId, buffer());
    return indexRecords(status, &_HD_Info::id);
}

bool APIPdConfigData::rebuildMap() {
    return indexRecords(ZD_PD_GetConfig(m_adapterId, buffer()), &_HD_CONFIG::hd_id);
}

bool APIPdBgaInfoData::rebuildMap() {
    return indexRecords(ZD_PD_GetBGAStatus(m_adapterId, buffer()), &_HD_BGA_STATUS::hd_id);
}

bool APIPdRaidStatus::rebuildMap() {
    return indexRecords(ZD_PD_GetHDRaidStatus(m_adapterId, buffer()), &_HD_RAID_STATUS::hd_id);
}

bool APIVDInfoData::rebuildMap() { return indexRecords(ZD_LD_GetInfo(m_adapterId, buffer()), &_LD_Info::id); }

bool APIVDConfigData::rebuildMap() {
    return indexRecords(ZD_LD_GetConfig(m_adapterId, buffer()), &_LD_Config::id);
}

bool APIVDStatusData::rebuildMap() {
    return indexRecords(ZD_LD_GetStatus(m_adapterId, buffer()), &_LD_STATUS::id);
}

bool APIDGInfoData::rebuildMap() { return indexRecords(ZD_DG_GetInfo(m_adapterId, buffer()), &_DG_Info::id); }

bool APIDGConfigData::rebuildMap() {
    return indexRecords(ZD_DG_GetConfig(m_adapterId, buffer()), &_DG_CONFIG::id);
}

bool APIBLKInfoData::rebuildMap() {
    // The request header and the first two bytes after it.
    constexpr size_t kLoggedBytes = 18;
    log("ZD_BLK_GetInfo Info_Request", header().start_id, buffer(), kLoggedBytes);
    return indexRecords(ZD_BLK_GetInfo(m_adapterId, buffer()), &_BLOCK_INFO::id);
}
