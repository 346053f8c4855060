// Common part of the two target conditions, "GetCreateTarget" and
// "GetMigrateTarget": what creating an array, or migrating one, would yield.
//
// Both read "RAID", "ParityNumber" and "Disks" into their sticky disk-group
// record, check the RAID rules, let the controller compute the capacity
// (ZD_CreateOrModify_DG with flag 1) and answer the space distribution
// ("Available", "Backup", "Unused") in a structure named after the
// condition. A "Disks" list longer than the record's 192 ids is refused:
// nothing is stored, no controller call is made and the answer is zeros.
#pragma once

#include "api/records/Records.h"
#include "condition/Condition.h"
#include "info/VDDistribution.h"

class TargetCalculation : public Condition<_CreateOrModify_DG_Param> {
public:
    void replacePara(StructMiddle* para) override;
    void setRet(std::string& answer) override;

protected:
    TargetCalculation(const std::string& name, const std::string& keyName);

    // False after a request whose fields did not fit the record.
    bool m_requestFits = true;
    VDDistribution m_distribution;
    _Migrate_DG_Param m_migrate{};
};
