// OEM data packets (_Adapter_OEM_Data) exchanged with the enclosure.
//
// APIOEMData is the common walk over adapter indexes 0 to
// ZD_Adapter_GetCount() - 1 and the packet preparation; each request kind is
// its own class whose getData(adapter) sends the request and answers the reply:
//   APINXPVer   - the NXP version in reply bytes 9..12 (found only when byte 9
//                 is not 0, i.e. the enclosure reported a version);
//   APIBuzzBing - the buzzer's ringing state in reply byte 9 (oem_value).
#pragma once

#include "api/APISingleData.h"
#include "api/records/Records.h"

class APIOEMData : public APISingleData<_Adapter_OEM_Data> {
public:
    void moveToNext() override { ++m_cursor; }
    bool isEnd() override { return m_cursor >= m_count; }
    void resetRange() override;

protected:
    APIOEMData() = default;
    ~APIOEMData() = default;

    // Zero-fills the packet, prepares it for `oemType` and sends it to the
    // adapter; answers the library's status.
    uint8_t request(uint16_t adapter, uint8_t oemType);

    uint8_t m_count = 0;
};

class APINXPVer final : public APIOEMData {
public:
    _Adapter_OEM_Data* getData(uint16_t key, bool& found) override;
};

class APIBuzzBing final : public APIOEMData {
public:
    _Adapter_OEM_Data* getData(uint16_t key, bool& found) override;
};
