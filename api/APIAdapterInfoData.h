// The adapter record (_Adapter_Info), read per adapter index.
//
// getData(adapter) reads one adapter's record; read() reads the record of the
// adapter given to readSingle/readRange. The walk covers adapter indexes 0 to
// ZD_Adapter_GetCount() - 1. The two Support arrays turn the record's masks
// into the stripe sizes and RAID codes the adapter can build.
#pragma once

#include "api/APISingleData.h"
#include "api/records/Records.h"

class APIAdapterInfoData final : public APISingleData<_Adapter_Info> {
public:
    APIAdapterInfoData() = default;
    ~APIAdapterInfoData() = default;

    _Adapter_Info* getData(uint16_t key, bool& found) override;
    void moveToNext() override { ++m_cursor; }
    bool isEnd() override { return m_cursor >= m_count; }
    void resetRange() override;

    // The record of the current adapter; its status is kept in lastResult().
    _Adapter_Info* read();
    uint8_t lastResult() const { return m_lastResult; }

    // Stripe sizes 2^(i+4) for every set bit i < max (and < 12) of stripe_size_mask,
    // none unless one of its low seven bits is set.
    void getStripeSizeSupportArray(uint8_t& count, uint16_t* out, uint8_t max) const;
    // RAID codes of the levels set in raid_mode_mask, in the order
    // 0, 1, 1E, 5, 6, 10, 50, 60; out needs room for max (8) values.
    void getRAIDSupportArray(uint8_t& count, uint16_t* out, uint8_t max) const;

private:
    uint8_t readAdapter(uint8_t adapter);

    uint8_t m_count = 0;
    uint8_t m_lastResult = 0;
};
