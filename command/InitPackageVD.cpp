#include "command/InitPackageVD.h"

#include "api/ListWrappers.h"
#include "api/SingleRecord.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "command/PackageVDSlot.h"
#include "request/RequestFields.h"

namespace {
constexpr uint8_t kFailed = 1;
constexpr uint8_t kInitForeground = 1;
// "VDBGAType" values the schedule runner passes, and the types they mean.
constexpr uint8_t kActivityInitQuick = 8;
constexpr uint8_t kActivityInitBackground = 16;
constexpr uint8_t kInitQuick = 0;
constexpr uint8_t kInitBackground = 2;
// Virtual disk id used when the disk group has no virtual disk.
constexpr uint16_t kNoVirtualDisk = ZD_EMPTY_BLOCK;
}  // namespace

InitPackageVD::InitPackageVD() : Command("InitPackageVD", "ID") {}

void InitPackageVD::prepare(unsigned char adapterId) { m_adapter = adapterId; }

void InitPackageVD::replacePara(StructMiddle* para) { request::readNumber<U8Parser>(para, "InitType", m_para); }

void InitPackageVD::run() {
    bool found = false;
    const _DG_Info group = readSingleRecord<APIDGInfoData>(m_adapter, m_key, found);
    if (!found || m_para == kInitForeground) {
        m_ret = kFailed;
        return;
    }
    const uint16_t vd = packageVDId(group, kNoVirtualDisk);
    m_log->startLine(Log::api_data, "ZD_LD_StartINIT");
    m_log->writeFormatInfo("m_adapter %d,m_key %d, vdid %d, type %d", m_adapter, m_key, vd, m_para);
    m_log->endLine();

    if (m_para == kActivityInitBackground) {
        m_para = kInitBackground;
    } else if (m_para == kActivityInitQuick) {
        m_para = kInitQuick;
    }
    m_ret = ZD_LD_StartINIT(m_adapter, vd, m_para);
}
