// The list wrappers: one class per controller list read, keyed as the
// controller keys its records. Usage as for every APIRequestData:
//     APIDGInfoData dg; dg.readSingle(adapter); bool found = false; _DG_Info* r = dg.getData(id, found);
//     APIPdInfoData pds; pds.readRange(adapter);
//     while (!pds.isEnd()) { bool f = false; _HD_Info* r = pds.getData(pds.getID(), f); ...; pds.moveToNext(); }
#pragma once

#include "api/APIRequestData.h"
#include "api/records/Records.h"

// Physical disks (_HD_Info by id): ZD_PD_GetHDInfo_Ext, or ZD_PD_GetHDInfo
// when the extended read fails.
class APIPdInfoData final : public APIRequestData<_HD_Info> {
protected:
    bool rebuildMap() override;
};

// Disk settings (_HD_CONFIG by hd_id): ZD_PD_GetConfig.
class APIPdConfigData final : public APIRequestData<_HD_CONFIG> {
protected:
    bool rebuildMap() override;
};

// Disk background activities (_HD_BGA_STATUS by hd_id): ZD_PD_GetBGAStatus.
class APIPdBgaInfoData final : public APIRequestData<_HD_BGA_STATUS> {
protected:
    bool rebuildMap() override;
};

// Disk RAID states (_HD_RAID_STATUS by hd_id): ZD_PD_GetHDRaidStatus.
class APIPdRaidStatus final : public APIRequestData<_HD_RAID_STATUS> {
protected:
    bool rebuildMap() override;
};

// Virtual disks (_LD_Info by id): ZD_LD_GetInfo.
class APIVDInfoData final : public APIRequestData<_LD_Info> {
protected:
    bool rebuildMap() override;
};

// Virtual disk settings (_LD_Config by id): ZD_LD_GetConfig.
class APIVDConfigData final : public APIRequestData<_LD_Config> {
protected:
    bool rebuildMap() override;
};

// Virtual disk background activities (_LD_STATUS by id): ZD_LD_GetStatus.
class APIVDStatusData final : public APIRequestData<_LD_STATUS> {
protected:
    bool rebuildMap() override;
};

// Disk groups (_DG_Info by id): ZD_DG_GetInfo.
class APIDGInfoData final : public APIRequestData<_DG_Info> {
protected:
    bool rebuildMap() override;
};

// Disk group settings (_DG_CONFIG by id): ZD_DG_GetConfig.
class APIDGConfigData final : public APIRequestData<_DG_CONFIG> {
protected:
    bool rebuildMap() override;
};

// Blocks of virtual disks (_BLOCK_INFO by id): ZD_BLK_GetInfo; every request
// is logged as "ZD_BLK_GetInfo Info_Request".
class APIBLKInfoData final : public APIRequestData<_BLOCK_INFO> {
protected:
    bool rebuildMap() override;
};
