// "CheckPackageVD": starts a consistency check of the package VD whose disk
// group id is the key.
//
// The check type ("CheckType": 0 check only, 1 check and fix) is kept
// between requests. The schedule runner drives its own object with the
// background-activity values instead (4 "Check Only", 2 "Check & Fix"),
// which are translated to the check types before the call:
//
//     CheckPackageVD cmd; cmd.setKey("3"); cmd.prepare(adapter);
//     cmd.replacePara(&request); cmd.run(); uint8_t result = cmd.getRet();
//
// Result 1 when the disk group is not found, otherwise the answer of
// ZD_LD_StartConsistencyCheck.
#pragma once

#include "command/Command.h"

class CheckPackageVD : public Command<unsigned char> {
public:
    CheckPackageVD();
    ~CheckPackageVD() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
