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
#include "cli/TablePrinter.h"
#include "cli/Views.h"
#include "front/ActivityActions.h"
#include "front/ArrayActions.h"
#include "front/Enclosure.h"
#include "front/Validation.h"

namespace zdctl {

namespace {

using namespace zdfront;

constexpr size_t kMaxCreateDisks = 128;
constexpr size_t kMaxRebuildDisks = 160;
constexpr size_t kMaxMigrateDisks = 192;

std::string arrayKey(uint64_t id) { return std::to_string(id); }

void requireArray(Context& context, uint64_t id) { Enclosure::readArray(context.session(), id, false); }

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

void showPreview(Context& context, const std::optional<Capacity>& preview, const std::string& title)
{
    if (!context.table()) return;
    context.out() << "Capacity preview: " << title << "\n";
    if (!preview) {
        context.out() << "  not available from this bridge build\n";
        return;
    }
    FieldList fields(context.terminal());
    fields.add("  Available", context.size(preview->available), preview->available ? Color::Green : Color::Red);
    fields.add("  Redundancy", context.size(preview->redundancy));
    fields.add("  Unused", context.size(preview->unused));
    fields.print(context.out());
    if (preview->available == 0)
        context.out() << "  The controller would give no capacity: the RAID level does not fit these disks.\n";
}

int done(Context& context, const std::string& command, uint64_t id, const std::string& message)
{
    context.emit({{"command", command}, {"adapter", context.adapter()}, {"array", id}});
    if (context.table()) context.out() << message << "\n";
    return ExitOk;
}

void waitFor(Context& context, uint64_t id, bool wait)
{
    if (wait) ActivityWatch::followArray(context, id, true);
}

int list(Context& context, Args& args)
{
    args.finish();
    std::vector<Array> arrays = Enclosure::readArrays(context.session());
    Json items = Json::array();
    for (const Array& array : arrays) items.push_back(toJson(array));
    context.emit({{"command", "array list"}, {"adapter", context.adapter()}, {"arrays", items}});
    if (context.table()) {
        if (arrays.empty())
            context.out() << "No arrays on adapter " << context.adapter() << ".\n";
        else
            Views::printArrays(context, arrays);
    }
    return ExitOk;
}

int show(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    args.finish();
    Session& session = context.session();
    Array array = Enclosure::readArray(session, id);
    std::vector<Schedule> schedules = Enclosure::readSchedulesOf(session, id);
    Json json = toJson(array);
    Json scheduleJson = Json::array();
    for (const Schedule& schedule : schedules) scheduleJson.push_back(toJson(schedule));
    json["schedules"] = scheduleJson;
    context.emit({{"command", "array show"}, {"adapter", context.adapter()}, {"array", json}});
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

    context.out() << "\n";
    TablePrinter table(context.terminal());
    table.column("Slot", TablePrinter::Right).column("Disk", TablePrinter::Right).column("State")
        .column("Size", TablePrinter::Right).column("Role");
    size_t slot = 0;
    for (const ArrayMember& member : array.members)
        table.row({member.spare ? "-" : std::to_string(slot++), std::to_string(member.disk),
                   {member.status.text, Views::color(member.tone())},
                   member.present ? context.size(member.sizeSectors) : "-", member.spare ? "dedicated spare" : "member"});
    table.print(context.out());
    if (!schedules.empty()) {
        context.out() << "\n";
        TablePrinter scheduleTable(context.terminal());
        scheduleTable.column("Schedule", TablePrinter::Right).column("Activity").column("When");
        for (const Schedule& schedule : schedules)
            scheduleTable.row({std::to_string(schedule.index), schedule.activity.text, schedule.whenText()});
        scheduleTable.print(context.out());
    }
    return ExitOk;
}

int create(Context& context, Args& args)
{
    std::optional<std::string> name = args.option("name");
    std::optional<std::string> raidWord = args.option("raid");
    if (!name) throw CliError(ExitUsage, "--name is required");
    if (!raidWord) throw CliError(ExitUsage, "--raid is required (for example --raid 5)");
    bool dryRun = args.flag("dry-run");
    bool wait = args.flag("wait");
    args.finish({"name", "raid", "disks", "stripe", "init", "spare", "pd-cache", "dry-run", "wait"});

    RangeTexts& ranges = context.ranges();
    NewArray wanted;
    wanted.name = *name;
    wanted.raid = tableChoice(context, "RAID", *raidWord, "RAID level");
    wanted.disks = disksOption(args, kMaxCreateDisks);
    wanted.stripe = args.option("stripe") ? tableChoice(context, "StripeSize", *args.option("stripe"), "stripe size")
                                        : ranges.defaultNumber("StripeSize").value_or(64);
    wanted.init = args.option("init") ? tableChoice(context, "InitType", *args.option("init"), "init type")
                                    : ranges.defaultNumber("InitType").value_or(0);
    wanted.diskCache = args.option("pd-cache") ? onOff(*args.option("pd-cache"), "--pd-cache")
                                             : ranges.defaultNumber("PDCache").value_or(1);
    if (args.option("spare")) wanted.spare = Args::number(*args.option("spare"), "spare disk id");

    ArrayCreation creation(context.session(), wanted);
    showPreview(context, creation.preview(), creation.title());
    Json document;
    document["command"] = dryRun ? "array create --dry-run" : "array create";
    document["adapter"] = context.adapter();
    putEnumerated(document, "raid", {wanted.raid, ranges.text("RAID", wanted.raid)});
    document["disks"] = wanted.disks;
    document["preview"] = creation.preview() ? toJson(*creation.preview()) : Json(nullptr);
    context.emit(document);
    if (dryRun) {
        if (!creation.buildable()) throw CliError(ExitRefused, "the controller cannot build " + creation.title());
        return ExitOk;
    }
    Outcome outcome = creation.execute(context.session());
    uint64_t created = outcome.created.at("array");
    context.emit({{"array", created}, {"name", wanted.name}});
    if (context.table())
        context.out() << "Created array " << created << " \"" << wanted.name << "\": " << creation.title() << ", "
                      << ranges.text("StripeSize", wanted.stripe) << " stripe, " << ranges.text("InitType", wanted.init)
                      << " initialisation.\n";
    outcome.done.erase(outcome.done.begin());  // said above
    int code = context.report(outcome);
    if (wait) waitFor(context, created, true);
    return code;
}

int remove(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    args.finish();
    ArrayDeletion deletion(context.session(), id);
    Consent consent = context.confirm(deletion.plan());
    Outcome outcome = deletion.execute(context.session(), consent);
    context.emit({{"command", "array delete"}, {"adapter", context.adapter()}, {"array", id}});
    return context.report(outcome);
}

int initialise(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    bool wait = args.flag("wait");
    args.finish({"type", "wait"});
    uint64_t type = args.option("type") ? tableChoice(context, "InitType", *args.option("type"), "init type")
                                        : context.ranges().defaultNumber("InitType").value_or(0);
    ArrayInitialisation initialisation(context.session(), id, type);
    Consent consent = context.confirm(initialisation.plan());
    Outcome outcome = initialisation.execute(context.session(), consent);
    context.emit({{"command", "array init"}, {"adapter", context.adapter()}, {"array", id}});
    int code = context.report(outcome);
    waitFor(context, id, wait);
    return code;
}

int check(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    bool fix = args.flag("fix");
    bool wait = args.flag("wait");
    args.finish({"fix", "wait"});
    startCheck(context.session(), id, fix);
    uint64_t type = context.ranges().lookup("CheckType", fix ? "Check & Fix" : "Check Only").value_or(fix ? 1 : 0);
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
    startRebuild(context.session(), id, disks);
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
    args.finish({"raid", "disks", "dry-run", "wait"});
    uint64_t raid = tableChoice(context, "RAID", *raidWord, "RAID level");
    ArrayMigration migration(context.session(), id, raid, disks);
    showPreview(context, migration.preview(), migration.title());
    Json document;
    document["command"] = dryRun ? "array migrate --dry-run" : "array migrate";
    document["adapter"] = context.adapter();
    document["array"] = id;
    putEnumerated(document, "raid", {raid, context.ranges().text("RAID", raid)});
    document["disks"] = disks;
    document["preview"] = toJson(migration.preview());
    context.emit(document);
    if (dryRun) {
        if (!migration.possible()) throw CliError(ExitRefused, "the controller cannot migrate " + migration.title());
        return ExitOk;
    }
    if (!migration.possible()) throw CliError(ExitRefused, "the controller cannot migrate " + migration.title());
    Consent consent = context.confirm(migration.plan());
    int code = context.report(migration.execute(context.session(), consent));
    waitFor(context, id, wait);
    return code;
}

int control(Context& context, Args& args, const std::string& action)
{
    uint64_t id = args.nextNumber("array id");
    args.finish();
    controlActivity(context.session(), id, action);
    return done(context, "array " + action, id,
                "Array " + arrayKey(id) + ": " + context.ranges().text("BGAControl", *context.ranges().lookup("BGAControl", action)) +
                    " sent.");
}

int rename(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("array id");
    std::string name = args.next("new name");
    args.finish();
    Validation::name(name, kMaxArrayNameBytes, "an array name");
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
    requireArray(context, id);
    ActivityWatch::followArray(context, id, false);
    Array array = Enclosure::readArray(context.session(), id, false);
    Json document;
    document["command"] = "array wait";
    document["adapter"] = context.adapter();
    document["array"] = id;
    putEnumerated(document, "status", array.status);
    context.emit(document);
    if (context.table())
        context.out() << "Array " << id << " is " << context.terminal().paint(array.status.text, Views::color(array.tone()))
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
