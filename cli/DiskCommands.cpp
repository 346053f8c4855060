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
#include "front/DiskActions.h"
#include "front/Enclosure.h"
#include "front/SpareActions.h"

namespace zdctl {

namespace {

Record requireDisk(Context& context, uint64_t id)
{
    const std::string key = std::to_string(id);
    return context.session().single("PD", key, "disk " + key + " of adapter " + std::to_string(context.adapter()));
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
    zdfront::Session& session = context.session();
    uint64_t slots = zdfront::Enclosure::readAdapter(session).maxDisks;
    std::vector<zdfront::Disk> disks =
        zdfront::Enclosure::readDisks(session, zdfront::Enclosure::readArrays(session), slots);
    if (context.json()) {
        Json document;
        document["command"] = "disk list";
        document["adapter"] = context.adapter();
        document["disks"] = Json::array();
        for (const zdfront::Disk& disk : disks) document["disks"].push_back(zdfront::toJson(disk));
        context.emit(document);
    }
    if (context.table()) {
        if (disks.empty()) {
            context.out() << "No disks on adapter " << context.adapter() << ".\n";
        } else {
            Views::printDisks(context, disks, true);
        }
    }
    return ExitOk;
}

int show(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("disk id");
    bool smart = args.flag("smart");
    args.finish({"smart"});
    zdfront::Disk disk = zdfront::Enclosure::readDisk(context.session(), id);

    if (context.json()) {
        Json document;
        document["command"] = "disk show";
        document["adapter"] = context.adapter();
        document["disk"] = zdfront::toJson(disk);
        context.emit(document);
    }
    if (!context.table()) return ExitOk;

    FieldList fields(context.terminal());
    fields.add("Disk", std::to_string(disk.id));
    TablePrinter::Cell status = Views::diskStatusCell(disk);
    fields.add("Status", status.text, status.color);
    if (disk.array) fields.add("Array", std::to_string(*disk.array));
    if (disk.dedicatedSpareOf) fields.add("Spare of array", std::to_string(*disk.dedicatedSpareOf));
    fields.add("Size", context.size(disk.sizeSectors));
    fields.add("Model", disk.model);
    fields.add("Serial", disk.serial);
    fields.add("Firmware", disk.firmware);
    fields.add("Device type", disk.deviceType.text);
    fields.add("Features", disk.features.text);
    fields.add("Current speed", std::to_string(disk.currentSpeed));
    fields.add("Parent", "id " + std::to_string(disk.parentId) + ", type " + std::to_string(disk.parentDeviceType) +
                             ", port " + std::to_string(disk.parentPort));
    fields.add("Activity", Views::activityText(disk.activity));
    fields.print(context.out());
    if (smart) {
        context.out() << "\n";
        if (!disk.smartRead) {
            context.out() << "No SMART data (SMART polling is off, or the disk gave none).\n";
        } else {
            TablePrinter table(context.terminal());
            table.column("ID", TablePrinter::Right).column("Attribute").column("Value", TablePrinter::Right)
                .column("Worst", TablePrinter::Right).column("Threshold", TablePrinter::Right)
                .column("Raw", TablePrinter::Right).column("Flags");
            for (const zdfront::SmartAttribute& a : disk.smart)
                table.row({std::to_string(a.id), a.name, std::to_string(a.value), std::to_string(a.worst),
                           std::to_string(a.threshold), std::to_string(a.raw), hex2(a.flags)});
            table.print(context.out());
            zdfront::SmartVerdict verdict = zdfront::smartVerdict(disk);
            context.out() << "\nSMART overall-health: "
                          << context.terminal().paint(zdfront::smartVerdictText(verdict),
                                                      verdict == zdfront::SmartVerdict::Failing ? Color::Red : Color::Green)
                          << "\n";
            for (const zdfront::SmartAttribute& a : disk.smart)
                if (a.failing())
                    context.out() << "  " << a.name << " (" << a.id << ") is at " << a.value << ", at or below its threshold "
                                  << a.threshold << "\n";
        }
    }
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
    context.session().command(Request("PDConfig").field("ID", id).field("PDCache", value), "disk cache setting");
    return done(context, "disk cache", id, "Disk " + std::to_string(id) + ": write cache " + setting + ".");
}

int spare(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("disk id");
    std::optional<std::string> array = args.option("array");
    args.finish({"array"});
    std::optional<uint64_t> arrayId;
    if (array) arrayId = Args::number(*array, "array id");
    zdfront::makeSpare(context.session(), id, arrayId);
    return done(context, "disk spare", id,
                "Disk " + std::to_string(id) + (array ? " is now a dedicated spare of array " + *array : " is now a global spare") +
                    ".");
}

int unspare(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("disk id");
    args.finish();
    zdfront::releaseSpare(context.session(), id);
    return done(context, "disk unspare", id, "Disk " + std::to_string(id) + " is a free disk again.");
}

int wipe(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("disk id");
    bool force = args.flag("force-member");
    args.finish({"force-member"});
    zdfront::DiskFreeing freeing(context.session(), id);
    zdfront::Consent consent = context.confirm(freeing.plan(), force, "--force-member");
    zdfront::Outcome outcome = freeing.execute(context.session(), consent);
    context.emit({{"command", "disk free"}, {"adapter", context.adapter()}, {"disk", id}});
    return context.report(outcome);
}

int patrol(Context& context, Args& args)
{
    uint64_t id = args.nextNumber("disk id");
    bool wait = args.flag("wait");
    args.finish({"wait"});
    requireDisk(context, id);
    context.session().command(Request("MediaPatrolPD").field("ID", id), "media patrol");
    int code = done(context, "disk patrol", id, "Disk " + std::to_string(id) + ": media patrol started.");
    if (wait) ActivityWatch::followDisk(context, id, true);
    return code;
}

int control(Context& context, Args& args, const std::string& action)
{
    uint64_t id = args.nextNumber("disk id");
    args.finish();
    requireDisk(context, id);
    std::optional<uint64_t> code = context.ranges().lookup("BGAControl", action);
    if (!code) throw CliError(ExitFailure, "the bridge's \"BGAControl\" table has no '" + action + "'");
    context.session().command(Request("PDBGAControl").field("PDID", id).field("BGAControl", *code), "disk activity " + action);
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
