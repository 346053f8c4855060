#include "command/FreeSpare.h"

#include "api/zd_api.h"
#include "base/Log.h"
#include "request/RequestFields.h"

FreeSpare::FreeSpare() : Command<unsigned short>("FreePD") {}

void FreeSpare::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_para = 0;
}

void FreeSpare::replacePara(StructMiddle* para) { request::readNumber<U16Parser>(para, "DiskID", m_para); }

void FreeSpare::run() {
    m_log->startLine(Log::api_data, "ZD_PD_Spare2FreeHD");
    m_log->writeFormatInfo("id %d", m_para);
    m_log->endLine();
    m_ret = ZD_PD_Spare2FreeHD(m_adapter, m_para);
}
