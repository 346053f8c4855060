// The target layout (_LD_Info) of a virtual disk being migrated.
//
// readSingle(adapter), then getData(virtual disk id). The record is not
// cleared before a read, so a failed read answers the previous one. There is
// no walk: isEnd is always true.
#pragma once

#include "api/APISingleData.h"
#include "api/records/Records.h"

class APIMigrateTargetVDInfoData final : public APISingleData<_LD_Info> {
public:
    APIMigrateTargetVDInfoData() = default;
    ~APIMigrateTargetVDInfoData() = default;

    _LD_Info* getData(uint16_t key, bool& found) override;
    void moveToNext() override {}
    bool isEnd() override { return true; }
    void resetRange() override {}
};
