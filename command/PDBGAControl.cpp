#include "command/PDBGAControl.h"

#include "api/zd_api.h"
#include "base/Log.h"
#include "request/RequestFields.h"

PDBGAControl::PDBGAControl() : Command<unsigned char>("PDBGAControl", "PDID") {}

void PDBGAControl::prepare(unsigned char adapterId) { m_adapter = adapterId; }

void PDBGAControl::replacePara(StructMiddle* para) { request::readNumber<U8Parser>(para, "BGAControl", m_para); }

void PDBGAControl::run() {
    m_log->startLine(Log::api_data, "ZD_PD_BGAControl");
    m_log->writeFormatInfo("id %d action %d", m_key, m_para);
    m_log->endLine();
    m_ret = ZD_PD_BGAControl(m_adapter, m_key, m_para);
}
