// `zdctl status`: every adapter with its arrays, disks, alarm and running
// activities; exit code 5 when an array is degraded or offline or a disk failed.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "cli/TablePrinter.h"
#include "cli/Health.h"
#include "cli/Views.h"

namespace zdctl {

namespace {

struct AdapterState {
    Json json;
    std::vector<std::string> problems;
};

std::string onOff(uint64_t value) { return value ? "on" : "off"; }

AdapterState showAdapter(Context& context, uint64_t id)
{
    AdapterState state;
    const std::string key = std::to_string(id);
    context.selectAdapter(static_cast<unsigned>(id));
    std::optional<Record> adapter = context.trySingle("Adapter", key);
    Record info = adapter ? *adapter : Record("Adapter");
    std::optional<Record> buzzer = context.trySingle("Buzzer", key);

    std::vector<Record> arrays = context.list("PackageVD");
    std::vector<Record> disks = context.list("PD");
    std::map<uint64_t, uint64_t> owners = Views::diskOwners(context, arrays);
    std::vector<Record> diskDetails;
    for (const Record& disk : disks) {
        std::optional<Record> full = context.trySingle("PD", disk.get("ID"));
        Record detail = disk;
        if (full) {
            detail.setValue("PDBGAType", full->get("PDBGAType"));
            detail.setValue("BGAStatus", full->get("BGAStatus"));
            detail.setValue("BGAPercentage", full->get("BGAPercentage"));
        }
        diskDetails.push_back(detail);
    }

    for (const Record& array : arrays)
        if (Health::arrayUnhealthy(array.number("VDStatus")))
            state.problems.push_back("adapter " + key + " array " + array.get("ID") + " is " +
                                     context.ranges().text("VDStatus", array.number("VDStatus")));
    for (const Record& disk : disks)
        if (Health::diskFailed(disk.number("PDStatus")))
            state.problems.push_back("adapter " + key + " disk " + disk.get("ID") + " is " +
                                     context.ranges().text("PDStatus", disk.number("PDStatus")));

    Json& json = state.json;
    json["id"] = id;
    json["alias"] = info.get("Alias");
    json["serial"] = info.get("Serial");
    json["link"] = context.ranges().text("AdapterLinkType", info.number("AdapterLinkType"));
    json["firmware"] = info.get("Firmware");
    json["alarm"] = info.number("AlarmStatus") != 0;
    json["buzzer_ringing"] = buzzer ? Json(buzzer->number("RingStatus") != 0) : Json(nullptr);
    json["arrays"] = Json::array();
    for (const Record& array : arrays) json["arrays"].push_back(Views::arrayJson(context, array));
    json["disks"] = Json::array();
    for (const Record& disk : diskDetails) json["disks"].push_back(Views::diskJson(context, disk, owners));

    if (!context.table()) return state;
    std::ostream& out = context.out();
    const Terminal& terminal = context.terminal();
    out << terminal.paint("Adapter " + key, Color::Bold);
    if (!info.get("Alias").empty()) out << "  \"" << info.get("Alias") << "\"";
    out << "  " << json["link"].get<std::string>() << "  firmware " << info.get("Firmware") << "  serial "
        << info.get("Serial") << "\n";
    out << "  Alarm: " << onOff(info.number("AlarmStatus"));
    if (buzzer)
        out << ", buzzer " << (buzzer->number("RingStatus") ? terminal.paint("ringing", Color::Red) : "silent");
    out << "\n\n";

    TablePrinter arrayTable(terminal);
    arrayTable.column("Array", TablePrinter::Right).column("Name").column("RAID").column("Status")
        .column("Size", TablePrinter::Right).column("Disks", TablePrinter::Right).column("Spares").column("Activity");
    for (const Record& array : arrays)
        arrayTable.row({array.get("ID"), array.get("Name"), context.ranges().text("RAID", array.number("RAID")),
                        Views::arrayStatusCell(context, array), context.size(array.number("Size")),
                        array.get("PDCount"), Views::joined(array.list("SpareDisks")),
                        Views::arrayActivity(context, array)});
    if (arrayTable.empty())
        out << "  No arrays.\n";
    else
        arrayTable.print(out, "  ");
    out << "\n";

    TablePrinter diskTable(terminal);
    diskTable.column("Disk", TablePrinter::Right).column("Status").column("Size", TablePrinter::Right)
        .column("Array", TablePrinter::Right).column("Activity");
    for (const Record& disk : diskDetails) {
        auto owner = owners.find(disk.number("ID"));
        diskTable.row({disk.get("ID"), Views::diskStatusCell(context, disk), context.size(disk.number("Size")),
                       owner == owners.end() ? "-" : std::to_string(owner->second),
                       Views::diskActivity(context, disk)});
    }
    if (diskTable.empty())
        out << "  No disks.\n";
    else
        diskTable.print(out, "  ");
    out << "\n";
    return state;
}

}  // namespace

int runStatus(Context& context, Args& args)
{
    args.finish();
    std::vector<Record> adapters = context.list("Adapter");
    Json document;
    document["command"] = "status";
    document["adapters"] = Json::array();
    std::vector<std::string> problems;
    for (const Record& adapter : adapters) {
        AdapterState state = showAdapter(context, adapter.number("ID"));
        document["adapters"].push_back(state.json);
        problems.insert(problems.end(), state.problems.begin(), state.problems.end());
    }
    document["healthy"] = problems.empty();
    document["problems"] = problems;

    if (context.json()) context.emit(document);
    if (context.table()) {
        if (adapters.empty()) context.out() << "No adapters found.\n";
        const Terminal& terminal = context.terminal();
        if (problems.empty())
            context.out() << "Health: " << terminal.paint("OK", Color::Green) << "\n";
        else
            context.out() << "Health: " << terminal.paint("UNHEALTHY", Color::Red) << " (" << Views::joined(problems, "; ")
                          << ")\n";
        context.sizeNote();
    }
    return problems.empty() ? ExitOk : ExitUnhealthy;
}

}  // namespace zdctl
