#include "command/SetGlobleSpare.h"

#include "api/zd_api.h"
#include "base/Log.h"
#include "request/RequestFields.h"

SetGlobleSpare::SetGlobleSpare() : Command<unsigned short>("SparePD") {}

void SetGlobleSpare::prepare(unsigned char adapterId) { m_adapter = adapterId; }

void SetGlobleSpare::replacePara(StructMiddle* para) { request::readNumber<U16Parser>(para, "DiskID", m_para); }

void SetGlobleSpare::run() {
    m_log->startLine(Log::api_data, "SetGlobleSpare");
    m_log->writeFormatInfo("ZD_PD_FreeHD2GlobalSpare hd id %d", m_para);
    m_log->endLine();
    m_ret = ZD_PD_FreeHD2GlobalSpare(m_adapter, m_para);
}
