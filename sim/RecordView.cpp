#include "sim/RecordView.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "api/records/RecordText.h"

namespace view {
namespace {

// Fills a text field as given: NUL-padded, no NUL when the text is full width.
void fillText(char* field, size_t width, const std::string& text) {
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(width, text.size()));
}

// The activity fields of a status record: type, state and percentage done.
template <typename StatusRecord>
void setActivity(StatusRecord& r, uint8_t bgaType, const Activity& activity) {
    r.bga_type = bgaType;
    r.bga_status = static_cast<uint8_t>(activity.state);
    r.percentage = activity.percentage();
}

// The block slots of a virtual disk: the given blocks, the rest empty.
void setBlockIds(_LD_Info& r, const std::vector<uint16_t>& blocks) {
    std::fill(std::begin(r.block_ids), std::end(r.block_ids), ZD_EMPTY_ID);
    std::copy_n(blocks.begin(), std::min<size_t>(blocks.size(), ZD_LD_BLOCK_SLOTS), r.block_ids);
}

}  // namespace

_HD_Info hdInfo(const AdapterModel&, const Disk& d, uint8_t adapterIndex) {
    _HD_Info r{};
    r.parent_id = d.parentId;
    r.parent_device_type = d.parentDeviceType;
    r.parent_port = d.parentPort;
    r.id = d.id;
    r.adapter_id = adapterIndex;
    r.device_type = d.deviceType;
    r.feature_bits = d.featureBits;
    fillText(r.model, sizeof(r.model), d.model);
    fillText(r.serial_number, sizeof(r.serial_number), d.serial);
    fillText(r.firmware_revision, sizeof(r.firmware_revision), d.firmware);
    r.size = zdU64Make(d.sectors);
    r.block_size = d.blockSize;
    return r;
}

_HD_CONFIG hdConfig(const Disk& d) {
    _HD_CONFIG r{};
    r.pd_cache = d.pdCache;
    r.current_speed = d.currentSpeed;
    r.hd_id = d.id;
    return r;
}

_HD_BGA_STATUS hdBgaStatus(const AdapterModel& a, const Disk& d) {
    _HD_BGA_STATUS r{};
    r.hd_id = d.id;
    if (const Activity* patrol = a.diskActivity(d.id)) setActivity(r, 1, *patrol);
    return r;
}

_HD_RAID_STATUS hdRaidStatus(const AdapterModel& a, const Disk& d) {
    _HD_RAID_STATUS r{};
    r.hd_id = d.id;
    r.dg_id = d.dg;
    r.status = a.diskStatus(d);
    return r;
}

_SMART_ARRAY smart(const Disk& d, uint16_t maxEntries) {
    _SMART_ARRAY r{};
    size_t count = std::min<size_t>({d.smart.size(), maxEntries, ZD_SMART_MAX_ENTRIES});
    std::copy_n(d.smart.begin(), count, r.entries);
    r.entry_count = static_cast<uint16_t>(count);
    return r;
}

_LD_Info ldInfo(const AdapterModel& a, const VirtualDisk& v) {
    _LD_Info r{};
    r.id = v.id;
    r.status = a.vdStatus(v);
    const Activity* shown = a.shownActivity(v);
    r.bga_running = shown != nullptr && shown->active() ? 1 : 0;
    r.stripe_size = v.stripeSize;
    r.cache_policy = v.cachePolicy;
    r.dg_id = v.dg;
    r.size = zdU64Make(v.size);
    setRecordText(r.name, sizeof(r.name), v.name);
    setBlockIds(r, v.blocks);
    if (const DiskGroup* g = a.group(v.dg)) {
        r.raid_level = g->raidLevel;
        r.pd_count = static_cast<uint8_t>(g->members.size());
        uint64_t perDisk = g->members.empty() ? 0 : v.size / g->members.size();
        r.disk_block = static_cast<uint32_t>(perDisk / 2048);  // MiB per member disk
    }
    return r;
}

_LD_Info targetLdInfo(const AdapterModel& a, const VirtualDisk& v, const Activity& migration) {
    _LD_Info r = ldInfo(a, v);
    const MigrationTarget& t = migration.target;
    r.raid_level = t.raidLevel;
    r.pd_count = static_cast<uint8_t>(t.members.size());
    auto size = t.vdSizes.find(v.id);
    uint64_t target = size == t.vdSizes.end() ? v.size : size->second;
    r.size = zdU64Make(target);
    r.disk_block = t.members.empty() ? 0 : static_cast<uint32_t>(target / t.members.size() / 2048);
    auto blocks = t.vdBlocks.find(v.id);
    setBlockIds(r, blocks == t.vdBlocks.end() ? std::vector<uint16_t>() : blocks->second);
    return r;
}

_LD_Config ldConfig(const VirtualDisk& v) {
    _LD_Config r{};
    r.cache_policy = v.cachePolicy;
    r.id = v.id;
    setRecordText(r.name, sizeof(r.name), v.name);
    return r;
}

_LD_STATUS ldStatus(const AdapterModel& a, const VirtualDisk& v) {
    _LD_STATUS r{};
    r.id = v.id;
    if (const Activity* shown = a.shownActivity(v)) setActivity(r, static_cast<uint8_t>(shown->bgaType), *shown);
    return r;
}

_DG_Info dgInfo(const AdapterModel& a, const DiskGroup& g) {
    _DG_Info r{};
    r.id = g.id;
    setRecordText(r.name, sizeof(r.name), g.name);
    r.raid_level = g.raidLevel;
    r.raid_aux = g.raidAux;
    r.parity_count = g.parity;
    r.stripe_size = g.stripeSize;
    r.block_size = g.blockSize;
    r.total_size = zdU64Make(g.totalSize);
    r.free_size = zdU64Make(a.freeSize(g));
    size_t members = std::min<size_t>(g.members.size(), ZD_DG_MAX_MEMBERS);
    r.member_count = static_cast<uint8_t>(members);
    std::fill(std::begin(r.member_ids), std::end(r.member_ids), ZD_EMPTY_ID);
    std::copy_n(g.members.begin(), members, r.member_ids);
    std::fill(std::begin(r.ld_ids), std::end(r.ld_ids), ZD_EMPTY_ID);
    std::copy_n(g.vds.begin(), std::min<size_t>(g.vds.size(), ZD_DG_LD_SLOTS), r.ld_ids);
    std::vector<uint16_t> spares = a.dedicatedSpares(g.id);
    size_t spareCount = std::min<size_t>(spares.size(), ZD_DG_MAX_SPARES);
    r.spare_count = static_cast<uint8_t>(spareCount);
    std::fill(std::begin(r.spare_ids), std::end(r.spare_ids), ZD_EMPTY_ID);
    std::copy_n(spares.begin(), spareCount, r.spare_ids);
    if (const Activity* activity = a.groupActivity(g.id)) {
        r.bga_type = activity->bgaType;
        r.bga_status = static_cast<uint8_t>(activity->state);
    }
    return r;
}

_DG_CONFIG dgConfig(const DiskGroup& g) {
    _DG_CONFIG r{};
    r.id = g.id;
    r.pd_cache = g.pdCache;
    setRecordText(r.name, sizeof(r.name), g.name);
    return r;
}

_BLOCK_INFO blockInfo(uint16_t id, uint16_t diskId) {
    _BLOCK_INFO r{};
    r.id = id;
    r.hd_id = diskId;
    return r;
}

}  // namespace view
