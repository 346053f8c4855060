#include "info/GetDistribution.h"

#include "api/ListWrappers.h"
#include "info/FieldText.h"
#include "info/PackageVDRecords.h"
#include "info/VDDistribution.h"
#include "middle/StructMiddle.h"
#include "middle/XMLMiddle.h"

GetDistribution::GetDistribution() : Info("VDDistribution") {}

bool GetDistribution::getSingle(uint32_t adapterId, const std::string& key, std::string& result) {
    const uint8_t adapter = static_cast<uint8_t>(adapterId);
    const uint16_t dgId = u16Key(key);

    PackageVDRecords array;
    if (!readPackageVD(adapter, dgId, array)) return false;
    if (zdU64Value(array.vd.size) == 0) return true;

    XMLMiddle doc;
    addDistribution(adapter, array.dg, array.vd, doc.addStruct(m_name));
    doc.printTo(result);
    return true;
}

void GetDistribution::getArray(uint32_t adapterId, std::string& result) {
    const uint8_t adapter = static_cast<uint8_t>(adapterId);
    XMLMiddle doc(m_name + "s");
    forEachPackageVD(adapter, [&](const _DG_Info& dg, const _LD_Info& vd) {
        addDistribution(adapter, dg, vd, doc.addStruct(m_name));
    });
    doc.printTo(result);
}

void GetDistribution::addDistribution(uint8_t adapter, const _DG_Info& dg, const _LD_Info& vd, StructMiddle* s) {
    s->addSingle("ID", u16Text(dg.id));
    VDDistribution split;
    split.reset(dg.raid_level, dg.member_count, dg.parity_count);
    split.setVDSize(vd.size);
    APIPdInfoData disks;
    disks.readRange(adapter);
    // member_count (at most 255) always fits the member list.
    for (unsigned i = 0; i < dg.member_count; ++i) {
        bool found = false;
        const _HD_Info* disk = disks.getData(dg.member_ids[i], found);
        if (found) split.add_disk(disk->size);
    }
    split.distribution(s);
}
