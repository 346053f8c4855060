#include "condition/GetFlashFileInfo.h"

#include <cstring>

#include "api/zd_api.h"
#include "base/Files.h"
#include "base/Log.h"
#include "middle/SingleTypeParser.h"
#include "middle/StructMiddle.h"
#include "middle/VersionParser.h"
#include "middle/XMLMiddle.h"
#include "request/ResultCodes.h"

namespace {

constexpr uint8_t kFirmwareImage = 3;
constexpr uint8_t kNoImageType = 255;
constexpr uint16_t kNoDeviceId = 65535;
constexpr uint8_t kInvalidFlashType = 155;
constexpr uint8_t kInvalidFlashDescriptor = 185;

}  // namespace

GetFlashFileInfo::GetFlashFileInfo() : Condition<_FwFileData>("GetFlashFileInfo") {}

void GetFlashFileInfo::prepare(unsigned char adapterId) {
    m_adapter = adapterId;
    m_refusedLength = 0;
}

void GetFlashFileInfo::replacePara(StructMiddle* para) {
    if (para == nullptr) return;
    const std::string* address = para->findSingle("Address");
    if (address == nullptr) return;
    if (address->size() >= sizeof m_para.path) {
        m_refusedLength = address->size();
        return;
    }
    std::memcpy(m_para.path, address->c_str(), address->size() + 1);
}

void GetFlashFileInfo::run() {
    m_para.type = kNoImageType;
    m_para.deviceId = kNoDeviceId;
    std::memset(&m_para.version, 0, sizeof m_para.version);
    if (m_refusedLength != 0) {
        m_ret = result::kInvalidParameter;
        m_log->startLine(Log::api_data, "ZD_Flash_GetHeaderInfo");
        m_log->writeFormatInfo("address of %zu characters refused ", m_refusedLength);
        m_log->endLine();
        return;
    }
    // The controller would wait forever on a FIFO or device named as the file.
    if (isSpecialFile(m_para.path)) {
        m_ret = kInvalidFlashDescriptor;
        m_log->startLine(Log::api_data, "ZD_Flash_GetHeaderInfo");
        m_log->writeFormatInfo("not a regular file: %s ", m_para.path);
        m_log->endLine();
        return;
    }
    m_ret = ZD_Flash_GetHeaderInfo(m_para.path, &m_para.type, &m_para.version, &m_para.deviceId);
    if (m_para.type != kFirmwareImage) m_ret = kInvalidFlashType;
    m_log->startLine(Log::api_data, "ZD_Flash_GetHeaderInfo");
    m_log->writeFormatInfo("type %d,id %d ", m_para.type, m_para.deviceId);
    m_log->endLine();
}

void GetFlashFileInfo::setRet(std::string& answer) {
    XMLMiddle doc;
    StructMiddle* info = doc.addStruct(m_name);
    U8Parser ret;
    ret.parse(m_ret);
    info->addSingle("Ret", ret.toString());
    U8Parser type;
    type.parse(m_para.type);
    info->addSingle("Type", type.toString());
    U16Parser deviceId;
    deviceId.parse(m_para.deviceId);
    info->addSingle("DeviceID", deviceId.toString());
    VersionParser version;
    version.parse(m_para.version);
    info->addSingle("Version", version.toString());
    doc.printTo(answer);
}
