#include "condition/OEMStatus.h"

#include "api/OEMPacket.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "middle/XMLMiddle.h"
#include "request/RequestFields.h"

OEMStatus::OEMStatus() : Condition<_Kelto_Data>("GetOEMStatus") {}

void OEMStatus::prepare(unsigned char adapterId) { m_adapter = adapterId; }

void OEMStatus::replacePara(StructMiddle* para) {
    request::readNumber<U8Parser>(para, "OEMType", m_para.type);
    request::readNumber<U8Parser>(para, "OEMValue", m_para.value);
}

void OEMStatus::run() {
    _Adapter_OEM_Data packet = makeOEMPacket(m_para.type, m_para.value);
    m_ret = ZD_Adapter_Get_OEM_Data(m_adapter, &packet);
    m_log->startLine(Log::api_data, "OEMStatus ZD_Adapter_Get_OEM_Data");
    m_log->writeFormatInfo("type %d, value %d, id %d ", packet.oem_type, packet.oem_value, packet.oem_id);
    m_log->endLine();
    m_para.id = packet.oem_id;
}

void OEMStatus::setRet(std::string& answer) {
    XMLMiddle doc;
    StructMiddle* status = doc.addStruct(m_name);
    const struct {
        const char* name;
        uint8_t value;
    } fields[] = {{"OEMType", m_para.type}, {"OEMID", m_para.id}, {"OEMValue", m_para.value}};
    for (const auto& field : fields) {
        U8Parser parser;
        parser.parse(field.value);
        status->addSingle(field.name, parser.toString());
    }
    doc.printTo(answer);
}
