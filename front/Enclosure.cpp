#include "front/Enclosure.h"

#include <map>
#include <set>

#include "front/Error.h"
#include "front/EventDescription.h"

namespace zdfront::Enclosure {

namespace {

constexpr uint64_t kScheduleDue = 1;          // "Status" of a schedule whose time has come

// "EvtClass" values: events of an adapter, a virtual disk, a disk, the
// adapter's flash and its enclosure.
constexpr uint64_t kClassAdapter = 0;
constexpr uint64_t kClassArray = 1;
constexpr uint64_t kClassDisk = 2;
constexpr uint64_t kClassFlash = 10;
constexpr uint64_t kClassEnclosure = 15;

Enumerated enumerated(Session& session, const char* table, uint64_t value)
{
    return {value, session.ranges().text(table, value)};
}

Enumerated field(Session& session, const Record& record, const char* name, const char* table)
{
    return enumerated(session, table, record.number(name));
}

std::vector<uint64_t> numbers(const std::vector<std::string>& items)
{
    std::vector<uint64_t> values;
    for (const std::string& item : items) values.push_back(Answer::toNumber(item).value_or(0));
    return values;
}

std::vector<Enumerated> enumeratedList(Session& session, const Record& record, const char* name, const char* table)
{
    std::vector<Enumerated> values;
    for (uint64_t value : numbers(record.list(name))) values.push_back(enumerated(session, table, value));
    return values;
}

std::optional<Activity> activity(Session& session, const Record& record, const char* typeField)
{
    uint64_t type = record.number(typeField);
    if (type == 0) return std::nullopt;
    Activity result;
    result.type = enumerated(session, typeField, type);
    result.status = field(session, record, "BGAStatus", "BGAStatus");
    result.percent = static_cast<unsigned>(std::min<uint64_t>(record.number("BGAPercentage"), 100));
    return result;
}

Array arrayFrom(Session& session, const Record& record)
{
    Array array;
    array.id = record.number("ID");
    array.name = record.get("Name");
    array.raid = field(session, record, "RAID", "RAID");
    array.status = field(session, record, "VDStatus", "VDStatus");
    array.sizeSectors = record.number("Size");
    array.disks = numbers(record.list("Disks"));
    array.spares = numbers(record.list("SpareDisks"));
    array.activity = activity(session, record, "VDBGAType");
    array.stripeSize = field(session, record, "StripeSize", "StripeSize");
    array.volumeCache = field(session, record, "VDCache", "VDCache");
    array.diskCache = field(session, record, "PDCache", "PDCache");
    array.usedSectors = record.number("Used");
    array.freeSectors = record.number("Available");
    if (record.has("TargetRAID"))
        array.migration = MigrationTarget{field(session, record, "TargetRAID", "RAID"), record.number("TargetSize"),
                                          numbers(record.list("TargetDisks"))};
    return array;
}

Disk diskFrom(Session& session, const Record& record);

void addDetail(Session& session, Array& array)
{
    if (std::optional<Record> split = session.trySingle("VDDistribution", std::to_string(array.id)))
        array.capacity = Capacity{split->number("Available"), split->number("Backup"), split->number("Unused")};
    std::map<uint64_t, Disk> disks;
    for (const Record& entry : session.list("PD")) {
        Disk disk = diskFrom(session, entry);
        disks[disk.id] = disk;
    }
    auto member = [&](uint64_t id, bool spare) {
        auto found = disks.find(id);
        if (found == disks.end()) return ArrayMember{id, spare, false, {0, "Missing"}, 0};
        return ArrayMember{id, spare, true, found->second.status, found->second.sizeSectors};
    };
    for (uint64_t id : array.disks) array.members.push_back(member(id, false));
    for (uint64_t id : array.spares) array.members.push_back(member(id, true));
}

std::vector<SmartAttribute> smartAttributes(const Record& disk)
{
    std::vector<uint64_t> ids = numbers(disk.list("SMARTID")), values = numbers(disk.list("SMARTCurrentValue")),
                          worst = numbers(disk.list("SMARTWorstValue")),
                          thresholds = numbers(disk.list("SMARTThresholdValue")),
                          raw0 = numbers(disk.list("SMARTRawValue0")), raw1 = numbers(disk.list("SMARTRawValue1")),
                          flags = numbers(disk.list("SMARTStatusFlags"));
    std::vector<std::string> names = disk.list("SMARTAttributeName");
    auto at = [](const auto& list, size_t i) { return i < list.size() ? list[i] : typename std::decay_t<decltype(list)>::value_type(); };
    std::vector<SmartAttribute> attributes;
    for (size_t i = 0; i < ids.size(); ++i)
        attributes.push_back({ids[i], at(names, i), at(values, i), at(worst, i), at(thresholds, i),
                              at(raw1, i) * 256 + at(raw0, i), at(flags, i)});
    return attributes;
}

Disk diskFrom(Session& session, const Record& record)
{
    Disk disk;
    disk.id = record.number("ID");
    disk.status = field(session, record, "PDStatus", "PDStatus");
    disk.sizeSectors = record.number("Size");
    if (record.has("PackageVDID")) disk.dedicatedSpareOf = record.number("PackageVDID");
    disk.activity = activity(session, record, "PDBGAType");
    disk.model = record.get("Model");
    disk.serial = record.get("Serial");
    disk.firmware = record.get("Firmware");
    disk.deviceType = field(session, record, "DeviceType", "DeviceType");
    disk.features = {record.number("Feature"), session.ranges().flags("PDFeature", record.number("Feature"))};
    disk.currentSpeed = record.number("CurrentSpeed");
    disk.parentId = record.number("ParentID");
    disk.parentDeviceType = record.number("ParentDeviceType");
    disk.parentPort = record.number("ParentPort");
    disk.smartRead = record.number("PDSMART") != 0;
    if (disk.smartRead) disk.smart = smartAttributes(record);
    return disk;
}

std::string adapterKey(Session& session) { return std::to_string(session.adapter()); }

// The array a virtual-disk event is about. The event carries the virtual
// disk's id, which the listings do not show, and its name, which is the
// array's: the array of that name, or among several of that name the one
// whose id is the virtual disk's.
std::optional<uint64_t> arrayNamed(const std::vector<Array>& arrays, const Event& event)
{
    if (!event.name) return std::nullopt;
    std::optional<uint64_t> found;
    size_t named = 0;
    for (const Array& array : arrays) {
        if (array.name != *event.name) continue;
        ++named;
        if (!found || array.id == event.device) found = array.id;
    }
    if (named > 1 && found != event.device) return std::nullopt;
    return found;
}

std::string arrayText(const Event& event)
{
    const std::string name = event.name ? " \"" + *event.name + "\"" : "";
    if (event.array) return "array " + std::to_string(*event.array) + name;
    if (event.name) return "array" + name;
    return "virtual disk " + std::to_string(event.device);
}

std::optional<Disk> presentDisk(Session& session, uint64_t id)
{
    std::optional<Record> record = session.trySingle("PD", std::to_string(id));
    if (!record) return std::nullopt;
    return diskFrom(session, *record);
}

// "disk 3 (ZDS DT4000-7K2, serial ZS1001280003)": the slot, and what tells
// the drive in it apart while it is there.
std::string diskText(const Event& event)
{
    std::string text = "disk " + std::to_string(event.device);
    std::vector<std::string> identity;
    if (!event.diskModel.empty()) identity.push_back(event.diskModel);
    if (!event.diskSerial.empty()) identity.push_back("serial " + event.diskSerial);
    if (identity.empty()) return text;
    text += " (" + identity[0];
    if (identity.size() > 1) text += ", " + identity[1];
    return text + ")";
}

Event eventFrom(Session& session, const Record& record)
{
    Event event;
    event.index = record.number("Index");
    event.adapter = record.number("AdapterID");
    event.time = record.number("TimeStamp");
    event.code = record.number("Code");
    event.device = record.number("DeviceID");
    event.eventClass = field(session, record, "Class", "EvtClass");
    event.severity = field(session, record, "Severity", "EvtSeverity");
    if (record.has("Name")) event.name = record.get("Name");
    if (record.has("Before") && record.has("After")) {
        event.raidBefore = field(session, record, "Before", "RAID");
        event.raidAfter = field(session, record, "After", "RAID");
    } else if (record.has("Before")) {
        event.raidBefore = Enumerated{record.number("Before"), record.get("Before")};
    }
    event.params = numbers(record.list("Params"));
    event.senseData = numbers(record.list("SenseDatas"));
    event.serial = record.get("Serial");
    return event;
}

// Names the device of each event of one read, reading the arrays and each
// disk at most once.
class DeviceNames {
public:
    explicit DeviceNames(Session& session) : m_session(session) {}

    void name(Event& event)
    {
        const std::string adapter = std::to_string(event.adapter);
        switch (event.eventClass.value) {
        case kClassAdapter:
        case kClassFlash: event.deviceText = "adapter " + adapter; break;
        case kClassEnclosure: event.deviceText = "enclosure of adapter " + adapter; break;
        case kClassArray:
            if (!m_arrays) m_arrays = readArrays(m_session);
            event.array = arrayNamed(*m_arrays, event);
            event.deviceText = arrayText(event);
            break;
        case kClassDisk: {
            auto known = m_disks.find(event.device);
            if (known == m_disks.end())
                known = m_disks.emplace(event.device, presentDisk(m_session, event.device)).first;
            if (known->second) {
                event.diskModel = known->second->model;
                event.diskSerial = known->second->serial;
            }
            event.deviceText = diskText(event);
            break;
        }
        default: event.deviceText = "device " + std::to_string(event.device);
        }
    }

private:
    Session& m_session;
    std::optional<std::vector<Array>> m_arrays;
    std::map<uint64_t, std::optional<Disk>> m_disks;
};

}  // namespace

std::vector<uint64_t> adapterIds(Session& session)
{
    std::vector<uint64_t> ids;
    for (const Record& adapter : session.list("Adapter")) ids.push_back(adapter.number("ID"));
    return ids;
}

Adapter readAdapter(Session& session)
{
    const std::string key = adapterKey(session);
    Record record = session.single("Adapter", key, "adapter " + key);
    Adapter adapter;
    adapter.id = record.number("ID", session.adapter());
    adapter.alias = record.get("Alias");
    adapter.serial = record.get("Serial");
    adapter.firmware = record.get("Firmware");
    adapter.bootloader = record.get("Bootloader");
    adapter.driver = record.get("Driver");
    adapter.nxpVersion = record.get("NXPVersion");
    adapter.link = field(session, record, "AdapterLinkType", "AdapterLinkType");
    adapter.vendor = record.number("Vendor");
    adapter.device = record.number("Device");
    adapter.subVendor = record.number("SubVendor");
    adapter.subDevice = record.number("SubDevice");
    adapter.revision = record.number("Revision");
    adapter.ports = record.number("PortCount");
    adapter.maxDisks = record.number("MaxPD");
    adapter.maxParityDisks = record.number("MaxParityDisks");
    adapter.raidLevels = enumeratedList(session, record, "SupportRAIDMode", "RAID");
    adapter.stripeSizes = enumeratedList(session, record, "SupportStripeSize", "StripeSize");
    adapter.alarm = record.number("AlarmStatus") != 0;
    adapter.autoRebuild = record.number("AutoRebuild") != 0;
    adapter.copyBack = record.number("CopyBack") != 0;
    adapter.smartPoll = record.number("SMARTPoll") != 0;
    adapter.identifySupported = record.number("SupportIdentify") != 0;
    adapter.speeds = {record.number("SyncSpeed"), record.number("InitSpeed"), record.number("RebuildSpeed"),
                      record.number("MigrateSpeed"), record.number("DiskCheckSpeed")};
    if (std::optional<Record> buzzer = session.trySingle("Buzzer", key))
        adapter.buzzerRinging = buzzer->number("RingStatus") != 0;
    return adapter;
}

std::vector<Array> readArrays(Session& session, bool detailed)
{
    std::vector<Array> arrays;
    for (const Record& entry : session.list("PackageVD")) {
        std::optional<Record> full = session.trySingle("PackageVD", entry.get("ID"));
        Array array = arrayFrom(session, full ? *full : entry);
        if (array.spares.empty()) array.spares = numbers(entry.list("SpareDisks"));
        if (detailed) addDetail(session, array);
        arrays.push_back(std::move(array));
    }
    return arrays;
}

Array readArray(Session& session, uint64_t id, bool detailed)
{
    const std::string key = std::to_string(id);
    Array array = arrayFrom(session, session.single("PackageVD", key, "array " + key + " of adapter " + adapterKey(session)));
    if (array.spares.empty()) {
        for (const Record& entry : session.list("PackageVD"))
            if (entry.number("ID") == id) array.spares = numbers(entry.list("SpareDisks"));
    }
    if (detailed) addDetail(session, array);
    return array;
}

std::vector<Disk> readDisks(Session& session, const std::vector<Array>& arrays, uint64_t slots)
{
    std::map<uint64_t, uint64_t> owners;
    for (const Array& array : arrays)
        for (uint64_t member : array.disks) owners[member] = array.id;

    std::map<uint64_t, Disk> bySlot;
    for (const Record& entry : session.list("PD")) {
        std::optional<Record> full = session.trySingle("PD", entry.get("ID"));
        Disk disk = diskFrom(session, full ? *full : entry);
        // A freed disk may still be listed by its former array until the array is rebuilt.
        if (auto owner = owners.find(disk.id); owner != owners.end() && Health::diskAssigned(disk.status.value))
            disk.array = owner->second;
        bySlot[disk.id] = std::move(disk);
    }
    for (uint64_t slot = 0; slot < slots; ++slot) {
        if (bySlot.count(slot)) continue;
        Disk empty;
        empty.id = slot;
        empty.present = false;
        empty.status = {0, "Empty slot"};
        bySlot[slot] = std::move(empty);
    }
    std::vector<Disk> disks;
    for (auto& entry : bySlot) disks.push_back(std::move(entry.second));
    return disks;
}

Disk readDisk(Session& session, uint64_t id, bool withArray)
{
    const std::string key = std::to_string(id);
    Disk disk = diskFrom(session, session.single("PD", key, "disk " + key + " of adapter " + adapterKey(session)));
    if (!withArray) return disk;
    for (const Array& array : readArrays(session))
        for (uint64_t member : array.disks)
            if (member == id && Health::diskAssigned(disk.status.value)) disk.array = array.id;
    return disk;
}

AdapterState readAdapterState(Session& session)
{
    AdapterState state;
    state.adapter = readAdapter(session);
    state.arrays = readArrays(session);
    state.disks = readDisks(session, state.arrays, state.adapter.maxDisks);
    return state;
}

Snapshot readSnapshot(Bridge& bridge)
{
    std::vector<uint64_t> ids;
    {
        Session session = bridge.session();
        ids = adapterIds(session);
    }
    Snapshot snapshot;
    for (uint64_t id : ids) {
        Session session = bridge.session(static_cast<unsigned>(id));
        snapshot.adapters.push_back(readAdapterState(session));
    }
    return snapshot;
}

Snapshot readSnapshot(Session& session)
{
    const unsigned selected = session.adapter();
    Snapshot snapshot;
    for (uint64_t id : adapterIds(session)) {
        session.selectAdapter(static_cast<unsigned>(id));
        snapshot.adapters.push_back(readAdapterState(session));
    }
    session.selectAdapter(selected);
    return snapshot;
}

std::vector<Event> readEvents(Session& session)
{
    std::vector<Event> events;
    DeviceNames names(session);
    for (const Record& record : session.events()) {
        Event event = eventFrom(session, record);
        names.name(event);
        describeEvent(event, session.ranges());
        events.push_back(std::move(event));
    }
    return events;
}

std::vector<Schedule> readSchedules(Session& session)
{
    std::vector<Schedule> schedules;
    for (const Record& record : session.list("Schedule")) {
        Schedule schedule;
        schedule.index = record.number("Index");
        schedule.adapter = record.number("AdapterID");
        schedule.adapterSerial = record.get("AdapterSN");
        schedule.target = record.number("PackageVDID");
        uint64_t type = record.number("VDBGAType");
        schedule.activity = type == Schedule::kDiskPatrol ? Enumerated{type, "Disk Media Patrol"}
                                                        : enumerated(session, "VDBGAType", type);
        schedule.repeat = field(session, record, "ScheduleType", "ScheduleType");
        schedule.time = record.get("SettingTime");
        schedule.date = record.get("SettingDate");
        schedule.day = record.number("SettingDateSupplement");
        schedule.lastStart = record.get("StartTime");
        uint64_t status = record.number("Status");
        schedule.status = status == kScheduleDue ? Enumerated{status, "due"}
                                                 : enumerated(session, "ScheduleStatus", status);
        schedule.result = field(session, record, "Result", "Error");
        if (record.has("RAID")) schedule.raidAtRun = field(session, record, "RAID", "RAID");
        if (record.has("VDStatus")) schedule.arrayStatusAtRun = field(session, record, "VDStatus", "VDStatus");
        schedules.push_back(std::move(schedule));
    }
    return schedules;
}

std::vector<Schedule> readSchedulesOf(Session& session, uint64_t arrayId)
{
    std::vector<Schedule> found;
    for (const Schedule& schedule : readSchedules(session))
        if (schedule.adapter == session.adapter() && !schedule.targetsDisk() && schedule.target == arrayId)
            found.push_back(schedule);
    return found;
}

Capacity readCapacity(Session& session, const Request& request)
{
    Record answer = session.condition(request);
    return {answer.number("Available"), answer.number("Backup"), answer.number("Unused")};
}

}  // namespace zdfront::Enclosure
