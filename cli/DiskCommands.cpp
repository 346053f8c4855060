// `zdctl disk list|show ID [--smart]|cache ID on|off|spare ID [--array ID]|
//  unspare ID|free ID|patrol ID [--wait]|pause|resume|abort ID`.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/ActivityWatch.h"
#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "cli/FieldList.h"
#include "cli/TablePrinter.h"
#include "cli/Views.h"

namespace zdctl {

namespace {

Record requireDisk(Context& context, uint64_t id)
{
    const std::string key = std::to_string(id);
    return context.single("PD", key, "disk " + key + " of adapter " + std::to_string(context.adapter()));
}

void requireArray(Context& context, uint64_t id)
{
    const std::string key = std::to_string(id);
    context.single("PackageVD", key, "array " + key + " of adapter " + std::to_string(context.adapter()));
}

std::string hex2(uint64_t value)
{
    char text[8];
    std::snprintf(text, sizeof(text), "0x%02llX", static_cast<unsigned long long>(value));
    return text;
}

int done(Context& context, const std::string& command, uint64_t disk, const std::string& message)
{
    if (context.json()) {
        Json document;
        document["command"] = command;
        document["adapter"] = context.adapter();
        document["disk"] = disk;
        document["result"] = 0;
        context.emit(document);
    }
    if (context.table()) context.out() << message << "\n";
    return ExitOk;
}

int list(Context& context, Args& args)
{
    args.finish();
    std::vector<Record> disks = context.list("PD");
    std::map<uint64_t, uint64_t> owners = Views::diskOwners(context, context.list("PackageVD"));
    Json document;
    document["command"] = "disk list";
    document["adapter"] = context.adapter();
    document["disks"] = Json::array();
    TablePrinter table(context.terminal());
    table.column("Disk", TablePrinter::Right).column("Status").column("Size", TablePrinter::Right)
        .column("Array", TablePrinter::Right).column("Model").column("Serial").column("Activity");
    for (const Record& entry : disks) {
        std::optional<Record> full = context.trySingle("PD", entry.get("ID"));
        Record disk = full ? *full : entry;
        document["disks"].push_back(Views::diskJson(context, disk, owners));
        auto owner = owners.find(entry.number("ID"));
        std::string array = owner != owners.end() ? std::to_string(owner->second)
                            : disk.has("PackageVDID") ? "spare of " + disk.get("PackageVDID")
                                                      : "-";
        table.row({entry.get("ID"), Views::diskStatusCell(context, entry), context.size(entry.number("Size")), array,
                   disk.get("Model"), disk.get("Serial"), Views::diskActivity(context, disk)});
    }
    if (context.json()) context.emit(document);
    if (context.table()) {
        if (table.empty()) {
            context.out() << "No disks on adapter " << context.adapter() << ".\n";
        } else {
            table.print(context.out());
            context.sizeNote();
        }
    }
    return ExitOk;
}

struct SmartEntry {
    std::string id, name, value, worst, threshold, raw, flags;
};

std::vector<SmartEntry> smartEntries(const Record& disk)
{
    std::vector<std::string> ids = disk.list("SMARTID"), names = disk.list("SMARTAttributeName"),
                             values = disk.list("SMARTCurrentValue"), worst = disk.list("SMARTWorstValue"),
                             thresholds = disk.list("SMARTThresholdValue"), raw0 = disk.list("SMARTRawValue0"),
                             raw1 = disk.list("SMARTRawValue1"), flags = disk.list("SMARTStatusFlags");
    auto at = [](const std::vector<std::string>& list, size_t i) { return i < list.size() ? list[i] : std::string(); };
    std::vector<SmartEntry> entries;
    for (size_t i = 0; i < ids.size(); ++i) {
        uint64_t raw = Answer::toNumber(at(raw1, i)).value_or(0) * 256 + Answer::toNumber(at(raw0, i)).value_or(0);
        entries.push_back({ids[i], at(names, i), at(values, i), at(worst, i), at(thresholds, i), std::to_string(raw),
                           hex2(Answer::toNumber(at(flags, i)).value_or(0))});
    }
    return entries;
}

int show(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("disk id");
    bool smart = args.flag("smart");
    args.finish({"smart"});
    Record disk = requireDisk(context, id);
    std::vector<SmartEntry> entries = smartEntries(disk);
    bool smartRead = disk.number("PDSMART") != 0;

    if (context.json()) {
        Json json = Views::diskJson(context, disk, {});
        json.erase("array");
        json["device_type"] = disk.number("DeviceType");
        json["device_type_text"] = context.ranges().text("DeviceType", disk.number("DeviceType"));
        json["features"] = disk.number("Feature");
        json["features_text"] = context.ranges().flags("PDFeature", disk.number("Feature"));
        json["firmware"] = disk.get("Firmware");
        json["current_speed"] = disk.number("CurrentSpeed");
        json["parent"] = {{"id", disk.number("ParentID")},
                          {"device_type", disk.number("ParentDeviceType")},
                          {"port", disk.number("ParentPort")}};
        if (smart) {
            Json table = Json::array();
            auto n = [](const std::string& text) { return Answer::toNumber(text).value_or(0); };
            for (const SmartEntry& e : entries)
                table.push_back({{"id", n(e.id)}, {"name", e.name}, {"value", n(e.value)}, {"worst", n(e.worst)},
                                 {"threshold", n(e.threshold)}, {"raw", n(e.raw)}, {"flags", e.flags}});
            json["smart"] = smartRead ? table : Json(nullptr);
        }
        Json document;
        document["command"] = "disk show";
        document["adapter"] = context.adapter();
        document["disk"] = json;
        context.emit(document);
    }
    if (!context.table()) return ExitOk;

    FieldList fields(context.terminal());
    fields.add("Disk", disk.get("ID"));
    TablePrinter::Cell status = Views::diskStatusCell(context, disk);
    fields.add("Status", status.text, status.color);
    if (disk.has("PackageVDID")) fields.add("Spare of array", disk.get("PackageVDID"));
    fields.add("Size", context.size(disk.number("Size")));
    fields.add("Model", disk.get("Model"));
    fields.add("Serial", disk.get("Serial"));
    fields.add("Firmware", disk.get("Firmware"));
    fields.add("Device type", context.ranges().text("DeviceType", disk.number("DeviceType")));
    fields.add("Features", context.ranges().flags("PDFeature", disk.number("Feature")));
    fields.add("Current speed", disk.get("CurrentSpeed"));
    fields.add("Parent", "id " + disk.get("ParentID") + ", type " + disk.get("ParentDeviceType") + ", port " +
                             disk.get("ParentPort"));
    fields.add("Activity", Views::diskActivity(context, disk));
    fields.print(context.out());
    if (smart) {
        context.out() << "\n";
        if (!smartRead) {
            context.out() << "No SMART data (SMART polling is off, or the disk gave none).\n";
        } else {
            TablePrinter table(context.terminal());
            table.column("ID", TablePrinter::Right).column("Attribute").column("Value", TablePrinter::Right)
                .column("Worst", TablePrinter::Right).column("Threshold", TablePrinter::Right)
                .column("Raw", TablePrinter::Right).column("Flags");
            for (const SmartEntry& e : entries) table.row({e.id, e.name, e.value, e.worst, e.threshold, e.raw, e.flags});
            table.print(context.out());
        }
    }
    context.sizeNote();
    return ExitOk;
}

int cache(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("disk id");
    std::string setting = args.next("cache setting (on or off)");
    args.finish();
    uint64_t value = 0;
    if (setting == "on")
        value = 1;
    else if (setting != "off")
        throw CliError(ExitUsage, "disk cache takes on or off");
    requireDisk(context, id);
    context.command(Request("PDConfig").field("ID", id).field("PDCache", value), "disk cache setting");
    return done(context, "disk cache", id, "Disk " + std::to_string(id) + ": write cache " + setting + ".");
}

int spare(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("disk id");
    std::optional<std::string> array = args.option("array");
    args.finish({"array"});
    requireDisk(context, id);
    if (array) {
        uint64_t arrayId = Args::number(*array, "array id");
        requireArray(context, arrayId);
        context.command(Request("PackageVDDSpare").field("PackageVDID", arrayId).field("DiskID", id),
                        "dedicated spare");
        return done(context, "disk spare", id,
                    "Disk " + std::to_string(id) + " is now a dedicated spare of array " + *array + ".");
    }
    context.command(Request("SparePD").field("DiskID", id), "global spare");
    return done(context, "disk spare", id, "Disk " + std::to_string(id) + " is now a global spare.");
}

int unspare(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("disk id");
    args.finish();
    requireDisk(context, id);
    context.command(Request("FreePD").field("DiskID", id), "freeing the spare");
    return done(context, "disk unspare", id, "Disk " + std::to_string(id) + " is a free disk again.");
}

int wipe(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("disk id");
    args.finish();
    requireDisk(context, id);
    context.confirm("wipe the RAID metadata of disk " + std::to_string(id));
    context.command(Request("SetPDFree").field("ID", id), "wiping the disk");
    return done(context, "disk free", id, "Disk " + std::to_string(id) + ": RAID metadata wiped; it is free.");
}

int patrol(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("disk id");
    bool wait = args.flag("wait");
    args.finish({"wait"});
    requireDisk(context, id);
    context.command(Request("MediaPatrolPD").field("ID", id), "media patrol");
    int code = done(context, "disk patrol", id, "Disk " + std::to_string(id) + ": media patrol started.");
    if (wait) ActivityWatch::followDisk(context, static_cast<uint16_t>(id), true);
    return code;
}

int control(Context& context, Args& args, const std::string& action)
{
    uint64_t id = args.nextNumber("disk id");
    args.finish();
    requireDisk(context, id);
    std::optional<uint64_t> code = context.ranges().lookup("BGAControl", action);
    if (!code) throw CliError(ExitFailure, "the bridge's \"BGAControl\" table has no '" + action + "'");
    context.command(Request("PDBGAControl").field("PDID", id).field("BGAControl", *code), "disk activity " + action);
    return done(context, "disk " + action, id,
                "Disk " + std::to_string(id) + ": " + context.ranges().text("BGAControl", *code) + " sent.");
}

}  // namespace

int runDisk(Context& context, Args& args)
{
    std::string action = args.next("disk action (list, show, cache, spare, unspare, free, patrol, pause, resume, abort)");
    if (action == "list") return list(context, args);
    if (action == "show") return show(context, args);
    if (action == "cache") return cache(context, args);
    if (action == "spare") return spare(context, args);
    if (action == "unspare") return unspare(context, args);
    if (action == "free") return wipe(context, args);
    if (action == "patrol") return patrol(context, args);
    if (action == "pause" || action == "resume" || action == "abort") return control(context, args, action);
    throw CliError(ExitUsage, "unknown disk action '" + action + "'");
}

}  // namespace zdctl
