#include "info/PackageVDRecords.h"

#include "api/ListWrappers.h"
#include "api/SingleRecord.h"

bool readPackageVD(uint8_t adapter, uint16_t dgId, PackageVDRecords& records) {
    bool found = false;
    records.dg = readSingleRecord<APIDGInfoData>(adapter, dgId, found);
    if (!found || records.dg.ld_ids[0] == ZD_EMPTY_ID) return false;
    records.vd = readSingleRecord<APIVDInfoData>(adapter, records.dg.ld_ids[0], found);
    return found;
}

void forEachPackageVD(uint8_t adapter, const std::function<void(const _DG_Info& dg, const _LD_Info& vd)>& visit) {
    APIDGInfoData dgData;
    dgData.readRange(adapter);
    APIVDInfoData vdData;
    vdData.readRange(adapter);
    for (; !dgData.isEnd(); dgData.moveToNext()) {
        bool found = false;
        const _DG_Info* dg = dgData.getData(dgData.getID(), found);
        if (dg->ld_ids[0] == ZD_EMPTY_ID) continue;
        const _LD_Info* vd = vdData.getData(dg->ld_ids[0], found);
        if (!found || zdU64Value(vd->size) == 0) continue;
        visit(*dg, *vd);
    }
}
