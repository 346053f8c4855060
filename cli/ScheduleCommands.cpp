// `zdctl schedule list|add …|remove INDEX|check`: the stored schedules of
// checks, initialisations and media patrols. zdmond starts due schedules
// once a minute; `schedule check` starts them now.
#include <ctime>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "cli/TablePrinter.h"
#include "front/Enclosure.h"
#include "front/ScheduleActions.h"

namespace zdctl {

namespace {

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
                   s.whenText(), s.lastStartText(), s.status.text, s.resultText()});
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

int add(Context& context, Args& args)
{
    args.finish({"array", "disk", "activity", "repeat", "time", "date", "every", "day"});
    zdfront::NewSchedule wanted;
    std::optional<std::string> activity = args.option("activity");
    if (!activity) throw CliError(ExitUsage, std::string("--activity is required (") + zdfront::scheduleActivities() + ")");
    wanted.activity = *activity;
    std::optional<std::string> array = args.option("array"), disk = args.option("disk");
    if (array && disk) throw CliError(ExitUsage, "--array and --disk exclude each other");
    bool patrol = wanted.activity == "patrol";
    if (patrol && !disk) throw CliError(ExitUsage, "a patrol schedule takes --disk ID");
    if (!patrol && !array) throw CliError(ExitUsage, "a " + wanted.activity + " schedule takes --array ID");
    wanted.target = Args::number(patrol ? *disk : *array, patrol ? "disk id" : "array id");
    wanted.repeat = args.option("repeat").value_or("once");
    std::optional<std::string> time = args.option("time");
    if (!time) throw CliError(ExitUsage, "--time HHMM is required");
    wanted.time = *time;
    if (wanted.repeat == "once") {
        std::optional<std::string> date = args.option("date");
        if (!date) throw CliError(ExitUsage, "--date YYYYMMDD is required for a schedule that runs once");
        wanted.date = *date;
    } else if (args.option("date")) {
        throw CliError(ExitUsage, "--date is for a schedule that runs once; use --every and --day");
    }
    if (args.option("every")) wanted.every = Args::number(*args.option("every"), "--every interval", 1000);
    if (args.option("day")) wanted.day = Args::number(*args.option("day"), "--day", 32);

    zdfront::ScheduleAddition addition(context.session(), wanted, std::time(nullptr));
    zdfront::Consent consent = context.confirm(addition.plan());
    zdfront::Outcome outcome = addition.execute(context.session(), consent);
    context.emit({{"command", "schedule add"}, {"index", outcome.created.at("schedule")}});
    return context.report(outcome);
}

int remove(Context& context, Args& args)
{
    uint64_t index = args.nextNumber("schedule index", UINT64_MAX);
    args.finish();
    zdfront::Outcome outcome = zdfront::removeSchedule(context.session(), index);
    context.emit({{"command", "schedule remove"}, {"index", index}});
    return context.report(outcome);
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
