// "OEMCommand": sends one raw OEM request to the enclosure (identify,
// buzzer off, low power, ...). "OEMType", "OEMValue", "OEMID" and "Force"
// fill the four bytes of _Kelto_Data, which are kept between requests: a
// request that omits a field sends the previous request's value again.
#pragma once

#include "api/records/Records.h"
#include "command/Command.h"

class AdapterOEMCommand : public Command<_Kelto_Data> {
public:
    AdapterOEMCommand();
    ~AdapterOEMCommand() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
