#include "command/CheckPackageVD.h"

#include "api/ListWrappers.h"
#include "api/SingleRecord.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "command/PackageVDSlot.h"
#include "request/RequestFields.h"

namespace {
constexpr uint8_t kFailed = 1;
// "VDBGAType" values the schedule runner passes, and the check types they mean.
constexpr uint8_t kActivityCheckFix = 2;
constexpr uint8_t kActivityCheckOnly = 4;
constexpr uint8_t kCheckFix = 1;
constexpr uint8_t kCheckOnly = 0;
// Virtual disk id used when the disk group has no virtual disk.
constexpr uint16_t kNoVirtualDisk = ZD_EMPTY_BLOCK;
}  // namespace

CheckPackageVD::CheckPackageVD() : Command("CheckPackageVD", "ID") {}

void CheckPackageVD::prepare(unsigned char adapterId) { m_adapter = adapterId; }

void CheckPackageVD::replacePara(StructMiddle* para) { request::readNumber<U8Parser>(para, "CheckType", m_para); }

void CheckPackageVD::run() {
    bool found = false;
    const _DG_Info group = readSingleRecord<APIDGInfoData>(m_adapter, m_key, found);
    if (!found) {
        m_ret = kFailed;
        return;
    }
    const unsigned slot = packageVDSlot(group);
    const uint16_t vd = packageVDId(group, kNoVirtualDisk);
    m_log->startLine(Log::api_data, "ZD_LD_StartConsistencyCheck");
    m_log->writeFormatInfo("m_key %d, vdid %d, type %d, i %d", m_key, vd, m_para, slot);
    m_log->endLine();

    if (m_para == kActivityCheckFix) {
        m_para = kCheckFix;
    } else if (m_para == kActivityCheckOnly) {
        m_para = kCheckOnly;
    }
    m_ret = ZD_LD_StartConsistencyCheck(m_adapter, vd, m_para);
}
