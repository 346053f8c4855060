#include "front/ModelJson.h"

namespace zdfront {

namespace {

template <typename T>
Json orNull(const std::optional<T>& value)
{
    return value ? Json(*value) : Json(nullptr);
}

template <typename T>
Json listOf(const std::vector<T>& items)
{
    Json list = Json::array();
    for (const T& item : items) list.push_back(toJson(item));
    return list;
}

template <typename T>
std::optional<T> optionalOf(const Json& json, const char* key)
{
    const Json& value = json.at(key);
    return value.is_null() ? std::nullopt : std::optional<T>(value.get<T>());
}

Enumerated enumeratedOf(const Json& json, const std::string& key)
{
    return {json.at(key).get<uint64_t>(), json.at(key + "_text").get<std::string>()};
}

// The text of a key that is null when empty.
std::string textOf(const Json& json, const char* key)
{
    return optionalOf<std::string>(json, key).value_or("");
}

Json enumeratedList(const std::vector<Enumerated>& values)
{
    Json list = Json::array();
    for (const Enumerated& value : values) list.push_back({{"value", value.value}, {"text", value.text}});
    return list;
}

}  // namespace

const char* toneName(Tone tone)
{
    switch (tone) {
    case Tone::Neutral: return "neutral";
    case Tone::Good: return "good";
    case Tone::Attention: return "attention";
    case Tone::Bad: return "bad";
    case Tone::Spare: return "spare";
    }
    return "neutral";
}

void putEnumerated(Json& json, const std::string& key, const Enumerated& value)
{
    json[key] = value.value;
    json[key + "_text"] = value.text;
}

Json toJson(const Activity& activity)
{
    Json json;
    putEnumerated(json, "type", activity.type);
    putEnumerated(json, "status", activity.status);
    json["percent"] = activity.percent;
    json["running"] = activity.running();
    return json;
}

Json toJson(const std::optional<Activity>& activity) { return activity ? toJson(*activity) : Json(nullptr); }

Json toJson(const Adapter& adapter)
{
    Json json;
    json["id"] = adapter.id;
    json["alias"] = adapter.alias;
    json["serial"] = adapter.serial;
    putEnumerated(json, "link", adapter.link);
    json["firmware"] = adapter.firmware;
    json["bootloader"] = adapter.bootloader;
    json["driver"] = adapter.driver;
    json["nxp_version"] = adapter.nxpVersion.empty() ? Json(nullptr) : Json(adapter.nxpVersion);
    json["vendor_id"] = adapter.vendor;
    json["device_id"] = adapter.device;
    json["subvendor_id"] = adapter.subVendor;
    json["subdevice_id"] = adapter.subDevice;
    json["revision"] = adapter.revision;
    json["ports"] = adapter.ports;
    json["max_disks"] = adapter.maxDisks;
    json["max_parity_disks"] = adapter.maxParityDisks;
    json["raid_levels"] = enumeratedList(adapter.raidLevels);
    json["stripe_sizes"] = enumeratedList(adapter.stripeSizes);
    json["alarm"] = adapter.alarm;
    json["buzzer_ringing"] = orNull(adapter.buzzerRinging);
    json["auto_rebuild"] = adapter.autoRebuild;
    json["copy_back"] = adapter.copyBack;
    json["smart_poll"] = adapter.smartPoll;
    json["identify_supported"] = adapter.identifySupported;
    json["speeds"] = {{"sync", adapter.speeds.sync},
                      {"init", adapter.speeds.init},
                      {"rebuild", adapter.speeds.rebuild},
                      {"migrate", adapter.speeds.migrate},
                      {"disk_check", adapter.speeds.diskCheck}};
    return json;
}

Json toJson(const Capacity& capacity)
{
    return {{"available_sectors", capacity.available},
            {"redundancy_sectors", capacity.redundancy},
            {"unused_sectors", capacity.unused}};
}

Json toJson(const Array& array)
{
    Json json;
    json["id"] = array.id;
    json["name"] = array.name;
    putEnumerated(json, "raid", array.raid);
    putEnumerated(json, "status", array.status);
    json["tone"] = toneName(array.tone());
    json["size_sectors"] = array.sizeSectors;
    json["disks"] = array.disks;
    json["spares"] = array.spares;
    json["activity"] = toJson(array.activity);
    putEnumerated(json, "stripe_size", array.stripeSize);
    putEnumerated(json, "vd_cache", array.volumeCache);
    putEnumerated(json, "pd_cache", array.diskCache);
    json["used_sectors"] = array.usedSectors;
    json["free_sectors"] = array.freeSectors;
    json["capacity"] = array.capacity ? toJson(*array.capacity) : Json(nullptr);
    Json members = Json::array();
    for (const ArrayMember& member : array.members) {
        Json item{{"disk", member.disk}, {"spare", member.spare}, {"present", member.present}};
        putEnumerated(item, "status", member.status);
        item["tone"] = toneName(member.tone());
        item["size_sectors"] = member.sizeSectors;
        members.push_back(item);
    }
    json["members"] = members;
    if (array.migration) {
        Json target;
        putEnumerated(target, "raid", array.migration->raid);
        target["size_sectors"] = array.migration->sizeSectors;
        target["disks"] = array.migration->disks;
        json["migration_target"] = target;
    } else {
        json["migration_target"] = nullptr;
    }
    return json;
}

Json toJson(const SmartAttribute& attribute)
{
    return {{"id", attribute.id},         {"name", attribute.name},   {"value", attribute.value},
            {"worst", attribute.worst},   {"threshold", attribute.threshold}, {"raw", attribute.raw},
            {"flags", attribute.flags},   {"failing", attribute.failing()}};
}

Json toJson(const Disk& disk)
{
    Json json;
    json["id"] = disk.id;
    json["present"] = disk.present;
    putEnumerated(json, "status", disk.status);
    json["tone"] = toneName(disk.tone());
    json["size_sectors"] = disk.sizeSectors;
    json["array"] = orNull(disk.array);
    json["spare_of_array"] = orNull(disk.dedicatedSpareOf);
    json["activity"] = toJson(disk.activity);
    json["model"] = disk.model;
    json["serial"] = disk.serial;
    json["firmware"] = disk.firmware;
    putEnumerated(json, "device_type", disk.deviceType);
    putEnumerated(json, "features", disk.features);
    json["current_speed"] = disk.currentSpeed;
    json["parent"] = {{"id", disk.parentId}, {"device_type", disk.parentDeviceType}, {"port", disk.parentPort}};
    Json smart;
    SmartVerdict verdict = smartVerdict(disk);
    smart["verdict"] = static_cast<int>(verdict);
    smart["verdict_text"] = smartVerdictText(verdict);
    smart["attributes"] = disk.smartRead ? listOf(disk.smart) : Json(nullptr);
    json["smart"] = smart;
    return json;
}

Json toJson(const Event& event)
{
    Json json;
    json["index"] = event.index;
    json["adapter"] = event.adapter;
    json["time"] = event.time;
    putEnumerated(json, "class", event.eventClass);
    putEnumerated(json, "severity", event.severity);
    json["code"] = event.code;
    json["device"] = event.device;
    json["device_text"] = event.deviceText;
    json["text"] = event.text;
    json["name"] = orNull(event.name);
    json["array"] = orNull(event.array);
    json["disk_model"] = event.diskModel.empty() ? Json(nullptr) : Json(event.diskModel);
    json["disk_serial"] = event.diskSerial.empty() ? Json(nullptr) : Json(event.diskSerial);
    if (event.raidBefore) putEnumerated(json, "raid_before", *event.raidBefore);
    if (event.raidAfter) putEnumerated(json, "raid_after", *event.raidAfter);
    json["params"] = event.params;
    json["sense_data"] = event.senseData;
    json["serial"] = event.serial;
    json["activity_end"] = event.activityEnd ? toJson(*event.activityEnd) : Json(nullptr);
    return json;
}

std::optional<Event> eventFromJson(const Json& json)
{
    if (!json.is_object()) return std::nullopt;
    try {
        Event event;
        event.index = json.at("index").get<uint64_t>();
        event.adapter = json.at("adapter").get<uint64_t>();
        event.time = json.at("time").get<uint64_t>();
        event.eventClass = enumeratedOf(json, "class");
        event.severity = enumeratedOf(json, "severity");
        event.code = json.at("code").get<uint64_t>();
        event.device = json.at("device").get<uint64_t>();
        event.deviceText = json.at("device_text").get<std::string>();
        event.text = json.at("text").get<std::string>();
        event.name = optionalOf<std::string>(json, "name");
        event.array = optionalOf<uint64_t>(json, "array");
        event.diskModel = textOf(json, "disk_model");
        event.diskSerial = textOf(json, "disk_serial");
        if (json.contains("raid_before")) event.raidBefore = enumeratedOf(json, "raid_before");
        if (json.contains("raid_after")) event.raidAfter = enumeratedOf(json, "raid_after");
        event.params = json.at("params").get<std::vector<uint64_t>>();
        event.senseData = json.at("sense_data").get<std::vector<uint64_t>>();
        event.serial = json.at("serial").get<std::string>();
        const Json& end = json.at("activity_end");
        if (!end.is_null()) {
            ActivityEnd ending;
            ending.activity = end.at("activity").get<std::string>();
            ending.completed = end.at("completed").get<bool>();
            ending.inconsistenciesFound = optionalOf<uint64_t>(end, "inconsistencies_found");
            ending.inconsistenciesRepaired = optionalOf<uint64_t>(end, "inconsistencies_repaired");
            event.activityEnd = ending;
        }
        return event;
    } catch (const Json::exception&) {
        return std::nullopt;
    }
}

Json toJson(const ActivityEnd& end)
{
    return {{"activity", end.activity},
            {"completed", end.completed},
            {"inconsistencies_found", orNull(end.inconsistenciesFound)},
            {"inconsistencies_repaired", orNull(end.inconsistenciesRepaired)}};
}

Json toJson(const Schedule& schedule)
{
    Json json;
    json["index"] = schedule.index;
    json["adapter"] = schedule.adapter;
    json["adapter_serial"] = schedule.adapterSerial;
    json[schedule.targetsDisk() ? "disk" : "array"] = schedule.target;
    putEnumerated(json, "activity", schedule.activity);
    putEnumerated(json, "repeat", schedule.repeat);
    json["time"] = schedule.time;
    json["date"] = schedule.date;
    json["day"] = schedule.day;
    json["when_text"] = schedule.whenText();
    json["last_start"] = schedule.lastStart;
    putEnumerated(json, "status", schedule.status);
    putEnumerated(json, "result", schedule.result);
    json["outcome_text"] = schedule.resultText();
    auto putAtRun = [&](const char* key, const std::optional<Enumerated>& value) {
        if (value)
            putEnumerated(json, key, *value);
        else
            json[key] = nullptr;
    };
    putAtRun("raid_at_run", schedule.raidAtRun);
    putAtRun("array_status_at_run", schedule.arrayStatusAtRun);
    return json;
}

Json toJson(const Problem& problem)
{
    return {{"verdict", static_cast<int>(problem.verdict)},
            {"verdict_text", Health::verdictText(problem.verdict)},
            {"text", problem.text}};
}

Json toJson(const AdapterState& state)
{
    Json json = toJson(state.adapter);
    json["arrays"] = listOf(state.arrays);
    json["disks"] = listOf(state.disks);
    return json;
}

Json toJson(const Snapshot& snapshot)
{
    Json json;
    Verdict verdict = snapshot.verdict();
    json["healthy"] = verdict == Verdict::Healthy;
    json["verdict"] = static_cast<int>(verdict);
    json["verdict_text"] = Health::verdictText(verdict);
    json["problems"] = listOf(snapshot.problems());
    json["adapters"] = listOf(snapshot.adapters);
    return json;
}

Json toJson(const ImageCheck& check)
{
    Json json;
    json["file"] = check.path;
    json["result"] = check.result;
    json["result_text"] = check.resultText;
    putEnumerated(json, "type", check.type);
    json["device_id"] = check.deviceId;
    json["version"] = check.version;
    json["adapter_device_id"] = check.adapterDevice;
    json["adapter_firmware"] = check.adapterFirmware;
    json["verdict"] = imageVerdictName(check.verdict);
    json["verdict_text"] = check.verdictText;
    return json;
}

Json toJson(const Plan& plan)
{
    Json json;
    json["action"] = plan.action;
    json["losses"] = plan.losses;
    json["notes"] = plan.notes;
    json["needs_confirmation"] = plan.needsConfirmation;
    json["confirmation_text"] = plan.needsConfirmation ? Json(plan.confirmationText) : Json(nullptr);
    switch (plan.override) {
    case Override::None: json["override"] = nullptr; break;
    case Override::MemberDisk: json["override"] = "member_disk"; break;
    case Override::Downgrade: json["override"] = "downgrade"; break;
    }
    json["override_reason"] = plan.override == Override::None ? Json(nullptr) : Json(plan.overrideReason);
    return json;
}

Json toJson(const Outcome& outcome)
{
    Json created = Json::object();
    for (const auto& [name, id] : outcome.created) created[name] = id;
    return {{"created", created}, {"done", outcome.done}, {"warnings", outcome.warnings}, {"partial", outcome.partial}};
}

}  // namespace zdfront
