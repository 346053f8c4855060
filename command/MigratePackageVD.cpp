#include "command/MigratePackageVD.h"

#include "api/ListWrappers.h"
#include "api/SingleRecord.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "request/RaidRules.h"
#include "request/RequestFields.h"
#include "request/ResultCodes.h"

MigratePackageVD::MigratePackageVD() : Command("MigratePackageVD", "ID") {}

void MigratePackageVD::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_ret = 0;
}

void MigratePackageVD::replacePara(StructMiddle* para) {
    _CreateOrModify_DG_Param next = m_para;
    if (!request::readDiskList(para, next.disk_ids, next.disk_count)) {
        m_ret = request::kInvalidParameter;
        return;
    }
    request::readNumber<U8Parser>(para, "RAID", next.raid_level);
    request::readNumber<U8Parser>(para, "ParityNumber", next.parity_count);
    m_para = next;

    m_ret = valid_raid_mode(m_para.raid_level);
    if (m_ret != 0) {
        m_log->startLine(Log::api_data, "MigratePackageVD");
        m_log->writeFormatInfo("valid_raid_mode failed target %d", m_para.raid_level);
        m_log->endLine();
        return;
    }

    bool found = false;
    const _DG_Info group = readSingleRecord<APIDGInfoData>(m_adapter, m_key, found);
    if (!found || RAID_MODE_MAP(group.raid_level) > RAID_MODE_MAP(m_para.raid_level)) {
        m_ret = result::kInvalidRaidMode;
        m_log->startLine(Log::api_data, "MigratePackageVD");
        m_log->writeFormatInfo("RAID MODE failed source %d, target %d", group.raid_level, m_para.raid_level);
        m_log->endLine();
        return;
    }
    m_para.block_size = group.block_size;
    m_para.stripe_size = group.stripe_size;
    m_para.raid_aux = group.raid_aux;
    m_para.dg_id = m_key;
    m_migrate.disk_count = m_para.disk_count;
    m_migrate.raid_level = m_para.raid_level;
    m_migrate.parity_count = m_para.parity_count;
}

void MigratePackageVD::run() {
    if (m_ret != 0) return;
    m_ret = check_migration_para(m_migrate);
    m_log->startLine(Log::api_data, "check_migration_para");
    m_log->writeFormatInfo("ret %d raid mode 0x%x, disk count %d, dgid %d", m_ret, m_migrate.raid_level,
                           m_migrate.disk_count, m_para.dg_id);
    m_log->endLine();
    if (m_ret != 0) return;

    m_log->startLine(Log::api_data, "ZD_DG_StartMigration");
    m_log->writeBin(&m_para, sizeof(m_para));
    m_log->endLine();
    m_ret = ZD_DG_StartMigration(m_adapter, &m_para);
}
