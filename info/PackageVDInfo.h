// "PackageVD": the arrays of the selected adapter, each a disk group with the
// virtual disk built on it, named by the disk group's id.
//
// getSingle(key = disk group id) answers one "PackageVD" structure: name,
// RAID level, capacity, member and spare disks, caching, the virtual disk's
// state and background activity and, while it is being migrated, the
// migration target's size, RAID level and disks. It answers false (empty
// result) for an unknown disk group or one without a readable virtual disk,
// true with an empty result for a virtual disk of size 0. getArray answers
// "PackageVDs" with the short form of every array.
#pragma once

#include "info/Info.h"

class StructMiddle;
struct _LD_Info;

class PackageVDInfo : public Info {
public:
    PackageVDInfo();

    bool getSingle(uint32_t adapterId, const std::string& key, std::string& result) override;
    void getArray(uint32_t adapterId, std::string& result) override;

private:
    // Adds VDBGAType, BGAStatus and BGAPercentage: zeros when the virtual disk
    // has no background activity (its status is then not read), otherwise
    // from its _LD_STATUS, whose found flag goes to `found`. Answers the
    // activity type (0 without activity).
    static uint8_t addBackgroundActivity(uint8_t adapter, const _LD_Info& vd, StructMiddle* s, bool& found);
    // Adds TargetSize, TargetRAID and TargetDisks of a migrating virtual disk
    // when the controller reports its target.
    static void addMigrationTarget(uint8_t adapter, uint16_t vdId, StructMiddle* s);
};
