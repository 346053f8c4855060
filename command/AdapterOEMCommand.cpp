#include "command/AdapterOEMCommand.h"

#include "api/OEMPacket.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "request/RequestFields.h"

AdapterOEMCommand::AdapterOEMCommand() : Command<_Kelto_Data>("OEMCommand") {}

void AdapterOEMCommand::prepare(unsigned char adapterId) { m_adapter = adapterId; }

void AdapterOEMCommand::replacePara(StructMiddle* para) {
    request::readNumber<U8Parser>(para, "OEMType", m_para.type);
    request::readNumber<U8Parser>(para, "OEMValue", m_para.value);
    request::readNumber<U8Parser>(para, "OEMID", m_para.id);
    request::readNumber<U8Parser>(para, "Force", m_para.force);
}

void AdapterOEMCommand::run() {
    _Adapter_OEM_Data packet = makeOEMPacket(m_para.type, m_para.value, m_para.id, m_para.force);
    m_log->startLine(Log::api_data, "AdapterOEMCommand ZD_Adapter_Set_OEM_Data");
    m_log->writeFormatInfo("type %d, value %d, id %d, force %d ", m_para.type, m_para.value, m_para.id,
                           m_para.force);
    m_log->endLine();
    m_ret = ZD_Adapter_Set_OEM_Data(m_adapter, &packet);
}
