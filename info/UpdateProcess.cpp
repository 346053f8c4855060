#include "info/UpdateProcess.h"

#include "middle/SingleTypeParser.h"
#include "middle/StructMiddle.h"
#include "middle/XMLMiddle.h"
#include "upload/FWOperation.h"

UpdateProcess::UpdateProcess() : Info("UpdateProcess") {}

bool UpdateProcess::getSingle(uint32_t, const std::string&, std::string& result) {
    FWOperation* operation = FWOperation::getInstance();
    XMLMiddle doc;
    StructMiddle* answer = doc.addStruct("UpdateProcess");
    U16Parser percentage;
    percentage.parse(operation->getPercentage());
    answer->addSingle("Percentage", percentage.toString());
    U16Parser lastRet;
    lastRet.parse(operation->getRet());
    answer->addSingle("LastRet", lastRet.toString());
    if (operation->getPercentage() == 100) operation->resetPercentage();
    result = doc.toString();
    return true;
}

void UpdateProcess::getArray(uint32_t, std::string&) {}
