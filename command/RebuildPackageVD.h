// "RebuildPackageVD": starts a rebuild of the package VD whose disk group id
// is the key onto the request's "Disks".
//
// The disk list is kept between requests. Result 7 when the list is longer
// than the record's 160 ids (no controller call), otherwise the answer of
// ZD_LD_DG_StartRebuild.
#pragma once

#include "api/records/Records.h"
#include "command/Command.h"

class RebuildPackageVD : public Command<_Rebuild_Param> {
public:
    RebuildPackageVD();
    ~RebuildPackageVD() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
