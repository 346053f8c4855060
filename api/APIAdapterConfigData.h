// The adapter configuration (_Adapter_Config_V2), read per adapter index.
//
// getData(adapter) reads and logs one adapter's configuration; the walk
// covers adapter indexes 0 to ZD_Adapter_GetCount() - 1.
#pragma once

#include "api/APISingleData.h"
#include "api/records/Records.h"

class APIAdapterConfigData final : public APISingleData<_Adapter_Config_V2> {
public:
    APIAdapterConfigData() = default;
    ~APIAdapterConfigData() = default;

    _Adapter_Config_V2* getData(uint16_t key, bool& found) override;
    void moveToNext() override { ++m_cursor; }
    bool isEnd() override { return m_cursor >= m_count; }
    void resetRange() override;

private:
    uint8_t m_count = 0;
};
