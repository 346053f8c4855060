#include "command/PdConfig.h"

#include "api/ListWrappers.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "request/RequestFields.h"

namespace {
constexpr uint8_t kInvalidPhysicalDisk = 9;
}

PdConfig::PdConfig() : Command<_HD_CONFIG>("PDConfig", "ID") {}

void PdConfig::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_ret = 0;
    APIPdConfigData configs;
    configs.readSingle(adapterId);
    bool found = false;
    const _HD_CONFIG* current = configs.getData(m_key, found);
    if (found)
        m_para = *current;
    else
        m_ret = kInvalidPhysicalDisk;
}

void PdConfig::replacePara(StructMiddle* para) { request::readNumber<U8Parser>(para, "PDCache", m_para.pd_cache); }

void PdConfig::run() {
    if (m_ret != 0) return;
    m_log->startLine(Log::api_data, "PdConfig");
    m_log->writeFormatInfo("ZD_PD_SetConfig id %d", m_para.hd_id);
    m_log->writeBin(&m_para, sizeof m_para);
    m_log->endLine();
    m_ret = ZD_PD_SetConfig(m_adapter, m_para.hd_id, &m_para);
}
