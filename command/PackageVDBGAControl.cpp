#include "command/PackageVDBGAControl.h"

#include "api/ListWrappers.h"
#include "api/SingleRecord.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "command/PackageVDSlot.h"
#include "request/RequestFields.h"
#include "request/ResultCodes.h"

PackageVDBGAControl::PackageVDBGAControl() : Command("PackageVDBGAControl", "PackageVDID") {}

void PackageVDBGAControl::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_ret = 0;
    bool found = false;
    const _DG_Info group = readSingleRecord<APIDGInfoData>(m_adapter, m_key, found);
    if (!found) {
        m_ret = result::kInvalidVirtualDisk;
    } else if (group.bga_type == ZD_BGA_MIGRATE || group.bga_type == ZD_BGA_REBUILD) {
        m_para.dg_level = 1;
        m_para.id = m_key;
    } else {
        m_para.dg_level = 0;
        m_para.id = packageVDId(group, ZD_EMPTY_ID);
    }
}

void PackageVDBGAControl::replacePara(StructMiddle* para) {
    request::readNumber<U8Parser>(para, "BGAControl", m_para.action);
}

void PackageVDBGAControl::run() {
    if (m_ret != 0) return;
    const bool groupActivity = m_para.dg_level == 1;
    m_log->startLine(Log::api_data, groupActivity ? "ZD_DG_BGAControl" : "ZD_LD_BGAControl");
    m_log->writeFormatInfo("id %d type %d", m_para.id, m_para.action);
    m_log->endLine();
    m_ret = groupActivity ? ZD_DG_BGAControl(m_adapter, m_para.id, m_para.action)
                          : ZD_LD_BGAControl(m_adapter, m_para.id, m_para.action);
}
