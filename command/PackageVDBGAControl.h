// "PackageVDBGAControl": restarts, pauses, resumes or aborts ("BGAControl"
// 1 to 4) the background activity of the package VD whose disk group id is
// the key ("PackageVDID").
//
// Rebuilds and migrations belong to the disk group and are controlled with
// ZD_DG_BGAControl; every other activity belongs to the virtual disk
// (ZD_LD_BGAControl). Result 8 when the disk group is not found, otherwise
// the controller library's answer.
#pragma once

#include "api/records/Records.h"
#include "command/Command.h"

class PackageVDBGAControl : public Command<_BGACtrlData> {
public:
    PackageVDBGAControl();
    ~PackageVDBGAControl() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
