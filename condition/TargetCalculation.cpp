#include "condition/TargetCalculation.h"

#include "middle/XMLMiddle.h"
#include "request/RequestFields.h"

TargetCalculation::TargetCalculation(const std::string& name, const std::string& keyName)
    : Condition(name, keyName) {}

void TargetCalculation::replacePara(StructMiddle* para) {
    _CreateOrModify_DG_Param next = m_para;
    m_requestFits = request::readDiskList(para, next.disk_ids, next.disk_count);
    if (m_requestFits) {
        request::readNumber<U8Parser>(para, "RAID", next.raid_level);
        request::readNumber<U8Parser>(para, "ParityNumber", next.parity_count);
        m_para = next;
    } else {
        m_ret = request::kInvalidParameter;
    }
    m_distribution.reset(m_para.raid_level, m_para.disk_count, m_para.parity_count);
    m_migrate.disk_count = m_para.disk_count;
    m_migrate.raid_level = m_para.raid_level;
    m_migrate.parity_count = m_para.parity_count;
}

void TargetCalculation::setRet(std::string& answer) {
    XMLMiddle document;
    m_distribution.distribution(document.addStruct(m_name));
    document.printTo(answer);
}
