// `zdctl range NAME` and `zdctl raw single|array|command|condition|events|version`:
// the bridge's own answers, for integrators.
#include <string>

#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "cli/MonitorPresence.h"
#include "cli/TablePrinter.h"

namespace zdctl {

namespace {

const char* const kNotFound = "<NotFound/>";

int printRaw(Context& context, const std::string& command, const std::optional<std::string>& answer, bool answered)
{
    if (context.json()) {
        Json document;
        document["command"] = command;
        document["answered"] = answered;
        document["answer"] = answer ? Json(*answer) : Json(nullptr);
        context.emit(document);
    } else if (context.xml()) {
        context.recordExchange({"raw", command, "", answer.value_or(""), -1, ""});
    } else if (answer) {
        context.out() << *answer << "\n";
    }
    if (!answer) throw CliError(ExitFailure, "the bridge stored no answer (not supported by this bridge build, or a "
                                             "firmware upload is running)");
    return answered ? ExitOk : ExitNotFound;
}

}  // namespace

int runRange(Context& context, Args& args)
{
    std::string name = args.next("range table name (for example RAID, VDStatus, Error)");
    args.finish();
    std::string raw = context.session().client().range(name);
    if (raw == kNotFound || raw.empty()) throw CliError(ExitNotFound, "no range table named \"" + name + "\"");
    if (context.xml()) {
        context.recordExchange({"getRange", name, "", raw, -1, ""});
        return ExitOk;
    }
    const auto& entries = context.ranges().entries(name);
    if (context.json()) {
        Json document;
        document["command"] = "range";
        document["name"] = name;
        document["entries"] = Json::array();
        for (const auto& entry : entries)
            document["entries"].push_back({{"number", entry.number}, {"text", entry.text}, {"default", entry.isDefault}});
        context.emit(document);
        return ExitOk;
    }
    TablePrinter table(context.terminal());
    table.column("Number", TablePrinter::Right).column("Text").column("Default");
    for (const auto& entry : entries) table.row({entry.numberText, entry.text, entry.isDefault ? "yes" : ""});
    table.print(context.out());
    return ExitOk;
}

int runRaw(Context& context, Args& args)
{
    std::string kind = args.next("raw request kind (single, array, command, condition, events, version)");
    const zdfront::BridgeClient& bridge = context.session().client();
    if (kind == "single") {
        std::string className = args.next("class name");
        std::string key = args.next("key");
        args.finish();
        std::string text;
        bool answered = bridge.single(className, key, text);
        return printRaw(context, "raw single", text, answered);
    }
    if (kind == "array") {
        std::string className = args.next("class name");
        args.finish();
        return printRaw(context, "raw array", bridge.array(className), true);
    }
    if (kind == "condition") {
        std::string request = args.next("request document");
        args.finish();
        return printRaw(context, "raw condition", bridge.condition(request), true);
    }
    if (kind == "events") {
        args.finish();
        MonitorPresence::refuseDraining(context, "raw events");
        return printRaw(context, "raw events", bridge.events(), true);
    }
    if (kind == "version") {
        args.finish();
        return printRaw(context, "raw version", bridge.version(), true);
    }
    if (kind == "command") {
        std::string request = args.next("request document");
        args.finish();
        uint8_t code = bridge.command(request);
        if (context.json()) {
            Json document;
            document["command"] = "raw command";
            document["result"] = code;
            document["result_text"] = context.session().errorText(code);
            context.emit(document);
        } else if (context.xml()) {
            context.recordExchange({"sendCommand", "raw command", request, "", code, context.session().errorText(code)});
        } else {
            context.out() << unsigned(code) << " " << context.session().errorText(code) << "\n";
        }
        return code == 0 ? ExitOk : ExitRefused;
    }
    throw CliError(ExitUsage, "unknown raw request kind '" + kind + "'");
}

}  // namespace zdctl
