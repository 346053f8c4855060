#include "info/RingInfo.h"

#include "api/APIOEMData.h"
#include "middle/SingleTypeParser.h"
#include "middle/StructMiddle.h"
#include "middle/XMLMiddle.h"

namespace {

const char* const kStructName = "Buzzer";

std::string u8Text(uint8_t value) {
    U8Parser parser;
    parser.parse(value);
    return parser.toString();
}

}  // namespace

RingInfo::RingInfo() : Info("Buzzer") {}

// The key is not used: the buzzer belongs to the selected adapter.
bool RingInfo::getSingle(uint32_t adapterId, const std::string&, std::string& result) {
    const uint8_t adapter = static_cast<uint8_t>(adapterId);
    APIBuzzBing buzzer;
    buzzer.readSingle(adapter);
    bool found = false;
    const _Adapter_OEM_Data* reply = buzzer.getData(adapter, found);

    XMLMiddle doc;
    doc.addStruct(kStructName)->addSingle("RingStatus", u8Text(reply->oem_value));
    doc.printTo(result);
    return found;
}

void RingInfo::getArray(uint32_t adapterId, std::string& result) {
    APIBuzzBing buzzer;
    buzzer.readRange(static_cast<uint8_t>(adapterId));
    XMLMiddle doc(m_name + "s");
    while (!buzzer.isEnd()) {
        const uint16_t adapter = buzzer.getID();
        bool found = false;
        const _Adapter_OEM_Data* reply = buzzer.getData(adapter, found);
        StructMiddle* entry = doc.addStruct(kStructName);
        entry->addSingle("AdapterID", u8Text(static_cast<uint8_t>(adapter)));
        entry->addSingle("RingStatus", u8Text(reply->oem_value));
        buzzer.moveToNext();
    }
    doc.printTo(result);
}
