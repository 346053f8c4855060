// zdctl: command-line front end of the zdbridge management bridge.
//
// Parses the global options, loads the chosen controller library and then the
// bridge, and hands the remaining words to the command area named by the first
// one. With --json or --xml, one document is printed at the end, whatever the
// outcome.
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "cli/Help.h"
#include "cli/Output.h"
#include "front/ControllerLibrary.h"
#include "front/Error.h"
#include "front/SimControl.h"

namespace zdctl {

namespace {

// Command options that take a value (everything else starting with "--" is a flag).
const std::set<std::string> kValueOptions = {"name",     "raid",  "disks",    "stripe", "init", "spare",
                                             "pd-cache", "vd-cache", "array", "type",  "device",
                                             "size",     "disk",  "activity", "repeat", "time", "date",
                                             "every",    "day",   "since",    "severity"};

struct CommandLine {
    GlobalOptions options;
    bool help = false;
    bool version = false;
    bool simulator = false;
    Args args;
};

CommandLine parse(int argc, char** argv)
{
    CommandLine line;
    std::vector<std::string> words;
    std::map<std::string, std::string> options;
    std::set<std::string> flags;
    bool formatGiven = false;
    auto setFormat = [&](OutputFormat format) {
        if (formatGiven && line.options.format != format) throw CliError(ExitUsage, "--json, --xml and --terse exclude each other");
        line.options.format = format;
        formatGiven = true;
    };
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        auto value = [&](const std::string& name) -> std::string {
            if (i + 1 >= argc) throw CliError(ExitUsage, "option " + name + " needs a value");
            return argv[++i];
        };
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            words.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
        } else if (word == "-a" || word == "--adapter") {
            line.options.adapter = static_cast<unsigned>(Args::number(value(word), "adapter id", 256));
            line.options.adapterGiven = true;
        } else if (word.rfind("--adapter=", 0) == 0) {
            line.options.adapter = static_cast<unsigned>(Args::number(word.substr(10), "adapter id", 256));
            line.options.adapterGiven = true;
        } else if (word == "--history") {
            line.options.history = value(word);
        } else if (word.rfind("--history=", 0) == 0) {
            line.options.history = word.substr(10);
        } else if (word == "--json") {
            setFormat(OutputFormat::Json);
        } else if (word == "--xml") {
            setFormat(OutputFormat::Xml);
        } else if (word == "-t" || word == "--terse") {
            setFormat(OutputFormat::Terse);
        } else if (word == "-H" || word == "--raw") {
            line.options.rawSizes = true;
        } else if (word == "--no-color" || word == "--no-colour") {
            line.options.colorAllowed = false;
        } else if (word == "--simulator") {
            line.simulator = true;
        } else if (word == "-y" || word == "--yes" || word == "--force") {
            line.options.yes = true;
        } else if (word == "-h" || word == "--help") {
            line.help = true;
        } else if (word == "--version" && words.empty()) {
            line.version = true;
        } else if (word.rfind("--", 0) == 0) {
            std::string name = word.substr(2);
            size_t equals = name.find('=');
            if (equals != std::string::npos)
                options[name.substr(0, equals)] = name.substr(equals + 1);
            else if (kValueOptions.count(name) || name == "version")
                options[name] = value(word);
            else
                flags.insert(name);
        } else {
            throw CliError(ExitUsage, "unknown option " + word);
        }
    }
    line.args = Args(std::move(words), std::move(options), std::move(flags));
    return line;
}

// "array create" for `zdctl -a 1 array create ...`: the document's "command".
std::string commandName(const std::vector<std::string>& words)
{
    static const std::set<std::string> areasWithActions = {"adapter", "disk", "array", "firmware", "schedule", "raw", "sim"};
    if (words.empty()) return "status";
    if (areasWithActions.count(words[0]) && words.size() > 1) return words[0] + " " + words[1];
    return words[0];
}

int dispatch(Context& context, Args& args, const zdfront::SimControl& sim)
{
    std::string area = args.more() ? args.next("command") : "status";
    if (area == "status") return runStatus(context, args);
    if (area == "disk" || area == "array" || area == "firmware" || area == "sim")
        context.session().requireAdapter();
    if (area == "adapter") return runAdapter(context, args);
    if (area == "disk") return runDisk(context, args);
    if (area == "array") return runArray(context, args);
    if (area == "events") return runEvents(context, args);
    if (area == "firmware") return runFirmware(context, args);
    if (area == "schedule") return runSchedule(context, args);
    if (area == "range") return runRange(context, args);
    if (area == "raw") return runRaw(context, args);
    if (area == "sim") return runSim(context, args, sim);
    throw CliError(ExitUsage, "unknown command '" + area + "' (see zdctl --help)");
}

// zdctl's own version, the bridge's, and the controller library the bridge is bound to.
void printVersions(std::ostream& out, zdfront::Bridge& bridge, const zdfront::ControllerLibrary& controller)
{
    out << "zdctl " << ZDCTL_VERSION << "\n";
    out << "bridge " << bridge.version() << " (" << bridge.path() << ")\n";
    out << "controller: " << controller.description() << "\n";
}

// Whether the words ask for a document, for errors before the options are read.
OutputFormat requestedFormat(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--") break;
        if (word == "--json") return OutputFormat::Json;
        if (word == "--xml") return OutputFormat::Xml;
    }
    return OutputFormat::Table;
}

int fail(Output& output, ExitCode code, const std::string& text, const std::string& kind, int controllerCode = -1)
{
    output.message(Output::Severity::Error, text, kind, controllerCode);
    std::cout.flush();
    std::cerr << "zdctl: " << text << "\n";
    if (code == ExitUsage) std::cerr << "(see zdctl --help)\n";
    return code;
}

const char* kindName(int code)
{
    switch (code) {
    case ExitFailure: return "failure";
    case ExitUsage: return "usage";
    case ExitNotFound: return "not_found";
    case ExitRefused: return "refused";
    case ExitInterrupted: return "interrupted";
    default: return "error";
    }
}

int run(int argc, char** argv, Output& output, OutputFormat& format)
{
    format = requestedFormat(argc, argv);
    try {
        CommandLine line = parse(argc, argv);
        format = line.options.format;
        output.put({{"command", commandName(line.args.words())}});
        if (line.help) {
            if (!Help::print(std::cout, line.args.rest()))
                throw CliError(ExitUsage, "no such command (see zdctl --help)");
            return ExitOk;
        }
        zdfront::ControllerLibrary controller = zdfront::ControllerLibrary::choose(line.simulator ? "simulator" : "");
        zdfront::Bridge bridge(zdfront::BridgeClient::locate());
        controller.requireBoundBy(bridge.path());
        output.setBridgeVersion(bridge.version());
        if (line.version) {
            printVersions(std::cout, bridge, controller);
            return ExitOk;
        }
        zdfront::SimControl sim;
        Context context(bridge, line.options, output, std::cout, std::cerr);
        return dispatch(context, line.args, sim);
    } catch (const CliError& error) {
        return fail(output, error.code(), error.what(), kindName(error.code()));
    } catch (const zdfront::Error& error) {
        int code = static_cast<int>(error.kind());
        return fail(output, static_cast<ExitCode>(code), error.what(), kindName(code), error.controllerCode());
    } catch (const std::exception& error) {
        return fail(output, ExitFailure, error.what(), "failure");
    }
}

}  // namespace

}  // namespace zdctl

int main(int argc, char** argv)
{
    zdctl::Output output;
    zdctl::OutputFormat format = zdctl::OutputFormat::Table;
    int code = zdctl::run(argc, argv, output, format);
    if (format == zdctl::OutputFormat::Json) output.printJson(std::cout, code);
    if (format == zdctl::OutputFormat::Xml) output.printXml(std::cout, code);
    std::cout.flush();
    return code;
}
