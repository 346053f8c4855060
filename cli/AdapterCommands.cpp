// `zdctl adapter list|show|set KEY=VALUE…|rescan|identify|buzzer-off`.
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "cli/FieldList.h"
#include "cli/TablePrinter.h"
#include "cli/Views.h"
#include "front/AdapterSettings.h"
#include "front/Enclosure.h"

namespace zdctl {

namespace {

std::string hex4(uint64_t value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%04llX", static_cast<unsigned long long>(value));
    return text;
}

std::string onOff(bool value) { return value ? "on" : "off"; }

std::string texts(const std::vector<zdfront::Enumerated>& values)
{
    std::vector<std::string> result;
    for (const zdfront::Enumerated& value : values) result.push_back(value.text);
    return Views::joined(result);
}

int list(Context& context, Args& args)
{
    args.finish();
    zdfront::Session& session = context.session();
    std::vector<zdfront::Adapter> adapters;
    const unsigned selected = session.adapter();
    for (uint64_t id : zdfront::Enclosure::adapterIds(session)) {
        session.selectAdapter(static_cast<unsigned>(id));
        adapters.push_back(zdfront::Enclosure::readAdapter(session));
    }
    session.selectAdapter(selected);
    Json document;
    document["command"] = "adapter list";
    document["adapters"] = Json::array();
    TablePrinter table(context.terminal());
    table.column("ID", TablePrinter::Right).column("Alias").column("Link").column("Firmware").column("Serial")
        .column("Max disks", TablePrinter::Right);
    for (const zdfront::Adapter& adapter : adapters) {
        document["adapters"].push_back(zdfront::toJson(adapter));
        table.row({std::to_string(adapter.id), adapter.alias, adapter.link.text, adapter.firmware, adapter.serial,
                   std::to_string(adapter.maxDisks)});
    }
    if (context.json()) context.emit(document);
    if (context.table()) {
        if (table.empty())
            context.out() << "No adapters found.\n";
        else
            table.print(context.out());
    }
    return ExitOk;
}

int show(Context& context, Args& args)
{
    std::optional<std::string> word = args.nextOptional();
    args.finish();
    zdfront::Session& session = context.session();
    const unsigned selected = session.adapter();
    if (word) session.selectAdapter(static_cast<unsigned>(Args::number(*word, "adapter id", 256)));
    zdfront::Adapter adapter = zdfront::Enclosure::readAdapter(session);
    session.selectAdapter(selected);
    if (context.json()) {
        Json document;
        document["command"] = "adapter show";
        document["adapter"] = zdfront::toJson(adapter);
        context.emit(document);
    }
    if (!context.table()) return ExitOk;

    FieldList fields(context.terminal());
    fields.add("Adapter", std::to_string(adapter.id));
    fields.add("Alias", adapter.alias);
    fields.add("Serial", adapter.serial);
    fields.add("Link", adapter.link.text);
    fields.add("Firmware", adapter.firmware);
    fields.add("Bootloader", adapter.bootloader);
    fields.add("Driver", adapter.driver);
    if (!adapter.nxpVersion.empty()) fields.add("NXP version", adapter.nxpVersion);
    fields.add("Vendor / device", hex4(adapter.vendor) + " / " + hex4(adapter.device));
    fields.add("Subvendor / subdevice", hex4(adapter.subVendor) + " / " + hex4(adapter.subDevice));
    fields.add("Revision", std::to_string(adapter.revision));
    fields.add("Ports", std::to_string(adapter.ports));
    fields.add("Max disks", std::to_string(adapter.maxDisks));
    fields.add("Max parity disks", std::to_string(adapter.maxParityDisks));
    fields.add("RAID levels", texts(adapter.raidLevels));
    fields.add("Stripe sizes", texts(adapter.stripeSizes));
    fields.add("Alarm", onOff(adapter.alarm));
    fields.add("Auto rebuild", onOff(adapter.autoRebuild));
    fields.add("Copy back", onOff(adapter.copyBack));
    fields.add("SMART polling", onOff(adapter.smartPoll));
    const zdfront::AdapterSpeeds& speeds = adapter.speeds;
    fields.add("Speeds", "sync " + std::to_string(speeds.sync) + ", init " + std::to_string(speeds.init) +
                             ", rebuild " + std::to_string(speeds.rebuild) + ", migrate " +
                             std::to_string(speeds.migrate) + ", disk check " + std::to_string(speeds.diskCheck));
    fields.add("Identify", adapter.identifySupported ? "supported" : "not supported");
    fields.print(context.out());
    return ExitOk;
}

int set(Context& context, Args& args)
{
    std::vector<std::string> pairs = args.rest();
    args.finish();
    if (pairs.empty()) throw CliError(ExitUsage, "adapter set needs KEY=VALUE settings (" + zdfront::adapterSettingWords() + ")");
    zdfront::AdapterSettings settings;
    for (const std::string& pair : pairs) {
        size_t equals = pair.find('=');
        if (equals == std::string::npos || equals == 0) throw CliError(ExitUsage, "expected KEY=VALUE, got '" + pair + "'");
        settings.set(pair.substr(0, equals), pair.substr(equals + 1));
    }
    zdfront::Outcome outcome = settings.execute(context.session());
    context.emit({{"command", "adapter set"}, {"adapter", context.adapter()}});
    if (context.table() && !outcome.done.empty())
        context.out() << "Adapter " << context.adapter() << " configuration read back: " << Views::joined(outcome.done)
                      << ".\n";
    return context.report(outcome, false);
}

}  // namespace

int runAdapter(Context& context, Args& args)
{
    std::string action = args.next("adapter action (list, show, set, rescan, identify, buzzer-off)");
    if (action == "list") return list(context, args);
    if (action == "show") return show(context, args);
    if (action == "set") return set(context, args);
    if (action == "rescan") {
        args.finish();
        context.session().command(zdfront::Request("Rescan"), "rescan");
        size_t count = context.session().list("Adapter").size();
        if (context.json()) {
            Json document;
            document["command"] = "adapter rescan";
            document["adapters"] = count;
            context.emit(document);
        }
        if (context.table()) context.out() << "Rescan done: " << count << " adapter(s).\n";
        return ExitOk;
    }
    if (action == "identify") {
        args.finish();
        zdfront::identifyAdapter(context.session());
        context.emit({{"command", "adapter identify"}, {"adapter", context.adapter()}});
        if (context.table()) context.out() << "Adapter " << context.adapter() << ": identify sent.\n";
        return ExitOk;
    }
    if (action == "buzzer-off") {
        args.finish();
        zdfront::Outcome outcome = zdfront::silenceBuzzer(context.session());
        context.emit({{"command", "adapter buzzer-off"}, {"adapter", context.adapter()}});
        return context.report(outcome);
    }
    throw CliError(ExitUsage, "unknown adapter action '" + action + "'");
}

}  // namespace zdctl
