// `zdctl events [--since WHEN] [--severity LEVEL] [--follow]`: zdmond's event
// history when there is one (all adapters unless -a names one), otherwise
// the controller's new events drained directly (--direct forces that, on
// systems without the daemon; refused while zdmond runs, see
// cli/MonitorPresence.h). --follow keeps polling until interrupted.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "cli/Interruption.h"
#include "cli/MonitorPresence.h"
#include "cli/TablePrinter.h"
#include "cli/Views.h"
#include "front/Enclosure.h"
#include "front/EventHistory.h"
#include "front/MonitorLock.h"
#include "front/StoredEvent.h"

namespace zdctl {

namespace {

constexpr auto kFollowInterval = std::chrono::milliseconds(500);
// Time stamps from this value on are taken as seconds since 1970.
constexpr uint64_t kEpochTimes = 946684800;  // 2000-01-01

Color severityColor(uint64_t severity) { return Views::color(zdfront::Health::eventTone(severity)); }

std::string timeText(uint64_t stamp)
{
    if (stamp < kEpochTimes) return std::to_string(stamp);
    std::time_t time = static_cast<std::time_t>(stamp);
    std::tm local{};
    localtime_r(&time, &local);
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// What happened, and the sense data of a disk's event.
std::string details(const zdfront::Event& event)
{
    if (event.senseData.empty()) return event.text;
    return event.text + ", sense " + Views::joined(event.senseData, " ");
}

std::vector<TablePrinter::Cell> eventCells(const zdfront::Event& event)
{
    return {std::to_string(event.index),
            timeText(event.time),
            event.eventClass.text,
            {event.severity.text, severityColor(event.severity.value)},
            std::to_string(event.code),
            event.deviceText,
            details(event)};
}

TablePrinter eventTable(Context& context)
{
    TablePrinter table(context.terminal());
    table.column("Index", TablePrinter::Right).column("Time").column("Class").column("Severity")
        .column("Code", TablePrinter::Right).column("Device").column("Event");
    return table;
}

// Rows printed as they arrive cannot be measured first: fixed column widths.
std::string fixedRow(Context& context, const std::vector<TablePrinter::Cell>& cells, bool header)
{
    static const int widths[] = {-6, 19, 10, 8, -5, 16};
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) {
        std::string text = cells[i].text;
        if (i < sizeof(widths) / sizeof(widths[0])) {
            size_t width = static_cast<size_t>(std::abs(widths[i]));
            if (text.size() < width)
                text = widths[i] < 0 ? std::string(width - text.size(), ' ') + text
                                     : text + std::string(width - text.size(), ' ');
        }
        line += (i ? "  " : "") + context.terminal().paint(text, header ? Color::Bold : cells[i].color);
    }
    return line;
}

bool wanted(const zdfront::Event& event, const zdfront::HistoryQuery& query)
{
    return (!query.since || static_cast<int64_t>(event.time) >= *query.since) &&
           (!query.minSeverity || event.severity.value >= *query.minSeverity);
}

int follow(Context& context, const zdfront::HistoryQuery& query)
{
    Interruption interruption;
    context.streamLines();
    if (context.table()) {
        context.out() << "Following events of adapter " << context.adapter() << " (Ctrl-C ends).\n";
        context.out() << fixedRow(context, {"Index", "Time", "Class", "Severity", "Code", "Device", "Event"}, true)
                      << std::endl;
    }
    while (!interruption.interrupted()) {
        for (const zdfront::Event& event : zdfront::Enclosure::readEvents(context.session())) {
            if (!wanted(event, query)) continue;
            if (context.json()) {
                Json line;
                line["format_version"] = Output::kFormatVersion;
                line.update(zdfront::toJson(event));
                context.out() << line.dump() << std::endl;
            } else if (context.table()) {
                context.out() << fixedRow(context, eventCells(event), false) << std::endl;
            }
        }
        context.out().flush();
        interruption.wait(kFollowInterval);
    }
    return ExitOk;
}

// The controller's new events, drained by this process (no zdmond history).
int showDirect(Context& context, const zdfront::HistoryQuery& query, bool following)
{
    if (following) return follow(context, query);

    std::vector<zdfront::Event> events;
    for (zdfront::Event& event : zdfront::Enclosure::readEvents(context.session()))
        if (wanted(event, query)) events.push_back(std::move(event));
    if (context.json()) {
        Json document;
        document["command"] = "events";
        document["adapter"] = context.adapter();
        document["events"] = Json::array();
        for (const zdfront::Event& event : events) document["events"].push_back(zdfront::toJson(event));
        context.emit(document);
    }
    if (context.table()) {
        if (events.empty()) {
            context.out() << "No new events on adapter " << context.adapter() << ".\n";
        } else {
            TablePrinter table = eventTable(context);
            for (const zdfront::Event& event : events) table.row(eventCells(event));
            table.print(context.out());
        }
    }
    return ExitOk;
}

// A stored event in the columns of the direct listing: a controller event's
// Device and Event as they read there, zdmond's own by its place and name.
std::vector<TablePrinter::Cell> historyCells(Context& context, const zdfront::HistoryEvent& stored)
{
    std::string device = "-", what = stored.message;
    if (std::optional<zdfront::Event> event = zdfront::controllerEvent(stored)) {
        device = event->deviceText;
        what = details(*event);
    } else if (stored.source != zdfront::kSourceController) {
        Json data = Json::parse(stored.data, nullptr, false);
        if (data.is_object() && data.contains("device") && data["device"].is_string()) device = data["device"];
        what = stored.name + ": " + stored.message;
    }
    return {std::to_string(stored.id),
            timeText(static_cast<uint64_t>(stored.time)),
            stored.source,
            std::to_string(stored.adapter),
            {context.session().ranges().text("EvtSeverity", stored.severity), severityColor(stored.severity)},
            device,
            what};
}

Json historyJson(Context& context, const zdfront::HistoryEvent& event)
{
    return zdfront::toJson(event, context.session().ranges());
}

// A history that no zdmond keeps lacks the controller's events since zdmond stopped.
void warnIfStale(Context& context, const std::string& path)
{
    try {
        if (zdfront::MonitorLock::holder(path)) return;
    } catch (const zdfront::LockError&) {
        return;  // it may well run
    }
    context.warn("zdmond is not running with " + path + ": the controller's events since it stopped are not in it "
                 "(zdctl events --direct reads them)");
}

int showHistory(Context& context, const zdfront::EventHistory& history, zdfront::HistoryQuery query, bool following)
{
    std::vector<zdfront::HistoryEvent> events = history.query(query);
    if (!following) {
        if (context.json()) {
            Json document;
            document["command"] = "events";
            document["history"] = history.path();
            document["history_events"] = Json::array();
            for (const zdfront::HistoryEvent& event : events) document["history_events"].push_back(historyJson(context, event));
            context.emit(document);
        } else if (context.table() && events.empty()) {
            context.out() << "No events in " << history.path() << " match.\n";
        } else if (context.table()) {
            TablePrinter table(context.terminal());
            table.column("Id", TablePrinter::Right).column("Time").column("Source").column("Adapter", TablePrinter::Right)
                .column("Severity").column("Device").column("Event");
            for (const zdfront::HistoryEvent& event : events) table.row(historyCells(context, event));
            table.print(context.out());
        }
        return ExitOk;
    }
    Interruption interruption;
    context.streamLines();
    if (context.table()) context.out() << "Following " << history.path() << " (Ctrl-C ends).\n";
    while (!interruption.interrupted()) {
        for (const zdfront::HistoryEvent& event : events) {
            if (context.json()) {
                Json line;
                line["format_version"] = Output::kFormatVersion;
                line.update(historyJson(context, event));
                context.out() << line.dump() << std::endl;
            } else if (context.table()) {
                std::string row;
                std::vector<TablePrinter::Cell> cells = historyCells(context, event);
                for (size_t i = 0; i < cells.size(); ++i)
                    row += (i ? "  " : "") + context.terminal().paint(cells[i].text, cells[i].color);
                context.out() << row << std::endl;
            }
            query.afterId = event.id;
        }
        context.out().flush();
        interruption.wait(kFollowInterval);
        events = history.query(query);
    }
    return ExitOk;
}

}  // namespace

int runEvents(Context& context, Args& args)
{
    const bool following = args.flag("follow");
    const bool direct = args.flag("direct");
    zdfront::HistoryQuery query;
    if (std::optional<std::string> since = args.option("since")) {
        query.since = zdfront::parseSince(*since, static_cast<int64_t>(std::time(nullptr)));
        if (!query.since)
            throw CliError(ExitUsage, "--since takes 30m, 2h, 7d, YYYY-MM-DD, \"YYYY-MM-DD HH:MM\" or @SECONDS, not '" +
                                          *since + "'");
    }
    if (std::optional<std::string> severity = args.option("severity")) {
        query.minSeverity = zdfront::parseSeverity(*severity);
        if (!query.minSeverity)
            throw CliError(ExitUsage, "--severity takes info, warning or critical, not '" + *severity + "'");
    }
    args.finish({"follow", "direct", "since", "severity"});

    const std::string path = MonitorPresence::history(context);
    if (!direct && (context.options().history || access(path.c_str(), F_OK) == 0)) {
        if (context.options().adapterGiven) query.adapter = context.options().adapter;
        try {
            zdfront::EventHistory history(path, zdfront::EventHistory::Mode::ReadOnly);
            warnIfStale(context, path);
            return showHistory(context, history, query, following);
        } catch (const zdfront::HistoryError& error) {
            throw CliError(access(path.c_str(), F_OK) != 0 ? ExitNotFound : ExitFailure, error.what());
        }
    }
    MonitorPresence::refuseDraining(context, direct ? "events --direct" : "events");
    context.session().requireAdapter();
    return showDirect(context, query, following);
}

}  // namespace zdctl
