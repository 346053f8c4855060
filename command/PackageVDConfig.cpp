#include "command/PackageVDConfig.h"

#include "api/ListWrappers.h"
#include "api/SingleRecord.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "command/PackageVDSlot.h"
#include "request/RequestFields.h"
#include "request/ResultCodes.h"

PackageVDConfig::PackageVDConfig() : Command("PackageVDConfig", "ID") {}

void PackageVDConfig::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_ret = 0;
    bool found = false;
    const _DG_Info group = readSingleRecord<APIDGInfoData>(m_adapter, m_key, found);
    if (!found || group.ld_ids[0] == ZD_EMPTY_ID) {
        m_ret = result::kInvalidVirtualDisk;
        return;
    }
    m_vdId = packageVDId(group, ZD_EMPTY_ID);

    m_para.dg = readSingleRecord<APIDGConfigData>(m_adapter, m_key, found);
    m_para.ld = readSingleRecord<APIVDConfigData>(m_adapter, m_vdId, m_vdConfigFound);
}

void PackageVDConfig::replacePara(StructMiddle* para) {
    _PVD_CONFIG next = m_para;
    if (const std::string* name = request::findText(para, "Name")) {
        if (!request::nameFits(*name)) {
            m_ret = request::kInvalidParameter;
            return;
        }
        request::writeName(next.dg.name, *name);
        request::writeName(next.ld.name, *name);
    }
    request::readNumber<U8Parser>(para, "VDCache", next.ld.cache_policy);
    request::readNumber<U8Parser>(para, "PDCache", next.dg.pd_cache);
    m_para = next;
}

void PackageVDConfig::run() {
    m_log->startLine(Log::api_data, "PackageVDConfig");
    if (m_ret == 0) {
        m_log->writeBin(&m_para.dg, sizeof(m_para.dg));
        m_ret = ZD_DG_SetConfig(m_adapter, m_key, &m_para.dg);
        m_log->writeFormatInfo("ZD_DG_SetConfig id %d ret %d", m_key, m_ret);
    }
    if (m_ret == 0 && m_vdConfigFound) {
        m_log->writeBin(&m_para.ld, sizeof(m_para.ld));
        m_ret = ZD_LD_SetConfig(m_adapter, m_vdId, &m_para.ld);
        m_log->writeFormatInfo("ZD_LD_SetConfig id %d ret %d", m_vdId, m_ret);
    }
    m_log->endLine();
}
