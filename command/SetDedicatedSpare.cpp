#include "command/SetDedicatedSpare.h"

#include "api/zd_api.h"
#include "base/Log.h"
#include "request/RequestFields.h"

SetDedicatedSpare::SetDedicatedSpare() : Command<_SetDSpareDate>("PackageVDDSpare") {}

void SetDedicatedSpare::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_ret = 0;
}

void SetDedicatedSpare::replacePara(StructMiddle* para) {
    request::readNumber<U16Parser>(para, "PackageVDID", m_para.dg_id);
    request::readNumber<U16Parser>(para, "DiskID", m_para.hd_id);
}

void SetDedicatedSpare::run() {
    if (m_ret != 0) return;
    m_log->startLine(Log::api_data, "SetDedicatedSpare");
    m_log->writeFormatInfo("ZD_PD_FreeHD2DGSpare hd id %d dg id %d", m_para.hd_id, m_para.dg_id);
    m_log->endLine();
    m_ret = ZD_PD_FreeHD2DGSpare(m_adapter, m_para.hd_id, m_para.dg_id);
}
