#include "command/AdapterRescan.h"

#include "api/NxpVersionCache.h"
#include "api/zd_api.h"

AdapterRescan::AdapterRescan(NxpVersionCache& nxpCache) : CommandInterface("Rescan"), m_nxpCache(nxpCache) {}

// A rescan concerns every adapter and takes no parameters.
void AdapterRescan::prepare(unsigned char) {}

void AdapterRescan::replacePara(StructMiddle*) {}

void AdapterRescan::run() {
    m_ret = ZD_API_RescanAdapter();
    m_nxpCache.forgetFrom(ZD_Adapter_GetCount());
}
