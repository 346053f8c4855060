// zdctl: command-line front end of the zdbridge management bridge.
//
// Parses the global options, loads the chosen controller library and then the
// bridge, and hands the remaining words to the command area named by the first one.
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "front/ControllerLibrary.h"
#include "front/Error.h"
#include "front/SimControl.h"

namespace zdctl {

namespace {

const char* const kUsage = R"(zdctl - manage external RAID enclosures through the zdbridge library

Usage: zdctl [global options] [command] [arguments]

Global options:
  -a, --adapter N      adapter to address (default 0)
      --json           one JSON document per command (with "format_version")
      --xml            the bridge's raw XML answers
  -H, --raw            sizes as raw 512-byte sectors instead of IEC units
      --no-color       no colour (colour is used only on a terminal)
      --simulator      run against the installed simulator, not the enclosure's controller library
  -y, --yes, --force   confirm destructive commands (required without a terminal)
  -h, --help           this help;  --version  versions and paths of the bridge and the controller library

Commands:
  status                                   adapters, arrays, disks, alarm, activities (default)
  adapter list | show [N] | rescan | identify | buzzer-off
  adapter set KEY=VALUE...                 alias, serial, sync-speed, init-speed, rebuild-speed,
                                           migrate-speed, disk-check-speed, auto-rebuild, copy-back,
                                           smart-poll, alarm (on/off or numbers)
  disk list | show ID [--smart]
  disk cache ID on|off | spare ID [--array ID] | unspare ID | free ID
  disk patrol ID [--wait] | pause ID | resume ID | abort ID
  array list | show ID | wait ID
  array create --name N --raid L --disks 0,1,2 [--stripe K] [--init quick|background|none]
               [--spare ID] [--pd-cache on|off] [--parity N] [--dry-run] [--wait]
  array delete ID | init ID [--type quick|background] [--wait] | check ID [--fix] [--wait]
  array rebuild ID --disks ... [--wait]
  array migrate ID --raid L --disks ... [--parity N] [--dry-run] [--wait]
  array pause ID | resume ID | abort ID | rename ID NAME
  array cache ID [--vd-cache performance|protection] [--pd-cache on|off]
  events [--follow]                        new controller events; --follow keeps polling
  firmware info FILE | upload FILE         check a firmware image; flash it with progress
  schedule list | remove INDEX | check
  schedule add --activity check|fix|init|patrol (--array ID | --disk ID) --time HHMM
               [--repeat once|daily|weekly|monthly] [--date YYYYMMDD] [--every N] [--day D]
  range NAME                               an enumeration table of the bridge
  raw single CLASS KEY | array CLASS | command XML | condition XML | events | version
  sim fail-disk ID | pull-disk ID | insert-disk ID | reset
  sim make-image FILE [--type T] [--device D] [--version a.b.c.d] [--size BYTES]

Destructive commands (array delete/init/migrate, disk free, firmware upload) ask
for confirmation on a terminal and are refused without --yes otherwise.

Exit codes:
  0  success
  1  failure: the bridge or the controller library could not be loaded, or this bridge build lacks the feature
  2  usage error, or a destructive command without confirmation
  3  the adapter, disk, array, schedule, table or file was not found
  4  refused by the controller (its code and "Error" text on stderr)
  5  status found an unhealthy state (degraded or offline array, failed disk)

Environment:
  ZDBRIDGE_CONTROLLER  controller library without --simulator: system (default: the vendor's
                     libzd_api.so on the loader's path), simulator, or the full path of a libzd_api.so
  ZDCTL_BRIDGE       path of libzdbridge.so.1 (default: this installation's library directory)
  ZD_SIM_STATE       simulator state file shared by zdctl runs;  ZD_SIM_TIME_SCALE speeds it up
  ZD_SIM_PAGE_DELAY_MS  simulator only: delay of each firmware page, to watch an upload
  ZDBRIDGE_DB_PATH   schedule file (default /etc/db.xml);  ZDBRIDGE_LOG_DIR  log directory (default /tmp/)
)";

// Command options that take a value (everything else starting with "--" is a flag).
const std::set<std::string> kValueOptions = {"name",     "raid",   "disks",    "stripe", "init",  "spare",
                                             "pd-cache", "parity", "vd-cache", "array",  "type",  "device",
                                             "size",     "disk",   "activity", "repeat", "time",  "date",
                                             "every",    "day"};

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
        if (formatGiven && line.options.format != format) throw CliError(ExitUsage, "--json and --xml exclude each other");
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
        } else if (word.rfind("--adapter=", 0) == 0) {
            line.options.adapter = static_cast<unsigned>(Args::number(word.substr(10), "adapter id", 256));
        } else if (word == "--json") {
            setFormat(OutputFormat::Json);
        } else if (word == "--xml") {
            setFormat(OutputFormat::Xml);
        } else if (word == "-H" || word == "--raw") {
            line.options.rawSizes = true;
        } else if (word == "--no-color" || word == "--no-colour") {
            line.options.colorAllowed = false;
        } else if (word == "-y" || word == "--yes" || word == "--force") {
            line.options.yes = true;
        } else if (word == "-h" || word == "--help") {
            line.help = true;
        } else if (word == "--version" && words.empty()) {
            line.version = true;
        } else if (word == "--simulator") {
            line.simulator = true;
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

int dispatch(Context& context, Args& args, const zdfront::SimControl& sim)
{
    std::string area = args.more() ? args.next("command") : "status";
    if (area == "status") return runStatus(context, args);
    if (area == "disk" || area == "array" || area == "events" || area == "firmware" || area == "sim")
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

int run(int argc, char** argv)
{
    CommandLine line = parse(argc, argv);
    if (line.help) {
        std::cout << kUsage;
        return ExitOk;
    }
    zdfront::ControllerLibrary controller = zdfront::ControllerLibrary::choose(line.simulator ? "simulator" : "");
    zdfront::Bridge bridge(zdfront::BridgeClient::locate());
    controller.requireBoundBy(bridge.path());
    if (line.version) {
        std::cout << "zdctl, bridge " << bridge.version() << " (" << bridge.path() << ")\n"
                  << "controller: " << controller.description() << "\n";
        return ExitOk;
    }
    zdfront::SimControl sim;
    Context context(bridge, line.options, std::cout, std::cerr);
    int code = dispatch(context, line.args, sim);
    std::cout.flush();
    return code;
}

}  // namespace

}  // namespace zdctl

int main(int argc, char** argv)
{
    try {
        return zdctl::run(argc, argv);
    } catch (const zdctl::CliError& error) {
        std::cout.flush();
        std::cerr << "zdctl: " << error.what() << "\n";
        if (error.code() == zdctl::ExitUsage) std::cerr << "(see zdctl --help)\n";
        return error.code();
    } catch (const zdfront::Error& error) {
        std::cout.flush();
        std::cerr << "zdctl: " << error.what() << "\n";
        return static_cast<int>(error.kind());
    } catch (const std::exception& error) {
        std::cout.flush();
        std::cerr << "zdctl: " << error.what() << "\n";
        return zdctl::ExitFailure;
    }
}
