#include "command/MPPD.h"

#include "api/zd_api.h"
#include "base/Log.h"

MPPD::MPPD() : CommandInterface("MediaPatrolPD", "ID") {}

void MPPD::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_ret = 0;
}

// The disk is the key; the request carries nothing else.
void MPPD::replacePara(StructMiddle*) {}

void MPPD::run() {
    if (m_ret != 0) return;
    m_log->startLine(Log::api_data, "ZD_PD_StartMediaPatrol");
    m_log->writeFormatInfo("m_key %d", m_key);
    m_log->endLine();
    m_ret = ZD_PD_StartMediaPatrol(m_adapter, m_key);
}
