// "PDBGAControl": restarts, pauses, resumes or aborts the background
// activity of one physical disk (key field "PDID"; "BGAControl" is the
// action of the "BGAControl" table: 1 Restart, 2 Pause, 3 Resume, 4 Abort).
#pragma once

#include "command/Command.h"

class PDBGAControl : public Command<unsigned char> {
public:
    PDBGAControl();
    ~PDBGAControl() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
