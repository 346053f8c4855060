#include "sim/StateCodec.h"

#include <algorithm>
#include <cstring>
#include <nlohmann/json.hpp>
#include <set>

#include "api/records/RecordText.h"
#include "sim/ModelFields.h"

using nlohmann::json;

namespace state {
namespace {

json versionJson(const _Version_Info_CIM& v) { return json::array({v.part1, v.part2, v.part3, v.part4}); }
_Version_Info_CIM cimFromJson(const json& j) {
    return _Version_Info_CIM{j.at(0).get<uint16_t>(), j.at(1).get<uint16_t>(), j.at(2).get<uint16_t>(),
                             j.at(3).get<uint16_t>()};
}

const char* roleName(DiskRole role) {
    switch (role) {
    case DiskRole::Member: return "member";
    case DiskRole::GlobalSpare: return "global_spare";
    case DiskRole::DedicatedSpare: return "dedicated_spare";
    case DiskRole::Free: break;
    }
    return "free";
}

DiskRole roleFromName(const std::string& name) {
    if (name == "member") return DiskRole::Member;
    if (name == "global_spare") return DiskRole::GlobalSpare;
    if (name == "dedicated_spare") return DiskRole::DedicatedSpare;
    if (name == "free") return DiskRole::Free;
    throw std::runtime_error("unknown disk role \"" + name + "\"");
}

json diskJson(const Disk& d) {
    json smart = json::array();
    for (const _SMART_ENTRY& e : d.smart) {
        smart.push_back({{"id", e.attribute_id},
                         {"name", recordText(e.attribute_name, sizeof(e.attribute_name))},
                         {"flags", e.status_flags},
                         {"current", e.current_value},
                         {"worst", e.worst_value},
                         {"threshold", e.threshold_value},
                         {"raw", {e.raw_value0, e.raw_value1}}});
    }
    return {{"id", d.id},
            {"sectors", d.sectors},
            {"block_size", d.blockSize},
            {"device_type", d.deviceType},
            {"feature_bits", d.featureBits},
            {"model", d.model},
            {"serial_number", d.serial},
            {"firmware_revision", d.firmware},
            {"pd_cache", d.pdCache},
            {"current_speed", d.currentSpeed},
            {"parent_id", d.parentId},
            {"parent_device_type", d.parentDeviceType},
            {"parent_port", d.parentPort},
            {"role", roleName(d.role)},
            {"dg", d.dg},
            {"offline", d.offline},
            {"present", d.present},
            {"forced_status", d.forcedStatus},
            {"smart", smart}};
}

Disk diskFromJson(const json& j) {
    Disk d;
    d.id = j.at("id");
    d.sectors = j.at("sectors");
    d.blockSize = j.at("block_size");
    d.deviceType = j.at("device_type");
    d.featureBits = j.at("feature_bits");
    d.model = j.at("model");
    d.serial = j.at("serial_number");
    d.firmware = j.at("firmware_revision");
    d.pdCache = j.at("pd_cache");
    d.currentSpeed = j.at("current_speed");
    d.parentId = j.at("parent_id");
    d.parentDeviceType = j.at("parent_device_type");
    d.parentPort = j.at("parent_port");
    d.role = roleFromName(j.at("role"));
    d.dg = j.at("dg");
    d.offline = j.at("offline");
    d.present = j.at("present");
    d.forcedStatus = j.at("forced_status");
    for (const json& e : j.at("smart")) {
        _SMART_ENTRY entry{};
        entry.attribute_id = e.at("id");
        setRecordText(entry.attribute_name, sizeof(entry.attribute_name), e.at("name").get<std::string>());
        entry.status_flags = e.at("flags");
        entry.current_value = e.at("current");
        entry.worst_value = e.at("worst");
        entry.threshold_value = e.at("threshold");
        entry.raw_value0 = e.at("raw").at(0);
        entry.raw_value1 = e.at("raw").at(1);
        d.smart.push_back(entry);
    }
    if (d.smart.size() > ZD_SMART_MAX_ENTRIES) d.smart.resize(ZD_SMART_MAX_ENTRIES);
    return d;
}

json activityJson(const Activity& a) {
    const MigrationTarget& t = a.target;
    json sizes = json::array();
    for (const auto& [vd, size] : t.vdSizes) sizes.push_back({vd, size});
    json blocks = json::array();
    for (const auto& [vd, ids] : t.vdBlocks) blocks.push_back({vd, ids});
    return {{"kind", static_cast<int>(a.kind)},
            {"owner", a.owner},
            {"bga_type", a.bgaType},
            {"state", static_cast<int>(a.state)},
            {"duration_ms", a.durationMs},
            {"done_ms", a.doneMs},
            {"last_ms", a.lastMs},
            {"fix", a.fix},
            {"target",
             {{"source_level", t.sourceLevel},
              {"raid_level", t.raidLevel},
              {"parity", t.parity},
              {"total_size", t.totalSize},
              {"members", t.members},
              {"vd_sizes", sizes},
              {"vd_blocks", blocks}}}};
}

Activity activityFromJson(const json& j) {
    Activity a;
    int kind = j.at("kind");
    int state = j.at("state");
    if (kind < 0 || kind > 4 || state < 1 || state > 3) throw std::runtime_error("bad activity");
    a.kind = static_cast<ActivityKind>(kind);
    a.owner = j.at("owner");
    a.bgaType = j.at("bga_type");
    a.state = static_cast<ActivityState>(state);
    a.durationMs = std::max<uint64_t>(1, j.at("duration_ms").get<uint64_t>());
    a.doneMs = j.at("done_ms");
    a.lastMs = j.at("last_ms");
    a.fix = j.at("fix");
    const json& t = j.at("target");
    a.target.sourceLevel = t.at("source_level");
    a.target.raidLevel = t.at("raid_level");
    a.target.parity = t.at("parity");
    a.target.totalSize = t.at("total_size");
    a.target.members = t.at("members").get<std::vector<uint16_t>>();
    for (const json& s : t.at("vd_sizes")) a.target.vdSizes[s.at(0)] = s.at(1);
    for (const json& b : t.at("vd_blocks")) a.target.vdBlocks[b.at(0)] = b.at(1).get<std::vector<uint16_t>>();
    return a;
}

json eventJson(const EventRecord& e) {
    std::vector<uint8_t> sense(e.sense_data, e.sense_data + std::min<uint8_t>(e.sense_length, ZD_EVT_SENSE_MAX));
    return {{"class", e.evt_class},   {"code", e.code},
            {"timestamp", e.timestamp}, {"device_id", e.device_id},
            {"severity", e.severity}, {"sequence", e.sequence},
            {"params", {e.params[0], e.params[1], e.params[2], e.params[3]}},
            {"sense_length", e.sense_length}, {"sense", sense}};
}

EventRecord eventFromJson(const json& j) {
    EventRecord e{};
    e.evt_class = j.at("class");
    e.code = j.at("code");
    e.timestamp = j.at("timestamp");
    e.device_id = j.at("device_id");
    e.severity = j.at("severity");
    e.sequence = j.at("sequence");
    for (int i = 0; i < 4; ++i) e.params[i] = j.at("params").at(i);
    e.sense_length = j.at("sense_length");
    std::vector<uint8_t> sense = j.at("sense");
    std::copy_n(sense.begin(), std::min<size_t>(sense.size(), ZD_EVT_SENSE_MAX), e.sense_data);
    return e;
}

json adapterJson(const AdapterModel& a) {
    json values = json::object();
    for (const AdapterField& f : adapterFields()) values[f.name] = f.get(a);
    json disks = json::array();
    for (const auto& [id, d] : a.disks) disks.push_back(diskJson(d));
    json groups = json::array();
    for (const auto& [id, g] : a.groups) {
        groups.push_back({{"id", g.id},
                          {"name", g.name},
                          {"raid_level", g.raidLevel},
                          {"raid_aux", g.raidAux},
                          {"parity", g.parity},
                          {"stripe_size", g.stripeSize},
                          {"block_size", g.blockSize},
                          {"total_size", g.totalSize},
                          {"pd_cache", g.pdCache},
                          {"members", g.members},
                          {"rebuilding", g.rebuilding},
                          {"vds", g.vds}});
    }
    json vds = json::array();
    for (const auto& [id, v] : a.vds) {
        vds.push_back({{"id", v.id},
                       {"dg", v.dg},
                       {"name", v.name},
                       {"cache_policy", v.cachePolicy},
                       {"stripe_size", v.stripeSize},
                       {"size", v.size},
                       {"initialized", v.initialized},
                       {"inconsistent_stripes", v.inconsistentStripes},
                       {"blocks", v.blocks}});
    }
    json blocks = json::array();
    for (const auto& [id, disk] : a.blocks) blocks.push_back({id, disk});
    json activities = json::array();
    for (const Activity& act : a.activities) activities.push_back(activityJson(act));
    json events = json::array();
    for (const EventRecord& e : a.events.events()) events.push_back(eventJson(e));
    return {{"uid", a.uid},
            {"values", values},
            {"driver_version",
             {a.info.driver_version.part1, a.info.driver_version.part2, a.info.driver_version.part3,
              a.info.driver_version.part4}},
            {"firmware_version", versionJson(a.info.firmware_version)},
            {"bootloader_version", versionJson(a.info.bootloader_version)},
            {"serial_number", recordText(a.info.serial_number, sizeof(a.info.serial_number))},
            {"config_serial_number", recordText(a.config.serial_number, sizeof(a.config.serial_number))},
            {"alias", recordText(a.config.alias, sizeof(a.config.alias))},
            {"disks", disks},
            {"groups", groups},
            {"vds", vds},
            {"blocks", blocks},
            {"activities", activities},
            {"events", {{"next_sequence", a.events.nextSequence()}, {"queue", events}}}};
}

std::shared_ptr<AdapterModel> adapterFromJson(const json& j, const SimClock* clock) {
    auto a = std::make_shared<AdapterModel>(clock);
    a->uid = j.at("uid");
    for (const auto& [name, value] : j.at("values").items()) {
        if (const AdapterField* f = findAdapterField(name.c_str())) f->set(*a, value.get<uint64_t>());
    }
    const json& driver = j.at("driver_version");
    a->info.driver_version = _Version_Info{driver.at(0), driver.at(1), driver.at(2), driver.at(3)};
    a->info.firmware_version = cimFromJson(j.at("firmware_version"));
    a->info.bootloader_version = cimFromJson(j.at("bootloader_version"));
    std::string serial = j.at("serial_number");
    std::memcpy(a->info.serial_number, serial.data(), std::min(serial.size(), sizeof(a->info.serial_number)));
    setRecordText(a->config.serial_number, sizeof(a->config.serial_number), j.at("config_serial_number"));
    setRecordText(a->config.alias, sizeof(a->config.alias), j.at("alias"));
    for (const json& d : j.at("disks")) {
        Disk disk = diskFromJson(d);
        a->disks[disk.id] = disk;
    }
    for (const json& g : j.at("groups")) {
        DiskGroup group;
        group.id = g.at("id");
        group.name = g.at("name");
        group.raidLevel = g.at("raid_level");
        group.raidAux = g.at("raid_aux");
        group.parity = g.at("parity");
        group.stripeSize = g.at("stripe_size");
        group.blockSize = g.at("block_size");
        group.totalSize = g.at("total_size");
        group.pdCache = g.at("pd_cache");
        group.members = g.at("members").get<std::vector<uint16_t>>();
        group.rebuilding = g.at("rebuilding").get<std::set<uint16_t>>();
        group.vds = g.at("vds").get<std::vector<uint16_t>>();
        a->groups[group.id] = group;
    }
    for (const json& v : j.at("vds")) {
        VirtualDisk vd;
        vd.id = v.at("id");
        vd.dg = v.at("dg");
        vd.name = v.at("name");
        vd.cachePolicy = v.at("cache_policy");
        vd.stripeSize = v.at("stripe_size");
        vd.size = v.at("size");
        vd.initialized = v.at("initialized");
        vd.inconsistentStripes = v.value("inconsistent_stripes", 0u);
        vd.blocks = v.at("blocks").get<std::vector<uint16_t>>();
        a->vds[vd.id] = vd;
    }
    for (const json& b : j.at("blocks")) a->blocks[b.at(0)] = b.at(1);
    for (const json& act : j.at("activities")) a->activities.push_back(activityFromJson(act));
    std::deque<EventRecord> queue;
    for (const json& e : j.at("events").at("queue")) queue.push_back(eventFromJson(e));
    a->events.restore(std::move(queue), j.at("events").at("next_sequence"));
    return a;
}

// Every id the adapter's records refer to exists, so that a hand-edited file
// cannot make the simulator follow a dangling reference.
bool consistent(const AdapterModel& a) {
    for (const auto& [id, g] : a.groups) {
        if (g.id != id) return false;
        for (uint16_t member : g.members) {
            if (a.disks.count(member) == 0) return false;
        }
        for (uint16_t member : g.rebuilding) {
            if (std::find(g.members.begin(), g.members.end(), member) == g.members.end()) return false;
        }
        for (uint16_t vd : g.vds) {
            const VirtualDisk* v = a.vd(vd);
            if (v == nullptr || v->dg != id) return false;
        }
    }
    for (const auto& [id, v] : a.vds) {
        const DiskGroup* g = a.group(v.dg);
        if (v.id != id || g == nullptr || std::find(g->vds.begin(), g->vds.end(), id) == g->vds.end()) return false;
        for (uint16_t block : v.blocks) {
            if (a.blocks.count(block) == 0) return false;
        }
    }
    for (const auto& [id, d] : a.disks) {
        bool grouped = d.role == DiskRole::Member || d.role == DiskRole::DedicatedSpare;
        if (d.id != id || (grouped && a.group(d.dg) == nullptr)) return false;
    }
    for (const Activity& act : a.activities) {
        bool owned = false;
        switch (act.kind) {
        case ActivityKind::Init:
        case ActivityKind::Check: owned = a.vd(act.owner) != nullptr; break;
        case ActivityKind::Rebuild:
        case ActivityKind::Migrate: owned = a.group(act.owner) != nullptr; break;
        case ActivityKind::MediaPatrol: owned = a.disks.count(act.owner) != 0; break;
        }
        if (!owned) return false;
        for (uint16_t member : act.target.members) {
            if (a.disks.count(member) == 0) return false;
        }
        for (const auto& [vd, blocks] : act.target.vdBlocks) {
            for (uint16_t block : blocks) {
                if (a.blocks.count(block) == 0) return false;
            }
        }
    }
    return true;
}

}  // namespace

std::string encode(const SimClock& clock, uint32_t nextAdapterUid,
                   const std::vector<std::shared_ptr<AdapterModel>>& adapters) {
    const SimClock::Setting setting = clock.setting();
    json doc = {{"format_version", kFormatVersion},
                {"clock", {{"manual", setting.manual}, {"manual_ms", setting.manualMs}, {"time_scale", setting.scale}}},
                {"next_adapter_uid", nextAdapterUid},
                {"adapters", json::array()}};
    for (const auto& a : adapters) doc["adapters"].push_back(adapterJson(*a));
    return doc.dump(1, ' ', false, json::error_handler_t::replace) + "\n";
}

std::optional<SharedState> decode(const std::string& text, const SimClock* clock, std::string& why) {
    try {
        const json doc = json::parse(text);
        if (!doc.is_object() || !doc.contains("format_version") || doc.at("format_version") != kFormatVersion) {
            why = "is not a state file of format version " + std::to_string(kFormatVersion);
            return std::nullopt;
        }
        SharedState loaded;
        const json& saved = doc.at("clock");
        loaded.clock.manual = saved.at("manual");
        loaded.clock.manualMs = saved.at("manual_ms");
        loaded.clock.scale = saved.at("time_scale");
        if (!SimClock::valid(loaded.clock.scale)) throw std::runtime_error("the time scale is out of range");
        loaded.nextAdapterUid = doc.at("next_adapter_uid");
        std::set<uint32_t> uids;
        for (const json& a : doc.at("adapters")) {
            loaded.adapters.push_back(adapterFromJson(a, clock));
            const AdapterModel& adapter = *loaded.adapters.back();
            if (!consistent(adapter)) throw std::runtime_error("an adapter refers to ids it does not have");
            if (adapter.uid >= loaded.nextAdapterUid || !uids.insert(adapter.uid).second) {
                throw std::runtime_error("adapter uids repeat or reach next_adapter_uid");
            }
        }
        if (loaded.adapters.size() > 8) throw std::runtime_error("more than 8 adapters");
        return loaded;
    } catch (const std::exception& e) {
        why = std::string("cannot be parsed (") + e.what() + ")";
        return std::nullopt;
    }
}

}  // namespace state
