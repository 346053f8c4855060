#include "command/UsbRescan.h"

#include "api/APIOEMInfo.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "command/RescanDelay.h"

void rescanIfUsb(uint8_t adapter, Log& log, const char* title) {
    APIOEMInfo oemInfo;
    oemInfo.readSingle(adapter);
    oemInfo.readData();
    if (oemInfo.returnLinkType() != ZD_LINK_USB) return;
    RescanDelay::wait();
    log.startLine(Log::api_data, title);
    log.endLine();
    ZD_API_RescanAdapter();
}
