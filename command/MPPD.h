// "MediaPatrolPD": starts a media patrol on one physical disk (key field
// "ID"). The schedule runner builds its own objects of this class for a
// scheduled patrol: setKey(disk id), prepare(adapter), run().
#pragma once

#include "command/CommandInterface.h"

class MPPD : public CommandInterface {
public:
    MPPD();
    ~MPPD() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
