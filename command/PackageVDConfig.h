// "PackageVDConfig": renames the package VD whose disk group id is the key
// and changes its disk cache ("PDCache", a disk-group setting) and virtual
// disk cache ("VDCache").
//
// prepare() reads the current disk-group and virtual-disk configurations, so
// only the fields of the current request change; "Name" renames both the
// disk group and the virtual disk. Result 8 when the disk group is not found
// or has no virtual disk, 7 when the name is longer than 15 characters;
// otherwise ZD_DG_SetConfig's answer, then ZD_LD_SetConfig's.
#pragma once

#include <cstdint>

#include "api/records/Records.h"
#include "command/Command.h"

class PackageVDConfig : public Command<_PVD_CONFIG> {
public:
    PackageVDConfig();
    ~PackageVDConfig() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;

private:
    uint16_t m_vdId = 0;
    bool m_vdConfigFound = false;
};
