#include "command/CreatePackageVD.h"

#include <algorithm>
#include <cstring>

#include "api/APIAdapterInfoData.h"
#include "api/ListWrappers.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "command/UsbRescan.h"
#include "request/RequestFields.h"

namespace {
constexpr uint8_t kDiskNotFound = 9;
}

CreatePackageVD::CreatePackageVD() : Command("CreatePackageVD", "ID") {}

void CreatePackageVD::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_ret = 0;
}

void CreatePackageVD::replacePara(StructMiddle* para) {
    _Create_PackageVD_Param_Bridge next = m_para;
    if (const std::string* name = request::findText(para, "Name")) {
        if (!request::nameFits(*name)) {
            m_ret = request::kInvalidParameter;
            return;
        }
        request::writeName(next.name, *name);
    }
    if (!request::readDiskList(para, next.disk_ids, next.disk_count)) {
        m_ret = request::kInvalidParameter;
        return;
    }
    request::readNumber<U8Parser>(para, "RAID", next.raid_level);
    request::readNumber<U8Parser>(para, "Spare", next.spare);
    request::readNumber<U16Parser>(para, "SpareDiskID", next.spare_disk_id);
    request::readNumber<U16Parser>(para, "StripeSize", next.stripe_size);
    request::readNumber<U8Parser>(para, "PDCache", next.pd_cache);
    request::readNumber<U8Parser>(para, "InitType", next.init_type);
    request::readNumber<U8Parser>(para, "ParityNumber", next.parity_count);
    request::readNumber<U8Parser>(para, "RoundingScheme", next.rounding_scheme);
    m_para = next;
}

void CreatePackageVD::run() {
    if (m_ret != 0) return;  // refused by replacePara: no controller call

    APIPdInfoData disks;
    disks.readSingle(m_adapter);
    bool diskFound = false;
    const _HD_Info* firstDisk = disks.getData(m_para.disk_ids[0], diskFound);
    if (!diskFound) m_ret = kDiskNotFound;
    m_para.block_size = diskFound ? firstDisk->block_size : 0;

    APIAdapterInfoData adapterInfo;
    adapterInfo.readSingle(m_adapter);
    bool adapterFound = false;
    const _Adapter_Info* adapter = adapterInfo.getData(m_adapter, adapterFound);
    const bool oneCall = adapterFound && (adapter->AdvancedFeatures2 & ZD_FEATURE_PACKAGE_VD_CREATE) != 0;

    uint16_t groupId = ZD_EMPTY_ID;
    if (m_ret == 0) {
        _Create_PackageVD_Param record;
        std::memset(&record, 0, sizeof(record));
        fillCreationRecord(record);
        m_ret = create(record, oneCall);
        groupId = record.dg.dg_id;
    }
    if (m_ret == 0) applyCacheSetting(groupId);
    if (m_ret == 0 && m_para.spare != 0) {
        m_log->startLine(Log::api_data, "CreatePackageVD ZD_PD_FreeHD2DGSpare");
        m_log->writeFormatInfo(" hd id %d, dg id %d ", m_para.spare_disk_id, groupId);
        m_log->endLine();
        m_ret = ZD_PD_FreeHD2DGSpare(m_adapter, m_para.spare_disk_id, groupId);
    }
    rescanIfUsb(m_adapter, *m_log, "CreatePackageVD RescanAdapter");
}

void CreatePackageVD::fillCreationRecord(_Create_PackageVD_Param& record) const {
    _CreateOrModify_DG_Param& group = record.dg;
    group.dg_id = ZD_EMPTY_ID;
    std::memcpy(group.name, m_para.name, sizeof(group.name));
    group.raid_level = m_para.raid_level;
    group.raid_aux = 0;
    group.parity_count = m_para.parity_count;
    group.stripe_size = m_para.stripe_size;
    group.block_size = m_para.block_size;
    group.init_type = m_para.init_type;
    group.disk_count = m_para.disk_count;
    const size_t disks = std::min<size_t>(m_para.disk_count, ZD_CREATE_MAX_DISKS);
    std::copy(m_para.disk_ids, m_para.disk_ids + disks, group.disk_ids);

    _CreateOrModify_VD_Param& vd = record.vd;
    vd.ld_id = ZD_EMPTY_ID;
    vd.dg_id = ZD_EMPTY_ID;
    std::memcpy(vd.name, m_para.name, sizeof(vd.name));
    vd.raid_level = m_para.raid_level;
    vd.fixed21 = 0;
    vd.parity_count = m_para.parity_count;
    vd.fixed23 = 0xFF;
    vd.stripe_size = m_para.stripe_size;
    vd.size = zdU64Make(0);
    vd.rounding_scheme = m_para.rounding_scheme;
    vd.fixed41 = 0;
    vd.init_type = m_para.init_type;
    vd.block_size = m_para.block_size;
}

uint8_t CreatePackageVD::create(_Create_PackageVD_Param& record, bool oneCall) {
    if (oneCall) {
        m_log->startLine(Log::api_data, "CreatePackageVD ZD_Create_PackageVD");
        m_log->writeBin(&record, sizeof(record));
        m_log->endLine();
        return ZD_Create_PackageVD(m_adapter, &record);
    }
    m_log->startLine(Log::api_data, "CreatePackageVD ZD_CreateOrModify_DG");
    m_log->writeBin(&record.dg, sizeof(record.dg));
    m_log->endLine();
    uint8_t result = ZD_CreateOrModify_DG(m_adapter, &record.dg, 0);
    if (result != 0) return result;

    record.vd.dg_id = record.dg.dg_id;
    m_log->startLine(Log::api_data, "CreatePackageVD ZD_CreateOrModify_VD");
    m_log->writeBin(&record.vd, sizeof(record.vd));
    m_log->endLine();
    return ZD_CreateOrModify_VD(m_adapter, &record.vd);
}

void CreatePackageVD::applyCacheSetting(uint16_t groupId) {
    APIDGConfigData configs;
    configs.readSingle(m_adapter);
    bool found = false;
    const _DG_CONFIG* current = configs.getData(groupId, found);
    if (!found) return;
    _DG_CONFIG config = *current;
    config.pd_cache = m_para.pd_cache;
    m_log->startLine(Log::api_data, "CreatePackageVD ZD_DG_SetConfig");
    m_log->writeFormatInfo(" WriteCacheOn %d ", m_para.pd_cache);
    m_log->endLine();
    ZD_DG_SetConfig(m_adapter, groupId, &config);
}
