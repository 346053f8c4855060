// "VDDistribution": the capacity split of the selected adapter's arrays.
//
// getSingle(key = disk group id) answers one "VDDistribution" structure with
// the disk group's ID and the Available, Backup and Unused figures of
// VDDistribution, from the disk group (RAID level, member and parity counts),
// its virtual disk's size and the sizes of its member disks. It answers false
// (empty result) for an unknown disk group or one without a readable virtual
// disk, true with an empty result for a virtual disk of size 0. getArray
// answers "VDDistributions" for every array.
#pragma once

#include "info/Info.h"

class StructMiddle;
struct _DG_Info;
struct _LD_Info;

class GetDistribution : public Info {
public:
    GetDistribution();

    bool getSingle(uint32_t adapterId, const std::string& key, std::string& result) override;
    void getArray(uint32_t adapterId, std::string& result) override;

private:
    // Adds ID, Available, Backup and Unused of one array.
    static void addDistribution(uint8_t adapter, const _DG_Info& dg, const _LD_Info& vd, StructMiddle* s);
};
