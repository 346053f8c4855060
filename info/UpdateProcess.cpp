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
    // Reading a finished upload's 100 acknowledges it, in one step: the 100
    // answered is the 100 reset.
    U16Parser percentage;
    percentage.parse(operation->takePercentage());
    answer->addSingle("Percentage", percentage.toString());
    U16Parser lastRet;
    lastRet.parse(operation->getRet());
    answer->addSingle("LastRet", lastRet.toString());
    doc.printTo(result);
    return true;
}

void UpdateProcess::getArray(uint32_t, std::string&) {}
