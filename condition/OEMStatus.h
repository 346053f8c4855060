// "GetOEMStatus": asks the enclosure's OEM interface for the status of one
// item ("OEMType", "OEMValue", both kept between requests) and answers
// "OEMType", "OEMID" (the id byte the enclosure reported) and "OEMValue".
#pragma once

#include "api/records/Records.h"
#include "condition/Condition.h"

class OEMStatus : public Condition<_Kelto_Data> {
public:
    OEMStatus();
    ~OEMStatus() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
    void setRet(std::string& answer) override;
};
