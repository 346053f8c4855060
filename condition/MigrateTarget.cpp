#include "condition/MigrateTarget.h"

#include <algorithm>

#include "api/ListWrappers.h"
#include "api/SingleRecord.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "request/RaidRules.h"
#include "request/ResultCodes.h"

namespace {
// ZD_CreateOrModify_DG mode that only computes the capacity.
constexpr uint8_t kCalculateOnly = 1;
}  // namespace

MigrateTarget::MigrateTarget() : TargetCalculation("GetMigrateTarget", "ID") {}

void MigrateTarget::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_ret = 0;
    m_para.size = zdU64Make(0);
}

void MigrateTarget::run() {
    if (!m_requestFits) return;
    m_ret = valid_raid_mode(m_para.raid_level);
    if (m_ret != 0) {
        m_log->startLine(Log::api_data, "MigrateTarget");
        m_log->writeFormatInfo("valid_raid_mode failed target %d", m_para.raid_level);
        m_log->endLine();
        return;
    }
    m_ret = check_migration_para(m_migrate);
    if (m_ret != 0) {
        m_log->startLine(Log::api_data, "MigrateTarget");
        m_log->writeFormatInfo("check_migration_para failed raid mode 0x%x, disk count %d", m_para.raid_level,
                               m_para.disk_count);
        m_log->endLine();
        return;
    }

    bool found = false;
    const _LD_Info vd = readSingleRecord<APIVDInfoData>(m_adapter, m_key, found);
    if (!found) {
        m_ret = result::kInvalidVirtualDisk;
        return;
    }
    m_para.dg_id = vd.dg_id;
    const _DG_Info group = readSingleRecord<APIDGInfoData>(m_adapter, m_para.dg_id, found);

    if (RAID_MODE_MAP(vd.raid_level) > RAID_MODE_MAP(m_para.raid_level)) {
        m_ret = result::kInvalidRaidMode;
        m_log->startLine(Log::api_data, "MigrateTarget");
        m_log->writeFormatInfo("RAID_MODE_MAP failed source %d, target %d", vd.raid_level, m_para.raid_level);
        m_log->endLine();
        return;
    }

    checkDisks(group);
    m_para.size = zdU64Make(0);
    if (m_noOldMember) {
        m_ret = result::kInvalidParameter;
        logTitle("MigrateTarget target has not old member disk");
        return;
    }
    if (m_noNewDisk && group.member_count == m_para.disk_count) {
        m_ret = result::kInvalidParameter;
        logTitle("MigrateTarget target has not diff disk");
        return;
    }

    m_ret = ZD_CreateOrModify_DG(m_adapter, &m_para, kCalculateOnly);
    if (m_ret == 0 && zdU64Value(m_para.size) < zdU64Value(group.total_size)) {
        logTitle("MigrateTarget target size is smaller");
        m_ret = result::kInvalidParameter;
        m_para.size = zdU64Make(0);
    }
    m_distribution.setVDSize(m_para.size);
}

void MigrateTarget::checkDisks(const _DG_Info& group) {
    m_noOldMember = true;
    m_noNewDisk = true;
    const uint16_t* members = group.member_ids;
    const uint16_t* membersEnd = members + group.member_count;

    APIPdInfoData disks;
    disks.readSingle(m_adapter);
    const size_t count = std::min<size_t>(m_para.disk_count, ZD_DG_PARAM_MAX_DISKS);
    for (size_t i = 0; i < count; ++i) {
        const uint16_t id = m_para.disk_ids[i];
        bool found = false;
        const _HD_Info* disk = disks.getData(id, found);
        if (found) m_distribution.add_disk(disk->size);
        if (!(m_noOldMember || m_noNewDisk) || group.member_count == 0) continue;
        if (std::find(members, membersEnd, id) != membersEnd) {
            m_noOldMember = false;
            logTitle("MigrateTarget found old member disk");
        } else {
            m_noNewDisk = false;
            logTitle("MigrateTarget found diff disk");
        }
    }
}

void MigrateTarget::logTitle(const char* title) {
    m_log->startLine(Log::api_data, title);
    m_log->endLine();
}
