// Renders the state of a simulated adapter as the controller records of the
// ABI (api/records/Records.h), exactly as the library hands them out.
#pragma once

#include "api/records/Records.h"
#include "sim/AdapterModel.h"

namespace view {

_HD_Info hdInfo(const AdapterModel& a, const Disk& d, uint8_t adapterIndex);
_HD_CONFIG hdConfig(const Disk& d);
_HD_BGA_STATUS hdBgaStatus(const AdapterModel& a, const Disk& d);
_HD_RAID_STATUS hdRaidStatus(const AdapterModel& a, const Disk& d);
_SMART_ARRAY smart(const Disk& d, uint16_t maxEntries);
_LD_Info ldInfo(const AdapterModel& a, const VirtualDisk& v);
// The virtual disk as it will be when its group's migration completes.
_LD_Info targetLdInfo(const AdapterModel& a, const VirtualDisk& v, const Activity& migration);
_LD_Config ldConfig(const VirtualDisk& v);
_LD_STATUS ldStatus(const AdapterModel& a, const VirtualDisk& v);
_DG_Info dgInfo(const AdapterModel& a, const DiskGroup& g);
_DG_CONFIG dgConfig(const DiskGroup& g);
_BLOCK_INFO blockInfo(uint16_t id, uint16_t diskId);

}  // namespace view
