// `zdctl array list|show|create|delete|init|check|rebuild|migrate|pause|
//  resume|abort|rename|cache|wait`.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "cli/ActivityWatch.h"
#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "cli/FieldList.h"
#include "front/Health.h"
#include "cli/TablePrinter.h"
#include "cli/Views.h"
#include "front/Enclosure.h"

namespace zdctl {

namespace {

constexpr size_t kMaxNameLength = 15;
constexpr size_t kMaxCreateDisks = 128;
constexpr size_t kMaxRebuildDisks = 160;
constexpr size_t kMaxMigrateDisks = 192;

std::string arrayKey(uint64_t id) { return std::to_string(id); }

Record requireArray(Context& context, uint64_t id)
{
    return context.session().single("PackageVD", arrayKey(id),
                          "array " + arrayKey(id) + " of adapter " + std::to_string(context.adapter()));
}

// A word of one of the bridge's tables ("5", "raid5", "RAID 10"; "background").
uint64_t tableChoice(Context& context, const char* table, const std::string& word, const std::string& what)
{
    std::optional<uint64_t> number = context.ranges().lookup(table, word);
    if (!number) throw CliError(ExitUsage, "unknown " + what + " '" + word + "' (choose from: " +
                                               context.ranges().choices(table) + ")");
    return *number;
}

uint64_t onOff(const std::string& word, const std::string& what)
{
    if (word == "on") return 1;
    if (word == "off") return 0;
    throw CliError(ExitUsage, what + " takes on or off");
}

// Parity disks the RAID level keeps: one per RAID 5 span, two per RAID 6 span.
uint64_t parityDisks(uint64_t raid)
{
    switch (raid) {
    case 5: return 1;
    case 6: return 2;
    case 80: return 2;
    case 96: return 4;
    default: return 0;
    }
}

std::vector<uint64_t> disksOption(const Args& args, size_t limit)
{
    std::optional<std::string> text = args.option("disks");
    if (!text) throw CliError(ExitUsage, "--disks is required (for example --disks 5,6,7)");
    std::vector<uint64_t> ids = Args::idList(*text, "disk list");
    if (ids.size() > limit) throw CliError(ExitUsage, "at most " + std::to_string(limit) + " disks");
    std::set<uint64_t> unique(ids.begin(), ids.end());
    if (unique.size() != ids.size()) throw CliError(ExitUsage, "a disk is listed twice in --disks");
    return ids;
}

zdfront::Capacity showPreview(Context& context, const Request& request, const std::string& title)
{
    zdfront::Capacity preview = zdfront::Enclosure::readCapacity(context.session(), request);
    if (context.table()) {
        context.out() << "Capacity preview: " << title << "\n";
        FieldList fields(context.terminal());
        fields.add("  Available", context.size(preview.available), preview.available ? Color::Green : Color::Red);
        fields.add("  Redundancy", context.size(preview.redundancy));
        fields.add("  Unused", context.size(preview.unused));
        fields.print(context.out());
        if (preview.available == 0)
            context.out() << "  The controller would give no capacity: the RAID level does not fit these disks.\n";
    }
    return preview;
}

int done(Context& context, const std::string& command, uint64_t id, const std::string& message)
{
    if (context.json()) {
        Json document;
        document["command"] = command;
        document["adapter"] = context.adapter();
        document["array"] = id;
        document["result"] = 0;
        context.emit(document);
    }
    if (context.table()) context.out() << message << "\n";
    return ExitOk;
}

void waitFor(Context& context, uint64_t id, bool wait)
{
    if (wait) ActivityWatch::followArray(context, static_cast<uint16_t>(id), true);
}

int list(Context& context, Args& args)
{
    args.finish();
    std::vector<zdfront::Array> arrays = zdfront::Enclosure::readArrays(context.session());
    if (context.json()) {
        Json document;
        document["command"] = "array list";
        document["adapter"] = context.adapter();
        document["arrays"] = Json::array();
        for (const zdfront::Array& array : arrays) document["arrays"].push_back(zdfront::toJson(array));
        context.emit(document);
    }
    if (context.table()) {
        if (arrays.empty()) {
            context.out() << "No arrays on adapter " << context.adapter() << ".\n";
        } else {
            Views::printArrays(context, arrays);
            context.sizeNote();
        }
    }
    return ExitOk;
}

int show(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    args.finish();
    zdfront::Array array = zdfront::Enclosure::readArray(context.session(), id);
    if (context.json()) {
        Json document;
        document["command"] = "array show";
        document["adapter"] = context.adapter();
        document["array"] = zdfront::toJson(array);
        context.emit(document);
    }
    if (!context.table()) return ExitOk;

    FieldList fields(context.terminal());
    fields.add("Array", std::to_string(array.id));
    fields.add("Name", array.name);
    fields.add("RAID", array.raid.text);
    TablePrinter::Cell status = Views::arrayStatusCell(array);
    fields.add("Status", status.text, status.color);
    fields.add("Size", context.size(array.sizeSectors));
    fields.add("Disks", Views::joined(array.disks));
    fields.add("Spare disks", array.spares.empty() ? "-" : Views::joined(array.spares));
    fields.add("Stripe size", array.stripeSize.text);
    fields.add("Volume cache", array.volumeCache.text);
    fields.add("Disk cache", array.diskCache.text);
    fields.add("Group used / free", context.size(array.usedSectors) + " / " + context.size(array.freeSectors));
    if (array.capacity) {
        fields.add("Capacity: available", context.size(array.capacity->available));
        fields.add("Capacity: redundancy", context.size(array.capacity->redundancy));
        fields.add("Capacity: unused", context.size(array.capacity->unused));
    }
    fields.add("Activity", Views::activityText(array.activity));
    if (array.migration)
        fields.add("Migrating to", array.migration->raid.text + " on disks " + Views::joined(array.migration->disks) +
                                       ", " + context.size(array.migration->sizeSectors));
    fields.print(context.out());
    context.sizeNote();
    return ExitOk;
}

std::set<uint64_t> arrayIds(Context& context)
{
    std::set<uint64_t> ids;
    for (const Record& array : context.session().list("PackageVD")) ids.insert(array.number("ID"));
    return ids;
}

int create(Context& context, Args& args)
{
    std::optional<std::string> name = args.option("name");
    std::optional<std::string> raidWord = args.option("raid");
    if (!name || name->empty()) throw CliError(ExitUsage, "--name is required");
    if (name->size() > kMaxNameLength) throw CliError(ExitUsage, "the name takes at most 15 characters");
    if (!raidWord) throw CliError(ExitUsage, "--raid is required (for example --raid 5)");
    std::vector<uint64_t> disks = disksOption(args, kMaxCreateDisks);
    bool dryRun = args.flag("dry-run");
    bool wait = args.flag("wait");
    args.finish({"name", "raid", "disks", "stripe", "init", "spare", "pd-cache", "parity", "dry-run", "wait"});

    zdfront::RangeTexts& ranges = context.ranges();
    uint64_t raid = tableChoice(context, "RAID", *raidWord, "RAID level");
    uint64_t parity = args.option("parity") ? Args::number(*args.option("parity"), "parity count", 256) : parityDisks(raid);
    uint64_t stripe = args.option("stripe") ? tableChoice(context, "StripeSize", *args.option("stripe"), "stripe size")
                                            : ranges.defaultNumber("StripeSize").value_or(64);
    uint64_t init = args.option("init") ? tableChoice(context, "InitType", *args.option("init"), "init type")
                                        : ranges.defaultNumber("InitType").value_or(0);
    uint64_t pdCache = args.option("pd-cache") ? onOff(*args.option("pd-cache"), "--pd-cache")
                                               : ranges.defaultNumber("PDCache").value_or(1);
    std::optional<uint64_t> spare;
    if (args.option("spare")) spare = Args::number(*args.option("spare"), "spare disk id");

    const std::string title = ranges.text("RAID", raid) + " on disks " + Views::joined(disks);
    Request target = Request("GetCreateTarget").field("RAID", raid).field("ParityNumber", parity).list("Disks", "ID", disks);
    std::optional<zdfront::Capacity> preview;
    try {
        preview = showPreview(context, target, title);
    } catch (const CliError& error) {
        if (dryRun || error.code() != ExitFailure) throw;
        context.err() << "zdctl: capacity preview: " << error.what() << "\n";
    }
    Json document;
    document["command"] = dryRun ? "array create --dry-run" : "array create";
    document["adapter"] = context.adapter();
    document["raid"] = raid;
    document["raid_text"] = ranges.text("RAID", raid);
    document["disks"] = disks;
    document["preview"] = preview ? zdfront::toJson(*preview) : Json(nullptr);
    if (dryRun) {
        if (context.json()) context.emit(document);
        if (context.table()) context.sizeNote();
        if (preview->available == 0) throw CliError(ExitRefused, "the controller cannot build " + title);
        return ExitOk;
    }

    std::set<uint64_t> before = arrayIds(context);
    Request request("CreatePackageVD");
    request.field("Name", *name).field("RAID", raid).field("ParityNumber", parity).list("Disks", "ID", disks)
        .field("StripeSize", stripe).field("InitType", init).field("PDCache", pdCache)
        .field("Spare", spare ? 1 : 0).field("SpareDiskID", spare.value_or(0));
    context.session().command(request, "array creation");
    std::optional<uint64_t> created;
    for (uint64_t id : arrayIds(context))
        if (!before.count(id)) created = id;

    document["array"] = created ? Json(*created) : Json(nullptr);
    document["name"] = *name;
    document["init"] = ranges.text("InitType", init);
    if (context.json()) context.emit(document);
    if (context.table())
        context.out() << "Created array " << (created ? std::to_string(*created) + " " : std::string()) << "\""
                      << *name << "\": " << title << ", " << ranges.text("StripeSize", stripe) << " stripe, "
                      << ranges.text("InitType", init) << " initialisation.\n";
    if (wait && created) waitFor(context, *created, true);
    if (context.table()) context.sizeNote();
    return ExitOk;
}

int remove(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    args.finish();
    Record array = requireArray(context, id);
    context.confirm("delete array " + arrayKey(id) + " \"" + array.get("Name") + "\" and all data on it");
    context.session().command(Request("DeletePackageVD").field("ID", id), "array deletion");
    return done(context, "array delete", id, "Deleted array " + arrayKey(id) + " \"" + array.get("Name") + "\".");
}

int initialise(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    bool wait = args.flag("wait");
    args.finish({"type", "wait"});
    Record array = requireArray(context, id);
    uint64_t type = args.option("type") ? tableChoice(context, "InitType", *args.option("type"), "init type")
                                        : context.ranges().defaultNumber("InitType").value_or(0);
    context.confirm("initialise array " + arrayKey(id) + " \"" + array.get("Name") + "\" (its data is erased)");
    context.session().command(Request("InitPackageVD").field("ID", id).field("InitType", type), "initialisation");
    int code = done(context, "array init", id,
                    "Array " + arrayKey(id) + ": " + context.ranges().text("InitType", type) + " initialisation started.");
    waitFor(context, id, wait);
    return code;
}

int check(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    bool fix = args.flag("fix");
    bool wait = args.flag("wait");
    args.finish({"fix", "wait"});
    requireArray(context, id);
    uint64_t type = context.ranges().lookup("CheckType", fix ? "Check & Fix" : "Check Only").value_or(fix ? 1 : 0);
    context.session().command(Request("CheckPackageVD").field("ID", id).field("CheckType", type), "consistency check");
    int code = done(context, "array check", id,
                    "Array " + arrayKey(id) + ": " + context.ranges().text("CheckType", type) + " started.");
    waitFor(context, id, wait);
    return code;
}

int rebuild(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    std::vector<uint64_t> disks = disksOption(args, kMaxRebuildDisks);
    bool wait = args.flag("wait");
    args.finish({"disks", "wait"});
    requireArray(context, id);
    context.session().command(Request("RebuildPackageVD").field("ID", id).list("Disks", "ID", disks), "rebuild");
    int code = done(context, "array rebuild", id,
                    "Array " + arrayKey(id) + ": rebuild onto disks " + Views::joined(disks) + " started.");
    waitFor(context, id, wait);
    return code;
}

int migrate(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    std::optional<std::string> raidWord = args.option("raid");
    if (!raidWord) throw CliError(ExitUsage, "--raid is required");
    std::vector<uint64_t> disks = disksOption(args, kMaxMigrateDisks);
    bool dryRun = args.flag("dry-run");
    bool wait = args.flag("wait");
    args.finish({"raid", "disks", "parity", "dry-run", "wait"});
    Record array = requireArray(context, id);
    uint64_t raid = tableChoice(context, "RAID", *raidWord, "RAID level");
    uint64_t parity = args.option("parity") ? Args::number(*args.option("parity"), "parity count", 256) : parityDisks(raid);

    const std::string title = "array " + arrayKey(id) + " from " + context.ranges().text("RAID", array.number("RAID")) +
                              " to " + context.ranges().text("RAID", raid) + " on disks " +
                              Views::joined(disks);
    // The array's volume is addressed by the array id, as everywhere in the front end.
    Request target = Request("GetMigrateTarget").field("ID", id).field("RAID", raid).field("ParityNumber", parity)
                         .list("Disks", "ID", disks);
    zdfront::Capacity preview = showPreview(context, target, title);
    Json document;
    document["command"] = dryRun ? "array migrate --dry-run" : "array migrate";
    document["adapter"] = context.adapter();
    document["array"] = id;
    document["raid"] = raid;
    document["raid_text"] = context.ranges().text("RAID", raid);
    document["disks"] = disks;
    document["preview"] = zdfront::toJson(preview);
    if (dryRun) {
        if (context.json()) context.emit(document);
        if (context.table()) context.sizeNote();
        if (preview.available == 0) throw CliError(ExitRefused, "the controller cannot migrate " + title);
        return ExitOk;
    }
    context.confirm("migrate " + title);
    context.session().command(Request("MigratePackageVD").field("ID", id).field("RAID", raid).field("ParityNumber", parity)
                        .list("Disks", "ID", disks),
                    "migration");
    if (context.json()) context.emit(document);
    if (context.table()) context.out() << "Migration of " << title << " started.\n";
    waitFor(context, id, wait);
    return ExitOk;
}

int control(Context& context, Args& args, const std::string& action)
{
    uint64_t id = args.nextNumber("array id");
    args.finish();
    requireArray(context, id);
    std::optional<uint64_t> code = context.ranges().lookup("BGAControl", action);
    if (!code) throw CliError(ExitFailure, "the bridge's \"BGAControl\" table has no '" + action + "'");
    context.session().command(Request("PackageVDBGAControl").field("PackageVDID", id).field("BGAControl", *code),
                    "activity " + action);
    return done(context, "array " + action, id,
                "Array " + arrayKey(id) + ": " + context.ranges().text("BGAControl", *code) + " sent.");
}

int rename(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    std::string name = args.next("new name");
    args.finish();
    if (name.empty() || name.size() > kMaxNameLength) throw CliError(ExitUsage, "the name takes 1 to 15 characters");
    requireArray(context, id);
    context.session().command(Request("PackageVDConfig").field("ID", id).field("Name", name), "rename");
    return done(context, "array rename", id, "Array " + arrayKey(id) + " is now \"" + name + "\".");
}

int cache(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    args.finish({"vd-cache", "pd-cache"});
    std::optional<std::string> vd = args.option("vd-cache"), pd = args.option("pd-cache");
    if (!vd && !pd)
        throw CliError(ExitUsage, "array cache needs --vd-cache " + context.ranges().choices("VDCache") +
                                      " and/or --pd-cache on|off");
    requireArray(context, id);
    Request request("PackageVDConfig");
    request.field("ID", id);
    std::string message = "Array " + arrayKey(id) + ":";
    if (vd) {
        uint64_t value = tableChoice(context, "VDCache", *vd, "volume cache policy");
        request.field("VDCache", value);
        message += " volume cache " + context.ranges().text("VDCache", value) + ";";
    }
    if (pd) {
        uint64_t value = onOff(*pd, "--pd-cache");
        request.field("PDCache", value);
        message += " disk cache " + context.ranges().text("PDCache", value) + ";";
    }
    context.session().command(request, "cache setting");
    message.back() = '.';
    return done(context, "array cache", id, message);
}

int wait(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    args.finish();
    uint64_t status = ActivityWatch::followArray(context, static_cast<uint16_t>(id), false);
    if (context.json()) {
        Json document;
        document["command"] = "array wait";
        document["adapter"] = context.adapter();
        document["array"] = id;
        document["status"] = status;
        document["status_text"] = context.ranges().text("VDStatus", status);
        context.emit(document);
    }
    if (context.table())
        context.out() << "Array " << id << " is " << context.terminal().paint(context.ranges().text("VDStatus", status),
                                                                            Views::color(zdfront::Health::arrayTone(status)))
                      << ".\n";
    return ExitOk;
}

}  // namespace

int runArray(Context& context, Args& args)
{
    std::string action = args.next("array action (list, show, create, delete, init, check, rebuild, migrate, pause, "
                                   "resume, abort, rename, cache, wait)");
    if (action == "list") return list(context, args);
    if (action == "show") return show(context, args);
    if (action == "create") return create(context, args);
    if (action == "delete") return remove(context, args);
    if (action == "init") return initialise(context, args);
    if (action == "check") return check(context, args);
    if (action == "rebuild") return rebuild(context, args);
    if (action == "migrate") return migrate(context, args);
    if (action == "pause" || action == "resume" || action == "abort") return control(context, args, action);
    if (action == "rename") return rename(context, args);
    if (action == "cache") return cache(context, args);
    if (action == "wait") return wait(context, args);
    throw CliError(ExitUsage, "unknown array action '" + action + "'");
}

}  // namespace zdctl
