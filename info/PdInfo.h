// "PD": the physical disks of the selected adapter.
//
// getSingle(key = disk id) answers one "PD" structure: identity, size, RAID
// state (with the disk group of a dedicated spare), link, background activity
// and, while the adapter polls SMART data, the disk's SMART attribute table.
// It answers false for an unknown disk (empty result) and otherwise whether
// the disk's RAID state could be read. getArray answers "PDs" with ID, Size,
// PDStatus and a dedicated spare's PackageVDID for every disk.
#pragma once

#include "info/Info.h"

class StructMiddle;
struct _SMART_ARRAY;

class PdInfo : public Info {
public:
    PdInfo();

    bool getSingle(uint32_t adapterId, const std::string& key, std::string& result) override;
    void getArray(uint32_t adapterId, std::string& result) override;

private:
    // Adds "PDSMART" and, when the table could be read, its eight columns.
    static void addSmart(uint8_t adapter, uint16_t id, StructMiddle* s);
};
