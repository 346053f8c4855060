// The SMART attribute table (_SMART_ARRAY) of one physical disk.
//
// readSingle(adapter), then getData(disk id). The record is not cleared
// before a read, so a failed read answers the previous table. There is no
// walk: isEnd is always true.
#pragma once

#include "api/APISingleData.h"
#include "api/records/Records.h"

class APISMARTData final : public APISingleData<_SMART_ARRAY> {
public:
    APISMARTData() = default;
    ~APISMARTData() = default;

    _SMART_ARRAY* getData(uint16_t key, bool& found) override;
    void moveToNext() override {}
    bool isEnd() override { return true; }
    void resetRange() override {}
};
