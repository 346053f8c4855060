// The enclosure's OEM information (_Adapter_OEM_Info) of one adapter.
//
// After readSingle(adapter), readData() asks the enclosure; supportID() and
// returnLinkType() then interpret the reply. getData(key) does the same as
// readData() for the adapter of readSingle (the key is not used). The walk
// covers adapter indexes 0 to ZD_Adapter_GetCount() - 1.
#pragma once

#include "api/APISingleData.h"
#include "api/records/Records.h"

class APIOEMInfo final : public APISingleData<_Adapter_OEM_Info> {
public:
    APIOEMInfo() = default;
    ~APIOEMInfo() = default;

    _Adapter_OEM_Info* getData(uint16_t key, bool& found) override;
    void moveToNext() override { ++m_cursor; }
    bool isEnd() override { return m_cursor >= m_count; }
    void resetRange() override;

    // Reads the OEM information of the current adapter; status in lastResult().
    void readData();
    // The enclosure can identify itself (bit 0 of support_bits clear).
    bool supportID() const { return (m_record.support_bits & 0x1) == 0; }
    uint8_t returnLinkType() const { return m_record.link_type; }

    uint8_t lastResult() const { return m_lastResult; }

private:
    uint8_t m_count = 0;
    uint8_t m_lastResult = 0;
};
