#include "command/DeletePackageVD.h"

#include <algorithm>

#include "api/ListWrappers.h"
#include "api/SingleRecord.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "command/UsbRescan.h"
#include "request/RequestFields.h"
#include "request/ResultCodes.h"

namespace {
constexpr uint8_t kDeviceBusy = 181;
// The controller's answers to a stop that it cannot carry out.
constexpr uint8_t kStopRefused = 17;
constexpr uint8_t kStopNoActivity = 8;
// The controller's refusal to delete a disk group whose disks hold metadata.
constexpr uint8_t kGroupNeedsWipe = 76;
}  // namespace

DeletePackageVD::DeletePackageVD() : Command("DeletePackageVD", "ID") {}

void DeletePackageVD::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_ret = 0;
    m_deleteMBR = 1;
}

void DeletePackageVD::replacePara(StructMiddle* para) {
    request::readNumber<U8Parser>(para, "DeleteMBR", m_deleteMBR);
}

void DeletePackageVD::run() {
    APIVDStatusData statuses;
    statuses.readRange(m_adapter);
    bool found = false;
    const _DG_Info group = readSingleRecord<APIDGInfoData>(m_adapter, m_key, found);
    if (!found) m_ret = result::kInvalidVirtualDisk;

    if (m_ret == 0) stopActivities(group, statuses);
    deleteGroup(group);
    if (m_ret == kGroupNeedsWipe) wipeDisks(group);
    rescanIfUsb(m_adapter, *m_log, "DeletePackageVD RescanAdapter");
}

void DeletePackageVD::stopActivities(const _DG_Info& group, APIVDStatusData& statuses) {
    if (group.bga_status != 0) {
        m_log->startLine(Log::api_data, "DeletePackageVD TERMINATE");
        m_log->writeFormatInfo("ZD_DG_BGAControl stop %d", m_key);
        uint8_t answer = ZD_DG_BGAControl(m_adapter, m_key, ZD_BGA_ACTION_STOP);
        if (answer == kStopRefused || answer == kStopNoActivity) m_ret = result::kInvalidVirtualDisk;
        m_log->writeFormatInfo(" ret  %d", answer);
        m_log->endLine();
    }
    for (uint16_t vd : group.ld_ids) {
        if (vd == ZD_EMPTY_ID) continue;
        bool found = false;
        const _LD_STATUS* status = statuses.getData(vd, found);
        if (!found) continue;
        if (group.bga_status == 0 && status->bga_type == 0 && status->bga_status == 0) continue;
        m_log->startLine(Log::api_data, "DeletePackageVD TERMINATE");
        m_log->writeFormatInfo("ZD_LD_BGAControl stop %d", vd);
        uint8_t answer = ZD_LD_BGAControl(m_adapter, vd, ZD_BGA_ACTION_STOP);
        m_log->writeFormatInfo(" ret  %d", answer);
        m_log->endLine();
        break;
    }
}

void DeletePackageVD::deleteGroup(const _DG_Info& group) {
    m_log->startLine(Log::api_data, "DeletePackageVD");
    if (m_ret == 0) {
        for (uint16_t vd : group.ld_ids) {
            if (vd == ZD_EMPTY_ID) continue;
            m_log->writeFormatInfo("ZD_LD_Delete %d", vd);
            uint8_t answer = ZD_LD_Delete(m_adapter, vd, m_deleteMBR);
            m_log->writeFormatInfo(" ret  %d", answer);
            if (answer == 0) break;
        }
        m_log->writeFormatInfo("ZD_DG_Delete %d", m_key);
        m_ret = ZD_DG_Delete(m_adapter, m_key);
        m_log->writeFormatInfo(" ret  %d", m_ret);
    }
    m_log->endLine();
}

void DeletePackageVD::wipeDisks(const _DG_Info& group) {
    // Without any disk to wipe nothing was cleaned: the group stays busy.
    uint8_t lastAnswer = kDeviceBusy;
    m_log->startLine(Log::api_data, "DeletePackageVD retry");
    auto wipe = [&](uint16_t disk) {
        lastAnswer = ZD_PD_WipeHDMDD(m_adapter, disk, 1);
        m_log->writeFormatInfo("wipe %d ret %d", disk, lastAnswer);
    };
    std::for_each(group.member_ids, group.member_ids + group.member_count, wipe);
    const size_t spares = std::min<size_t>(group.spare_count, ZD_DG_MAX_SPARES);
    std::for_each(group.spare_ids, group.spare_ids + spares, wipe);
    m_log->endLine();
    m_ret = lastAnswer == 0 ? 0 : kDeviceBusy;
}
