// `zdctl events [--follow]`: the controller's new events with their class and
// severity texts; --follow keeps polling until interrupted.
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
#include "cli/TablePrinter.h"
#include "cli/Views.h"
#include "front/Enclosure.h"

namespace zdctl {

namespace {

constexpr auto kFollowInterval = std::chrono::milliseconds(500);
// Time stamps from this value on are taken as seconds since 1970.
constexpr uint64_t kEpochTimes = 946684800;  // 2000-01-01

// "EvtSeverity" values.
Color severityColor(uint64_t severity)
{
    if (severity >= 6) return Color::Red;
    if (severity == 3) return Color::Yellow;
    return Color::None;
}

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

int follow(Context& context)
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

}  // namespace

int runEvents(Context& context, Args& args)
{
    bool following = args.flag("follow");
    args.finish({"follow"});
    if (following) return follow(context);

    std::vector<zdfront::Event> events = zdfront::Enclosure::readEvents(context.session());
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

}  // namespace zdctl
