// "InitPackageVD": starts an initialisation of the package VD whose disk
// group id is the key.
//
// The initialisation type ("InitType": 0 quick, 2 background) is kept
// between requests; a foreground initialisation (1) is refused. The schedule
// runner drives its own object with the background-activity values instead
// (8 "Init Quick", 16 "Init BackGround"), which are translated to the
// initialisation types before the call (see CheckPackageVD for the calling
// sequence). Result 1 when the disk group is not found or a foreground
// initialisation is asked, otherwise the answer of ZD_LD_StartINIT.
#pragma once

#include "command/Command.h"

class InitPackageVD : public Command<unsigned char> {
public:
    InitPackageVD();
    ~InitPackageVD() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
