#include "command/RebuildPackageVD.h"

#include "api/zd_api.h"
#include "base/Log.h"
#include "request/RequestFields.h"

namespace {
// The rebuild the controller is asked for: onto the given disks.
constexpr uint8_t kRebuildOntoDisks = 2;
}

RebuildPackageVD::RebuildPackageVD() : Command("RebuildPackageVD", "ID") {}

void RebuildPackageVD::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_ret = 0;
    m_para.dg_id = m_key;
    m_para.rebuild_kind = kRebuildOntoDisks;
}

void RebuildPackageVD::replacePara(StructMiddle* para) {
    _Rebuild_Param next = m_para;
    if (!request::readDiskList(para, next.disk_ids, next.disk_count)) {
        m_ret = request::kInvalidParameter;
        return;
    }
    m_para = next;
}

void RebuildPackageVD::run() {
    if (m_ret != 0) return;
    m_log->startLine(Log::api_data, "RebuildPackageVD ZD_LD_DG_StartRebuild");
    m_log->writeBin(&m_para, sizeof(m_para));
    m_log->endLine();
    m_ret = ZD_LD_DG_StartRebuild(m_adapter, &m_para);
}
