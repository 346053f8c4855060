#include "command/PDSetFree.h"

#include "api/zd_api.h"
#include "base/Log.h"
#include "request/RequestFields.h"

PDSetFree::PDSetFree() : Command<unsigned short>("SetPDFree") {}

void PDSetFree::prepare(unsigned char adapterId) { m_adapter = adapterId; }

void PDSetFree::replacePara(StructMiddle* para) { request::readNumber<U16Parser>(para, "ID", m_para); }

void PDSetFree::run() {
    m_log->startLine(Log::api_data, "PDSetFree ZD_PD_WipeHDMDD");
    m_log->writeFormatInfo("wipe adapter %d, id %d, ", m_adapter, m_para);
    m_ret = ZD_PD_WipeHDMDD(m_adapter, m_para, 1);
    m_log->endLine();
}
