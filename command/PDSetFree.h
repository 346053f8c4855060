// "SetPDFree": wipes the RAID metadata of the disk named by "ID" so that it
// becomes a free disk (ZD_PD_WipeHDMDD with flag 1).
#pragma once

#include "command/Command.h"

class PDSetFree : public Command<unsigned short> {
public:
    PDSetFree();
    ~PDSetFree() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
