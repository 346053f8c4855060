#include "command/AdapterRescan.h"

#include "api/zd_api.h"
#include "bridge/Management.h"

AdapterRescan::AdapterRescan(Management& management) : CommandInterface("Rescan"), m_management(management) {}

// A rescan concerns every adapter and takes no parameters.
void AdapterRescan::prepare(unsigned char) {}

void AdapterRescan::replacePara(StructMiddle*) {}

void AdapterRescan::run() {
    m_ret = ZD_API_RescanAdapter();
    for (unsigned slot = ZD_Adapter_GetCount(); slot < Management::kNxpSlots; ++slot)
        m_management.nxpValid(static_cast<uint8_t>(slot)) = false;
}
