#include "api/APIAdapterConfigData.h"

#include "api/zd_api.h"

namespace {
// ZD_Adapter_GetConfig fills one record per adapter for this index, more than
// the one record the wrapper holds; it is never passed on.
constexpr uint16_t kAllAdapters = 255;
}  // namespace

_Adapter_Config_V2* APIAdapterConfigData::getData(uint16_t key, bool& found) {
    clear();
    uint8_t count = 1;
    found = key < kAllAdapters && ZD_Adapter_GetConfig(static_cast<uint8_t>(key), &count, &m_record) == 0;
    log("ZD_Adapter_GetConfig Adapter_Config_V2", key, &m_record, sizeof(m_record));
    return &m_record;
}

void APIAdapterConfigData::resetRange() { m_count = ZD_Adapter_GetCount(); }
