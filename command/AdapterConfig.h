// "AdapterConfig": changes the adapter's configuration and keeps the
// enclosure's alarm in step with it.
//
// prepare reads the current 64-byte _Adapter_Config_V2 (its status is the
// result code), replacePara overwrites only the fields the request carries,
// and run writes the whole record back with ZD_Adapter_SetConfig. Then the
// enclosure's buzzer status (OEM type 12) is compared with alarm_on; when
// they differ a user request (OEM type 8) switches the alarm on (value 5)
// or off (value 4). The alarm update never changes the result code.
#pragma once

#include "api/records/Records.h"
#include "command/Command.h"

class AdapterConfig : public Command<_Adapter_Config_V2> {
public:
    AdapterConfig();
    ~AdapterConfig() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;

private:
    // Appends the OEM exchange to the log line that run has started.
    void synchroniseAlarm();
};
