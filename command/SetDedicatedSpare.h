// "PackageVDDSpare": makes the free disk "DiskID" the dedicated spare of the
// package VD (disk group) "PackageVDID". Both ids are kept from the
// previous request when a request omits them.
#pragma once

#include "api/records/Records.h"
#include "command/Command.h"

class SetDedicatedSpare : public Command<_SetDSpareDate> {
public:
    SetDedicatedSpare();
    ~SetDedicatedSpare() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
