// "PDConfig": changes the settings of one physical disk (key field "ID").
//
// A read-modify-write: prepare reads the disk's 8-byte _HD_CONFIG from the
// controller (result 9 when the disk is unknown), the request's "PDCache"
// replaces pd_cache, and run writes all 8 bytes back with ZD_PD_SetConfig.
#pragma once

#include "api/records/Records.h"
#include "command/Command.h"

class PdConfig : public Command<_HD_CONFIG> {
public:
    PdConfig();
    ~PdConfig() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
