#include "command/UpLoadFW.h"

#include "base/Log.h"
#include "middle/StructMiddle.h"
#include "upload/FWOperation.h"

UpLoadFW::UpLoadFW() : Command<_LoadFwData>("Upload") {}

void UpLoadFW::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_para.adapterId = adapterId;
}

void UpLoadFW::replacePara(StructMiddle* para) {
    if (const std::string* address = para->findSingle("Address")) m_para.path = *address;
}

void UpLoadFW::run() {
    m_log->startLine(Log::util, "UpLoadFW");
    m_log->writeFormatInfo("adapter %d fw file %s", m_para.adapterId, m_para.path.c_str());
    m_log->endLine();
    FWOperation::getInstance()->upload(m_para.adapterId, m_para.path);
}
