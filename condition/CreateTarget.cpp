#include "condition/CreateTarget.h"

#include <algorithm>

#include "api/ListWrappers.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "request/RaidRules.h"

namespace {
// The stripe size the capacity is computed for ("64 K").
constexpr uint16_t kStripeSize64K = 64;
// ZD_CreateOrModify_DG mode that only computes the capacity.
constexpr uint8_t kCalculateOnly = 1;
}  // namespace

CreateTarget::CreateTarget() : TargetCalculation("GetCreateTarget", std::string()) {}

void CreateTarget::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_para.size = zdU64Make(0);
    m_para.dg_id = ZD_EMPTY_ID;
}

void CreateTarget::run() {
    if (!m_requestFits) return;
    m_ret = check_migration_para(m_migrate);
    if (m_ret == 0) m_ret = valid_raid_mode(m_para.raid_level);
    if (m_ret != 0) return;

    APIPdInfoData disks;
    disks.readRange(m_adapter);
    const size_t count = std::min<size_t>(m_para.disk_count, ZD_DG_PARAM_MAX_DISKS);
    for (size_t i = 0; i < count; ++i) {
        bool found = false;
        const _HD_Info* disk = disks.getData(m_para.disk_ids[i], found);
        if (found) m_distribution.add_disk(disk->size);
    }

    m_para.stripe_size = kStripeSize64K;
    m_log->startLine(Log::api_data, "CreateTarget ZD_CreateOrModify_DG");
    m_log->writeBin(&m_para, sizeof(m_para));
    m_log->endLine();
    m_ret = ZD_CreateOrModify_DG(m_adapter, &m_para, kCalculateOnly);
    m_distribution.setVDSize(m_para.size);
}
