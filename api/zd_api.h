// The controller library's C interface (libzd_api.so).
//
// The bridge calls only these functions to reach a RAID adapter. The
// vendor's library and this project's simulator both implement them, so
// either can be put behind the bridge at load time. Every function answers
// a u8 status, 0 = success, unless its comment says otherwise. Adapters are
// u8 indexes; physical disk (hd), virtual disk (ld) and disk group (dg) ids
// are u16. List reads take a buffer that starts with a _Request_Header.
#pragma once

#include <cstdint>

#include "api/records/Records.h"

#if defined(ZD_API_BUILD)
#define ZD_API_EXPORT __attribute__((visibility("default")))
#else
#define ZD_API_EXPORT
#endif

extern "C" {

ZD_API_EXPORT uint8_t ZD_API_Initialize(void);
ZD_API_EXPORT uint8_t ZD_API_Finalize(void);
ZD_API_EXPORT const char* ZD_API_Version(void);
ZD_API_EXPORT uint8_t ZD_API_RescanAdapter(void);

// Answers the adapter count itself, not a status.
ZD_API_EXPORT uint8_t ZD_Adapter_GetCount(void);
// adapter 255: one record per adapter, *count set to their number.
ZD_API_EXPORT uint8_t ZD_Adapter_GetInfo(uint8_t adapter, uint8_t* count, _Adapter_Info* info);
ZD_API_EXPORT uint8_t ZD_Adapter_GetConfig(uint8_t adapter, uint8_t* count, _Adapter_Config_V2* config);
ZD_API_EXPORT uint8_t ZD_Adapter_SetConfig(uint8_t adapter, _Adapter_Config_V2* config);
ZD_API_EXPORT uint8_t ZD_Adapter_Get_OEM_Data(uint8_t adapter, _Adapter_OEM_Data* packet);
ZD_API_EXPORT uint8_t ZD_Adapter_Set_OEM_Data(uint8_t adapter, _Adapter_OEM_Data* packet);
ZD_API_EXPORT uint8_t ZD_Adapter_Get_OEM_Info(uint8_t adapter, _Adapter_OEM_Info* packet);

// List reads: buffer = 16-byte request header followed by room for records.
ZD_API_EXPORT uint8_t ZD_PD_GetHDInfo_Ext(uint8_t adapter, void* buffer);
ZD_API_EXPORT uint8_t ZD_PD_GetHDInfo(uint8_t adapter, void* buffer);
ZD_API_EXPORT uint8_t ZD_PD_GetConfig(uint8_t adapter, void* buffer);
ZD_API_EXPORT uint8_t ZD_PD_GetBGAStatus(uint8_t adapter, void* buffer);
ZD_API_EXPORT uint8_t ZD_PD_GetHDRaidStatus(uint8_t adapter, void* buffer);
ZD_API_EXPORT uint8_t ZD_LD_GetInfo(uint8_t adapter, void* buffer);
ZD_API_EXPORT uint8_t ZD_LD_GetConfig(uint8_t adapter, void* buffer);
ZD_API_EXPORT uint8_t ZD_LD_GetStatus(uint8_t adapter, void* buffer);
ZD_API_EXPORT uint8_t ZD_DG_GetInfo(uint8_t adapter, void* buffer);
ZD_API_EXPORT uint8_t ZD_DG_GetConfig(uint8_t adapter, void* buffer);
ZD_API_EXPORT uint8_t ZD_BLK_GetInfo(uint8_t adapter, void* buffer);

ZD_API_EXPORT uint8_t ZD_PD_GET_SMART_INFO(uint8_t adapter, uint16_t hd, uint16_t max_entries,
                                           _SMART_ARRAY* smart);
ZD_API_EXPORT uint8_t ZD_LD_GetTargetLDInfo(uint8_t adapter, uint16_t ld, _LD_Info* info);

ZD_API_EXPORT uint8_t ZD_PD_SetConfig(uint8_t adapter, uint16_t hd, _HD_CONFIG* config);
ZD_API_EXPORT uint8_t ZD_PD_BGAControl(uint8_t adapter, uint16_t hd, uint8_t action);
ZD_API_EXPORT uint8_t ZD_PD_StartMediaPatrol(uint8_t adapter, uint16_t hd);
ZD_API_EXPORT uint8_t ZD_PD_WipeHDMDD(uint8_t adapter, uint16_t hd, uint8_t flag);
ZD_API_EXPORT uint8_t ZD_PD_Spare2FreeHD(uint8_t adapter, uint16_t hd);
ZD_API_EXPORT uint8_t ZD_PD_FreeHD2DGSpare(uint8_t adapter, uint16_t hd, uint16_t dg);
ZD_API_EXPORT uint8_t ZD_PD_FreeHD2GlobalSpare(uint8_t adapter, uint16_t hd);

// mode 0 creates, 1 only computes the capacity into param->size.
ZD_API_EXPORT uint8_t ZD_CreateOrModify_DG(uint8_t adapter, _CreateOrModify_DG_Param* param, uint8_t mode);
ZD_API_EXPORT uint8_t ZD_Create_PackageVD(uint8_t adapter, _Create_PackageVD_Param* param);
ZD_API_EXPORT uint8_t ZD_CreateOrModify_VD(uint8_t adapter, _CreateOrModify_VD_Param* param);
ZD_API_EXPORT uint8_t ZD_DG_SetConfig(uint8_t adapter, uint16_t dg, _DG_CONFIG* config);
ZD_API_EXPORT uint8_t ZD_LD_SetConfig(uint8_t adapter, uint16_t ld, _LD_Config* config);
ZD_API_EXPORT uint8_t ZD_DG_BGAControl(uint8_t adapter, uint16_t dg, uint8_t action);
ZD_API_EXPORT uint8_t ZD_LD_BGAControl(uint8_t adapter, uint16_t ld, uint8_t action);
ZD_API_EXPORT uint8_t ZD_LD_Delete(uint8_t adapter, uint16_t ld, uint8_t flag);
ZD_API_EXPORT uint8_t ZD_DG_Delete(uint8_t adapter, uint16_t dg);
ZD_API_EXPORT uint8_t ZD_LD_StartINIT(uint8_t adapter, uint16_t ld, uint8_t type);
ZD_API_EXPORT uint8_t ZD_LD_StartConsistencyCheck(uint8_t adapter, uint16_t ld, uint8_t option);
ZD_API_EXPORT uint8_t ZD_LD_DG_StartRebuild(uint8_t adapter, _Rebuild_Param* param);
ZD_API_EXPORT uint8_t ZD_DG_StartMigration(uint8_t adapter, _CreateOrModify_DG_Param* param);

// Up to max 64-byte EventRecords into events; *count set to their number.
ZD_API_EXPORT uint8_t ZD_EVT_GetEvent(uint8_t adapter, uint8_t max, uint8_t* count, void* events);

ZD_API_EXPORT uint8_t ZD_Flash_GetHeaderInfo(const char* path, uint8_t* type, _Version_Info_CIM* version,
                                             uint16_t* device_id);
// request: an 8-byte _Flash_PreData.
ZD_API_EXPORT uint8_t ZD_Flash_PreData(uint8_t adapter, void* request);
// page: a 32780-byte _Flash_Page; fifteen is always 15.
ZD_API_EXPORT uint8_t ZD_Flash_Bin(uint8_t adapter, uint8_t fifteen, uint8_t image_type, void* page);

}  // extern "C"
