// `zdctl events [--follow]`: the controller's new events with their class and
// severity texts; --follow keeps polling until interrupted.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "cli/TablePrinter.h"
#include "cli/Views.h"

namespace zdctl {

namespace {

constexpr auto kFollowInterval = std::chrono::milliseconds(500);
// Time stamps from this value on are taken as seconds since 1970.
constexpr uint64_t kEpochTimes = 946684800;  // 2000-01-01

std::atomic<bool> g_stop{false};

void onSignal(int) { g_stop = true; }

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

std::string details(Context& context, const Record& event)
{
    std::vector<std::string> parts;
    if (event.has("Name")) parts.push_back("\"" + event.get("Name") + "\"");
    if (event.has("Before") && event.has("After"))
        parts.push_back(context.ranges().text("RAID", event.number("Before")) + " -> " +
                        context.ranges().text("RAID", event.number("After")));
    else if (event.has("Before"))
        parts.push_back("before " + event.get("Before"));
    if (event.has("Params")) parts.push_back("params " + Views::joined(event.list("Params"), " "));
    if (event.has("SenseDatas")) parts.push_back("sense " + Views::joined(event.list("SenseDatas"), " "));
    return parts.empty() ? "-" : Views::joined(parts, ", ");
}

Json eventJson(Context& context, const Record& event)
{
    Json json;
    json["index"] = event.number("Index");
    json["adapter"] = event.number("AdapterID");
    json["time"] = event.number("TimeStamp");
    json["class"] = event.number("Class");
    json["class_text"] = context.ranges().text("EvtClass", event.number("Class"));
    json["severity"] = event.number("Severity");
    json["severity_text"] = context.ranges().text("EvtSeverity", event.number("Severity"));
    json["code"] = event.number("Code");
    json["device"] = event.number("DeviceID");
    if (event.has("Name")) json["name"] = event.get("Name");
    if (event.has("Before")) json["raid_before"] = event.number("Before");
    if (event.has("After")) json["raid_after"] = event.number("After");
    auto numbers = [](const std::vector<std::string>& items) {
        Json list = Json::array();
        for (const std::string& item : items) list.push_back(Answer::toNumber(item).value_or(0));
        return list;
    };
    if (event.has("Params")) json["params"] = numbers(event.list("Params"));
    if (event.has("SenseDatas")) json["sense_data"] = numbers(event.list("SenseDatas"));
    json["serial"] = event.get("Serial");
    return json;
}

std::vector<TablePrinter::Cell> eventCells(Context& context, const Record& event)
{
    return {event.get("Index"),
            timeText(event.number("TimeStamp")),
            context.ranges().text("EvtClass", event.number("Class")),
            {context.ranges().text("EvtSeverity", event.number("Severity")), severityColor(event.number("Severity"))},
            event.get("Code"),
            event.get("DeviceID"),
            details(context, event)};
}

TablePrinter eventTable(Context& context)
{
    TablePrinter table(context.terminal());
    table.column("Index", TablePrinter::Right).column("Time").column("Class").column("Severity")
        .column("Code", TablePrinter::Right).column("Device", TablePrinter::Right).column("Details");
    return table;
}

// Rows printed as they arrive cannot be measured first: fixed column widths.
std::string fixedRow(Context& context, const std::vector<TablePrinter::Cell>& cells, bool header)
{
    static const int widths[] = {-6, 19, 10, 8, -5, -6};
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
    g_stop = false;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    if (context.table()) {
        context.out() << "Following events of adapter " << context.adapter() << " (Ctrl-C ends).\n";
        context.out() << fixedRow(context, {"Index", "Time", "Class", "Severity", "Code", "Device", "Details"}, true)
                      << std::endl;
    }
    while (!g_stop) {
        for (const Record& event : context.events()) {
            if (context.json()) {
                Json line;
                line["format_version"] = Context::kFormatVersion;
                line.update(eventJson(context, event));
                context.out() << line.dump() << std::endl;
            } else if (context.table()) {
                context.out() << fixedRow(context, eventCells(context, event), false) << std::endl;
            }
        }
        context.out().flush();
        for (int slice = 0; slice < 5 && !g_stop; ++slice) std::this_thread::sleep_for(kFollowInterval / 5);
    }
    return ExitOk;
}

}  // namespace

int runEvents(Context& context, Args& args)
{
    bool following = args.flag("follow");
    args.finish({"follow"});
    if (following) return follow(context);

    std::vector<Record> events = context.events();
    if (context.json()) {
        Json document;
        document["command"] = "events";
        document["adapter"] = context.adapter();
        document["events"] = Json::array();
        for (const Record& event : events) document["events"].push_back(eventJson(context, event));
        context.emit(document);
    }
    if (context.table()) {
        if (events.empty()) {
            context.out() << "No new events on adapter " << context.adapter() << ".\n";
        } else {
            TablePrinter table = eventTable(context);
            for (const Record& event : events) table.row(eventCells(context, event));
            table.print(context.out());
        }
    }
    return ExitOk;
}

}  // namespace zdctl
