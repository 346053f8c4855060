#include "api/APIAdapterInfoData.h"

#include "api/zd_api.h"

namespace {
// ZD_Adapter_GetInfo fills one record per adapter for this index, more than
// the one record the wrapper holds; it is never passed on.
constexpr uint8_t kAllAdapters = 255;
}  // namespace

uint8_t APIAdapterInfoData::readAdapter(uint8_t adapter) {
    clear();
    if (adapter == kAllAdapters) return 1;
    uint8_t count = 0;
    return ZD_Adapter_GetInfo(adapter, &count, &m_record);
}

_Adapter_Info* APIAdapterInfoData::getData(uint16_t key, bool& found) {
    found = key < kAllAdapters && readAdapter(static_cast<uint8_t>(key)) == 0;
    return &m_record;
}

_Adapter_Info* APIAdapterInfoData::read() {
    m_lastResult = readAdapter(m_adapterId);
    return &m_record;
}

void APIAdapterInfoData::resetRange() {
    m_cursor = 0;
    m_count = ZD_Adapter_GetCount();
}

void APIAdapterInfoData::getStripeSizeSupportArray(uint8_t& count, uint16_t* out, uint8_t max) const {
    count = 0;
    const uint16_t mask = m_record.stripe_size_mask;
    if ((mask & 0x7F) == 0) return;
    // Bits 12 and up would name sizes beyond 16 bits; they are not reported.
    for (uint8_t bit = 0; bit < max && bit < 12; ++bit) {
        if (mask & (1u << bit)) out[count++] = static_cast<uint16_t>(1u << (bit + 4));
    }
}

void APIAdapterInfoData::getRAIDSupportArray(uint8_t& count, uint16_t* out, uint8_t max) const {
    // Mask bit and RAID code ("RAID" table), in the order the levels are listed.
    static const struct { uint8_t bit; uint16_t raid; } kLevels[] = {
        {0, 0}, {1, 1}, {3, 17}, {4, 5}, {5, 6}, {2, 16}, {6, 80}, {8, 96},
    };
    count = 0;
    for (const auto& level : kLevels) {
        if (count >= max) break;
        if (m_record.raid_mode_mask & (1u << level.bit)) out[count++] = level.raid;
    }
}
