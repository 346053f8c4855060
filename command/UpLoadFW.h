// "Upload": starts a firmware upload of the file named by "Address".
//
// The command only hands the request to the upload state (FWOperation),
// whose worker thread does the flashing; its result code stays 0. The front
// end follows the upload through the "UpdateProcess" provider. A request
// without "Address" uploads the file of the previous request.
#pragma once

#include "command/Command.h"
#include "upload/LoadFwData.h"

class UpLoadFW : public Command<_LoadFwData> {
public:
    UpLoadFW();
    ~UpLoadFW() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
