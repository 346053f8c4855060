// "GetFlashFileInfo": what a firmware file is, read from its flash header
// before the front end offers it for upload.
//
// "Address" names the file and is kept for later requests that omit it. The
// answer holds "Ret" (0, the controller's status, 155 when the image is not
// firmware of type 3, 185 when the address names a FIFO, device or
// directory, or 7 for an address longer than the 511 characters the path
// field holds — then the file is not read and the previous path is kept),
// "Type", "DeviceID" and "Version" from the header.
#pragma once

#include <cstddef>

#include "api/records/Records.h"
#include "condition/Condition.h"

class GetFlashFileInfo : public Condition<_FwFileData> {
public:
    GetFlashFileInfo();
    ~GetFlashFileInfo() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
    void setRet(std::string& answer) override;

private:
    // Length of an "Address" of this request that did not fit the path field, or 0.
    size_t m_refusedLength = 0;
};
