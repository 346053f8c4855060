#include "info/PackageVDInfo.h"

#include <vector>

#include "api/APIMigrateTargetVDInfoData.h"
#include "api/ListWrappers.h"
#include "info/FieldText.h"
#include "info/PackageVDRecords.h"
#include "middle/StructMiddle.h"
#include "middle/XMLMiddle.h"

namespace {

// The fields of one array's description, and of one array in the list.
constexpr size_t kArrayFields = 24;
constexpr size_t kListedArrayFields = 10;

// The first `count` ids of a disk group's member or spare list, bounded by the list.
template <size_t N>
std::vector<std::string> listTexts(const uint16_t (&ids)[N], uint8_t count) {
    std::vector<std::string> texts;
    for (size_t i = 0; i < count && i < N; ++i) texts.push_back(u16Text(ids[i]));
    return texts;
}

}  // namespace

PackageVDInfo::PackageVDInfo() : Info("PackageVD") {}

bool PackageVDInfo::getSingle(uint32_t adapterId, const std::string& key, std::string& result) {
    const uint8_t adapter = static_cast<uint8_t>(adapterId);
    const uint16_t dgId = u16Key(key);

    PackageVDRecords array;
    if (!readPackageVD(adapter, dgId, array)) return false;
    const _DG_Info* dg = &array.dg;
    const _LD_Info* vd = &array.vd;
    if (zdU64Value(vd->size) == 0) return true;
    bool found = false;
    APIDGConfigData configData;
    configData.readSingle(adapter);
    const _DG_CONFIG* config = configData.getData(dgId, found);

    XMLMiddle doc;
    StructMiddle* s = doc.addStruct(m_name, kArrayFields);
    s->addSingle("ID", u16Text(dg->id));
    s->addSingle("Name", fieldText(dg->name, sizeof(dg->name)));
    s->addSingle("RAID", u8Text(dg->raid_level));
    s->addSingle("Used", u64Text(zdU64Make(zdU64Value(dg->total_size) - zdU64Value(dg->free_size))));
    s->addSingle("Available", u64Text(dg->free_size));
    s->addArray("Disks", "ID", listTexts(dg->member_ids, dg->member_count));
    if (dg->spare_count != 0) s->addArray("SpareDisks", "ID", listTexts(dg->spare_ids, dg->spare_count));
    s->addSingle("PDCache", u8Text(config->pd_cache));
    s->addSingle("VDStatus", u8Text(vd->status));
    s->addSingle("Size", u64Text(vd->size));
    s->addSingle("DiskBlock", u32Text(vd->disk_block));
    s->addSingle("StripeSize", u32Text(vd->stripe_size));
    s->addSingle("VDCache", u8Text(vd->cache_policy));
    s->addSingle("PDCount", u8Text(vd->pd_count));
    if (addBackgroundActivity(adapter, *vd, s, found) == ZD_BGA_MIGRATE) addMigrationTarget(adapter, dg->ld_ids[0], s);

    doc.printTo(result);
    return found;
}

void PackageVDInfo::getArray(uint32_t adapterId, std::string& result) {
    const uint8_t adapter = static_cast<uint8_t>(adapterId);
    XMLMiddle doc(m_name + "s");
    forEachPackageVD(adapter, [&](const _DG_Info& dg, const _LD_Info& vd) {
        StructMiddle* s = doc.addStruct(m_name, kListedArrayFields);
        s->addSingle("ID", u16Text(dg.id));
        s->addSingle("Name", fieldText(dg.name, sizeof(dg.name)));
        s->addSingle("RAID", u8Text(dg.raid_level));
        if (dg.spare_count != 0) s->addArray("SpareDisks", "ID", listTexts(dg.spare_ids, dg.spare_count));
        s->addSingle("VDStatus", u8Text(vd.status));
        s->addSingle("Size", u64Text(vd.size));
        s->addSingle("PDCount", u8Text(vd.pd_count));
        bool found = false;
        addBackgroundActivity(adapter, vd, s, found);
    });
    doc.printTo(result);
}

uint8_t PackageVDInfo::addBackgroundActivity(uint8_t adapter, const _LD_Info& vd, StructMiddle* s, bool& found) {
    if (vd.bga_running == 0) {
        s->addSingle("VDBGAType", "0");
        s->addSingle("BGAStatus", "0");
        s->addSingle("BGAPercentage", "0");
        return 0;
    }
    APIVDStatusData statusData;
    statusData.readSingle(adapter);
    const _LD_STATUS* status = statusData.getData(vd.id, found);
    s->addSingle("VDBGAType", u8Text(status->bga_type));
    s->addSingle("BGAStatus", u8Text(status->bga_status));
    s->addSingle("BGAPercentage", u16Text(status->percentage));
    return status->bga_type;
}

void PackageVDInfo::addMigrationTarget(uint8_t adapter, uint16_t vdId, StructMiddle* s) {
    bool found = false;
    APIMigrateTargetVDInfoData targetData;
    targetData.readSingle(adapter);
    const _LD_Info* target = targetData.getData(vdId, found);
    APIBLKInfoData blockData;
    blockData.readRange(adapter);
    if (!found) return;

    s->addSingle("TargetSize", u64Text(target->size));
    s->addSingle("TargetRAID", u8Text(target->raid_level));
    std::vector<std::string> disks;
    for (uint16_t blockId : target->block_ids) {
        if (blockId == ZD_EMPTY_ID || blockId == ZD_EMPTY_BLOCK) continue;
        bool blockFound = false;
        const _BLOCK_INFO* block = blockData.getData(blockId, blockFound);
        if (blockFound) disks.push_back(u16Text(block->hd_id));
    }
    s->addArray("TargetDisks", "ID", disks);
}
