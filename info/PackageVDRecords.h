// Reading of the adapter's arrays ("package VDs"): each array is a disk group
// and the virtual disk in the group's first VD slot. Shared by the providers
// that answer per array (PackageVDInfo, GetDistribution).
//
// readPackageVD reads one array with one-record requests: first the disk
// group, then (only for a known group with a virtual disk) the virtual disk.
// forEachPackageVD reads all disk groups and all virtual disks as ranges and
// visits, in disk group order, every array whose virtual disk is readable and
// has a size.
#pragma once

#include <cstdint>
#include <functional>

#include "api/records/Records.h"

struct PackageVDRecords {
    _DG_Info dg{};
    _LD_Info vd{};
};

// Answers false for an unknown disk group or one without a readable virtual disk.
bool readPackageVD(uint8_t adapter, uint16_t dgId, PackageVDRecords& records);

void forEachPackageVD(uint8_t adapter, const std::function<void(const _DG_Info& dg, const _LD_Info& vd)>& visit);
