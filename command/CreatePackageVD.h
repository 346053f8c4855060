// "CreatePackageVD": creates a package VD (a disk group and its virtual
// disk) from the front end's name, RAID level, disks, stripe size, caching,
// initialisation and spare settings.
//
// The request fields fill a sticky record: a request overwrites only the
// fields it carries. run() looks up the first disk's block size, creates
// the array in one call (ZD_Create_PackageVD) on adapters that offer it, or
// as a disk group and then a virtual disk, applies the disk-group cache
// setting and the dedicated spare, and rescans a USB adapter. Result 9 when
// the first disk is not found, 7 when the name or the disk list does not
// fit the record; otherwise the controller library's answer.
#pragma once

#include "api/records/Records.h"
#include "command/Command.h"

class CreatePackageVD : public Command<_Create_PackageVD_Param_Bridge> {
public:
    CreatePackageVD();
    ~CreatePackageVD() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;

private:
    // Both halves of the creation record, filled from m_para.
    void fillCreationRecord(_Create_PackageVD_Param& record) const;
    // Creates the array; answers the library's result, the new disk group's
    // id written into record.dg.dg_id.
    uint8_t create(_Create_PackageVD_Param& record, bool oneCall);
    void applyCacheSetting(uint16_t groupId);
};
