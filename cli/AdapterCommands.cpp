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

namespace zdctl {

namespace {

// OEM request "User Request" (type 8) and its values, as the "OEMType" and
// "OEMValue" tables name them.
constexpr uint64_t kUserRequest = 8;
constexpr uint64_t kBuzzOff = 1;
constexpr uint64_t kIdentify = 2;

// Settings of "AdapterConfig": the word zdctl accepts, the request field.
struct Setting {
    const char* word;
    const char* field;
    bool isText;
};
const Setting kSettings[] = {
    {"alias", "Alias", true},
    {"serial", "SerialNo", true},
    {"sync-speed", "SyncSpeed", false},
    {"init-speed", "InitSpeed", false},
    {"rebuild-speed", "RebuildSpeed", false},
    {"migrate-speed", "MigrateSpeed", false},
    {"disk-check-speed", "DiskCheckSpeed", false},
    {"auto-rebuild", "AutoRebuild", false},
    {"copy-back", "CopyBack", false},
    {"smart-poll", "SMARTPoll", false},
    {"alarm", "AlarmOn", false},
};
constexpr size_t kMaxAdapterText = 19;

std::string lowered(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

const Setting* findSetting(const std::string& key)
{
    for (const Setting& setting : kSettings)
        if (key == setting.word || lowered(key) == lowered(setting.field)) return &setting;
    return nullptr;
}

std::string settingValue(const Setting& setting, const std::string& value)
{
    if (setting.isText) {
        if (value.size() > kMaxAdapterText)
            throw CliError(ExitUsage, std::string(setting.word) + " takes at most 19 characters");
        return value;
    }
    std::string word = lowered(value);
    if (word == "on" || word == "yes" || word == "true") return "1";
    if (word == "off" || word == "no" || word == "false") return "0";
    return std::to_string(Args::number(value, std::string(setting.word) + " value", 256));
}

std::string hex4(uint64_t value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%04llX", static_cast<unsigned long long>(value));
    return text;
}

std::string onOff(const Record& adapter, const char* field) { return adapter.number(field) ? "on" : "off"; }

std::vector<std::string> texts(Context& context, const char* table, const std::vector<std::string>& numbers)
{
    std::vector<std::string> result;
    for (const std::string& number : numbers) result.push_back(context.ranges().text(table, number));
    return result;
}

Json adapterJson(Context& context, const Record& adapter)
{
    Json json;
    for (const std::string& field : adapter.fields()) {
        if (adapter.has(field) && !adapter.list(field).empty()) {
            json[field] = adapter.list(field);
        } else if (auto number = Answer::toNumber(adapter.get(field))) {
            json[field] = *number;
        } else {
            json[field] = adapter.get(field);
        }
    }
    json["AdapterLinkTypeText"] = context.ranges().text("AdapterLinkType", adapter.number("AdapterLinkType"));
    json["SupportRAIDModeText"] = texts(context, "RAID", adapter.list("SupportRAIDMode"));
    return json;
}

int list(Context& context, Args& args)
{
    args.finish();
    std::vector<Record> adapters = context.list("Adapter");
    Json document;
    document["command"] = "adapter list";
    document["adapters"] = Json::array();
    TablePrinter table(context.terminal());
    table.column("ID", TablePrinter::Right).column("Alias").column("Link").column("Firmware").column("Serial")
        .column("Max disks", TablePrinter::Right);
    for (const Record& entry : adapters) {
        std::optional<Record> adapter = context.trySingle("Adapter", entry.get("ID"));
        Record info = adapter ? *adapter : entry;
        document["adapters"].push_back(adapterJson(context, info));
        table.row({entry.get("ID"), info.get("Alias"),
                   context.ranges().text("AdapterLinkType", info.number("AdapterLinkType")), info.get("Firmware"),
                   info.get("Serial"), info.get("MaxPD")});
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
    uint64_t id = word ? Args::number(*word, "adapter id", 256) : context.adapter();
    const std::string key = std::to_string(id);
    Record adapter = context.single("Adapter", key, "adapter " + key);
    if (context.json()) {
        Json document;
        document["command"] = "adapter show";
        document["adapter"] = adapterJson(context, adapter);
        context.emit(document);
    }
    if (!context.table()) return ExitOk;

    FieldList fields(context.terminal());
    fields.add("Adapter", adapter.get("ID"));
    fields.add("Alias", adapter.get("Alias"));
    fields.add("Serial", adapter.get("Serial"));
    fields.add("Link", context.ranges().text("AdapterLinkType", adapter.number("AdapterLinkType")));
    fields.add("Firmware", adapter.get("Firmware"));
    fields.add("Bootloader", adapter.get("Bootloader"));
    fields.add("Driver", adapter.get("Driver"));
    if (adapter.has("NXPVersion")) fields.add("NXP version", adapter.get("NXPVersion"));
    fields.add("Vendor / device", hex4(adapter.number("Vendor")) + " / " + hex4(adapter.number("Device")));
    fields.add("Subvendor / subdevice", hex4(adapter.number("SubVendor")) + " / " + hex4(adapter.number("SubDevice")));
    fields.add("Revision", adapter.get("Revision"));
    fields.add("Ports", adapter.get("PortCount"));
    fields.add("Max disks", adapter.get("MaxPD"));
    fields.add("Max parity disks", adapter.get("MaxParityDisks"));
    fields.add("RAID levels", Views::joined(texts(context, "RAID", adapter.list("SupportRAIDMode"))));
    fields.add("Stripe sizes", Views::joined(texts(context, "StripeSize", adapter.list("SupportStripeSize"))));
    fields.add("Alarm", onOff(adapter, "AlarmStatus"));
    fields.add("Auto rebuild", onOff(adapter, "AutoRebuild"));
    fields.add("Copy back", onOff(adapter, "CopyBack"));
    fields.add("SMART polling", onOff(adapter, "SMARTPoll"));
    fields.add("Speeds", "sync " + adapter.get("SyncSpeed") + ", init " + adapter.get("InitSpeed") + ", rebuild " +
                             adapter.get("RebuildSpeed") + ", migrate " + adapter.get("MigrateSpeed") +
                             ", disk check " + adapter.get("DiskCheckSpeed"));
    fields.add("Identify", adapter.number("SupportIdentify") ? "supported" : "not supported");
    fields.print(context.out());
    return ExitOk;
}

int set(Context& context, Args& args)
{
    std::vector<std::string> pairs = args.rest();
    args.finish();
    if (pairs.empty()) throw CliError(ExitUsage, "adapter set needs KEY=VALUE settings");
    Request request("AdapterConfig");
    Json changed;
    for (const std::string& pair : pairs) {
        size_t equals = pair.find('=');
        if (equals == std::string::npos || equals == 0) throw CliError(ExitUsage, "expected KEY=VALUE, got '" + pair + "'");
        const Setting* setting = findSetting(pair.substr(0, equals));
        if (!setting) {
            std::string known;
            for (const Setting& s : kSettings) known += (known.empty() ? "" : ", ") + std::string(s.word);
            throw CliError(ExitUsage, "unknown setting '" + pair.substr(0, equals) + "' (known: " + known + ")");
        }
        std::string value = settingValue(*setting, pair.substr(equals + 1));
        request.field(setting->field, value);
        changed[setting->word] = value;
    }
    context.command(request, "adapter configuration");
    if (context.json()) {
        Json document;
        document["command"] = "adapter set";
        document["adapter"] = context.adapter();
        document["changed"] = changed;
        context.emit(document);
    }
    if (context.table()) context.out() << "Adapter " << context.adapter() << " configuration updated.\n";
    return ExitOk;
}

int simple(Context& context, Args& args, const Request& request, const std::string& what, const std::string& done)
{
    args.finish();
    context.command(request, what);
    if (context.json()) {
        Json document;
        document["command"] = "adapter " + what;
        document["adapter"] = context.adapter();
        document["result"] = 0;
        context.emit(document);
    }
    if (context.table()) context.out() << done << "\n";
    return ExitOk;
}

Request oemRequest(uint64_t type, uint64_t value)
{
    return Request("OEMCommand").field("OEMType", type).field("OEMValue", value).field("OEMID", 0).field("Force", 0);
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
        context.command(Request("Rescan"), "rescan");
        size_t count = context.list("Adapter").size();
        if (context.json()) {
            Json document;
            document["command"] = "adapter rescan";
            document["adapters"] = count;
            context.emit(document);
        }
        if (context.table()) context.out() << "Rescan done: " << count << " adapter(s).\n";
        return ExitOk;
    }
    const std::string adapter = "adapter " + std::to_string(context.adapter());
    if (action == "identify")
        return simple(context, args, oemRequest(kUserRequest, kIdentify), "identify", adapter + ": identify sent.");
    if (action == "buzzer-off")
        return simple(context, args, oemRequest(kUserRequest, kBuzzOff), "buzzer-off", adapter + ": buzzer silenced.");
    throw CliError(ExitUsage, "unknown adapter action '" + action + "'");
}

}  // namespace zdctl
