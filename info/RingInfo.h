// "Buzzer": whether the enclosure's buzzer is ringing, read from the
// adapter's OEM data (type 13, reply byte oem_value). The front end polls it
// to show or silence the alarm.
//
// getSingle answers one "Buzzer" structure ("RingStatus") for the given
// adapter and the OEM read's success; getArray answers "Buzzers" with one
// structure per adapter, each also carrying "AdapterID".
#pragma once

#include "info/Info.h"

class RingInfo : public Info {
public:
    RingInfo();

    bool getSingle(uint32_t adapterId, const std::string& key, std::string& result) override;
    void getArray(uint32_t adapterId, std::string& result) override;
};
