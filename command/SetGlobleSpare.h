// "SparePD": makes the free disk named by "DiskID" a global spare.
#pragma once

#include "command/Command.h"

class SetGlobleSpare : public Command<unsigned short> {
public:
    SetGlobleSpare();
    ~SetGlobleSpare() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
