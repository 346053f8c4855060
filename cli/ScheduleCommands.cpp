// `zdctl schedule list|add …|remove INDEX|check`: the stored schedules of
// checks, initialisations and media patrols.
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "cli/TablePrinter.h"
#include "front/Enclosure.h"

namespace zdctl {

namespace {

// Activities a schedule can start ("VDBGAType" values; 33 patrols a disk).
struct Activity {
    const char* word;
    uint64_t type;
};
const Activity kActivities[] = {{"check", 4}, {"fix", 2}, {"init", 16}, {"patrol", 33}};
constexpr uint64_t kDiskPatrol = 33;

// "ScheduleType" values.
struct Repeat {
    const char* word;
    uint64_t type;
};
const Repeat kRepeats[] = {{"once", 0}, {"daily", 1}, {"weekly", 2}, {"monthly", 3}};

constexpr uint64_t kStoreFull = 4;

int list(Context& context, Args& args)
{
    args.finish();
    std::vector<zdfront::Schedule> schedules = zdfront::Enclosure::readSchedules(context.session());
    Json document;
    document["command"] = "schedule list";
    document["schedules"] = Json::array();
    TablePrinter table(context.terminal());
    table.column("Index", TablePrinter::Right).column("Adapter", TablePrinter::Right).column("Target", TablePrinter::Right)
        .column("Activity").column("When").column("Last start").column("Status").column("Result");
    for (const zdfront::Schedule& s : schedules) {
        document["schedules"].push_back(zdfront::toJson(s));
        table.row({std::to_string(s.index), std::to_string(s.adapter), std::to_string(s.target), s.activity.text,
                   s.whenText(), s.lastStart, s.status.text, s.result.value == 0 ? "-" : s.result.text});
    }
    if (context.json()) context.emit(document);
    if (context.table()) {
        if (table.empty())
            context.out() << "No schedules.\n";
        else
            table.print(context.out());
    }
    return ExitOk;
}

uint64_t digits(const std::string& text, size_t length, const std::string& what)
{
    if (text.size() != length) throw CliError(ExitUsage, what + " takes " + std::to_string(length) + " digits");
    return Args::number(text, what, UINT64_MAX);
}

int add(Context& context, Args& args)
{
    args.finish({"array", "disk", "activity", "repeat", "time", "date", "every", "day"});
    std::optional<std::string> activityWord = args.option("activity");
    if (!activityWord) throw CliError(ExitUsage, "--activity check|fix|init|patrol is required");
    const Activity* activity = nullptr;
    for (const Activity& a : kActivities)
        if (*activityWord == a.word) activity = &a;
    if (!activity) throw CliError(ExitUsage, "unknown activity '" + *activityWord + "' (check, fix, init, patrol)");

    std::optional<std::string> target = args.option(activity->type == kDiskPatrol ? "disk" : "array");
    if (!target)
        throw CliError(ExitUsage, activity->type == kDiskPatrol ? "--disk ID is required" : "--array ID is required");
    uint64_t targetId = Args::number(*target, "target id");

    const Repeat* repeat = nullptr;
    std::string repeatWord = args.option("repeat").value_or("once");
    for (const Repeat& r : kRepeats)
        if (repeatWord == r.word) repeat = &r;
    if (!repeat) throw CliError(ExitUsage, "unknown --repeat '" + repeatWord + "' (once, daily, weekly, monthly)");

    std::optional<std::string> time = args.option("time");
    if (!time) throw CliError(ExitUsage, "--time HHMM is required");
    uint64_t hhmm = digits(*time, 4, "--time");
    if (hhmm / 100 > 23 || hhmm % 100 > 59) throw CliError(ExitUsage, "invalid --time " + *time);

    std::string date;
    std::string supplement = "0";
    if (repeat->type == 0) {
        std::optional<std::string> day = args.option("date");
        if (!day) throw CliError(ExitUsage, "--date YYYYMMDD is required for a schedule that runs once");
        digits(*day, 8, "--date");
        date = *day;
    } else {
        date = std::to_string(Args::number(args.option("every").value_or("1"), "--every interval", 1000));
        if (repeat->type == 2 || repeat->type == 3) {
            std::optional<std::string> day = args.option("day");
            if (!day) throw CliError(ExitUsage, repeat->type == 2 ? "--day 0-6 (0 = Sunday) is required"
                                                                  : "--day 1-31 is required");
            uint64_t value = Args::number(*day, "--day", repeat->type == 2 ? 7 : 32);
            if (repeat->type == 3 && value == 0) throw CliError(ExitUsage, "--day takes 1 to 31");
            supplement = std::to_string(value);
        }
    }

    Request request("AddSchedule");
    request.field("AdapterID", context.adapter()).field("PackageVDID", targetId).field("VDBGAType", activity->type)
        .field("ScheduleType", repeat->type).field("SettingTime", *time).field("SettingDate", date)
        .field("SettingDateSupplement", supplement);
    uint8_t code = context.session().commandCode(request);
    if (code == kStoreFull) throw CliError(ExitRefused, "the schedule store is full (" + context.session().errorText(code) + ")");
    if (code != 0) {
        if (code == 6) throw CliError(ExitFailure, "command \"AddSchedule\": not supported by this bridge build");
        throw CliError(ExitRefused, "schedule refused: code " + std::to_string(code) + " (" + context.session().errorText(code) + ")");
    }
    if (context.json()) {
        Json document;
        document["command"] = "schedule add";
        document["result"] = 0;
        context.emit(document);
    }
    if (context.table()) context.out() << "Schedule added (see zdctl schedule list for its index).\n";
    return ExitOk;
}

int remove(Context& context, Args& args)
{
    std::string index = std::to_string(args.nextNumber("schedule index"));
    args.finish();
    bool stored = false;
    for (const zdfront::Schedule& schedule : zdfront::Enclosure::readSchedules(context.session()))
        if (std::to_string(schedule.index) == index) stored = true;
    if (!stored) throw CliError(ExitNotFound, "schedule " + index + " not found");
    context.session().command(Request("RemoveSchedule").field("Index", index), "schedule removal");
    if (context.json()) {
        Json document;
        document["command"] = "schedule remove";
        document["index"] = std::stoull(index);
        context.emit(document);
    }
    if (context.table()) context.out() << "Schedule " << index << " removed.\n";
    return ExitOk;
}

int check(Context& context, Args& args)
{
    args.finish();
    context.session().command(Request("CheckSchedule"), "schedule check");
    if (context.json()) {
        Json document;
        document["command"] = "schedule check";
        document["result"] = 0;
        context.emit(document);
    }
    if (context.table()) context.out() << "Due schedules started; results are in zdctl schedule list.\n";
    return ExitOk;
}

}  // namespace

int runSchedule(Context& context, Args& args)
{
    std::string action = args.next("schedule action (list, add, remove, check)");
    if (action == "list") return list(context, args);
    if (action == "add") return add(context, args);
    if (action == "remove") return remove(context, args);
    if (action == "check") return check(context, args);
    throw CliError(ExitUsage, "unknown schedule action '" + action + "'");
}

}  // namespace zdctl
