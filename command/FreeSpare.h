// "FreePD": turns the spare disk named by "DiskID" back into a free disk.
// The disk id is reset to 0 by every prepare, so a request without
// "DiskID" acts on disk 0.
#pragma once

#include "command/Command.h"

class FreeSpare : public Command<unsigned short> {
public:
    FreeSpare();
    ~FreeSpare() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
