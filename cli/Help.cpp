#include "cli/Help.h"

#include "front/AdapterSettings.h"
#include "front/ArrayActions.h"
#include "front/ScheduleActions.h"
#include "front/Sizes.h"

namespace zdctl::Help {

namespace {

struct Page {
    const char* command;  // "array create"
    const char* usage;
    const char* text;     // what it does, its options
    const char* example;
};

const Page kPages[] = {
    {"status", "status",
     "Every adapter with its arrays, disks, alarm and running activities, and one health verdict.\n"
     "With -a N only that adapter. Exit code 0 healthy, 5 degraded, 6 offline, 3 unknown adapter.",
     "zdctl status; echo $?"},
    {"adapter list", "adapter list", "The adapters the bridge finds.", "zdctl adapter list"},
    {"adapter show", "adapter show [N]", "One adapter in full (default: the one of -a).", "zdctl adapter show 1"},
    {"adapter set", "adapter set KEY=VALUE...",
     "Changes adapter settings; each is read back, and one the controller ignores makes the\n"
     "command fail with exit code 7. Only the settings given are written.\n"
     "Keys:   @SETTINGS@\n"
     "Values: text (alias, serial: at most 19 bytes), on/off, or a number 0-255 (speeds).",
     "zdctl adapter set alias=Lab rebuild-speed=90"},
    {"adapter rescan", "adapter rescan", "Asks the controller library to look for adapters again.", "zdctl adapter rescan"},
    {"adapter identify", "adapter identify", "Makes the adapter show itself (LED).", "zdctl -a 1 adapter identify"},
    {"adapter buzzer-off", "adapter buzzer-off",
     "Silences a ringing buzzer and reads back that it stopped (exit code 7 when it rings on).",
     "zdctl adapter buzzer-off"},
    {"disk list", "disk list", "Every slot of the adapter: its disk, state, array and activity; empty slots too.",
     "zdctl disk list"},
    {"disk show", "disk show ID [--smart]",
     "One disk in full. --smart adds the SMART attributes with their thresholds and an overall\n"
     "verdict: PASSED, or FAILING when an attribute has reached its threshold.",
     "zdctl disk show 3 --smart"},
    {"disk cache", "disk cache ID on|off", "Switches the disk's write cache.", "zdctl disk cache 5 off"},
    {"disk spare", "disk spare ID [--array ID]",
     "Makes a free disk a global spare, or with --array the dedicated spare of that array.",
     "zdctl disk spare 5 --array 0"},
    {"disk unspare", "disk unspare ID", "Makes a spare a free disk again.", "zdctl disk unspare 5"},
    {"disk free", "disk free ID [--force-member]",
     "Wipes the disk's RAID metadata (destructive: asks, or needs --yes). A disk that is a member\n"
     "or the dedicated spare of an array is refused, with what freeing it would do to the array\n"
     "(degraded or offline); only --force-member goes ahead.",
     "zdctl --yes disk free 7"},
    {"disk patrol", "disk patrol ID [--wait]", "Starts a media patrol of the disk; --wait follows it (see array wait).",
     "zdctl disk patrol 7 --wait"},
    {"disk pause", "disk pause|resume|abort ID", "Controls the disk's running activity.", "zdctl disk abort 7"},
    {"array list", "array list", "The arrays of the adapter.", "zdctl array list"},
    {"array show", "array show ID",
     "One array in full: every member slot with its disk's state (failed and missing members\n"
     "included), the spares, the activity with its progress, and the array's schedules.",
     "zdctl array show 0"},
    {"array create", "array create --name NAME --raid LEVEL --disks IDS [options]",
     "Creates an array. The controller's capacity preview (GetCreateTarget) decides whether the\n"
     "level fits the disks: --dry-run shows it, and create refuses what it refuses.\n"
     "  --name NAME          1 to 15 bytes, no control characters\n"
     "  --raid LEVEL         RAID 0    @RAID 0@\n"
     "                       RAID 1    @RAID 1@\n"
     "                       RAID 1E   @RAID 1E@\n"
     "                       RAID 5    @RAID 5@\n"
     "                       RAID 6    @RAID 6@\n"
     "                       RAID 10   @RAID 10@\n"
     "                       RAID 50   @RAID 50@\n"
     "                       RAID 60   @RAID 60@\n"
     "                       (write 5, raid5 or \"RAID 5\"; the adapter's own levels: zdctl adapter show)\n"
     "  --disks IDS          free disks: 5,6,7 or 5-7\n"
     "  --stripe SIZE        16 K to 1024 K (default 64 K)\n"
     "  --init TYPE          quick (default), foreground, background or none\n"
     "  --spare ID           a free disk to become the new array's dedicated spare; if the array is\n"
     "                       made but the spare is not, the exit code is 7 and the array's id is said\n"
     "  --pd-cache on|off    the member disks' write cache\n"
     "  --dry-run            only the capacity preview\n"
     "  --wait               follow the initialisation to its end (see array wait)",
     "zdctl array create --name Data2 --raid 5 --disks 5-7 --init background --wait"},
    {"array delete", "array delete ID",
     "Deletes the array and all data on it (asks, or needs --yes), and removes the schedules that\n"
     "name it, so that they never start on a later array with the same number.",
     "zdctl --yes array delete 1"},
    {"array init", "array init ID [--type quick|foreground|background] [--wait]",
     "Initialises the array, erasing its data (asks, or needs --yes); --wait follows it (see array wait).",
     "zdctl --yes array init 1 --type background"},
    {"array check", "array check ID [--fix] [--wait]",
     "Checks that the redundancy of the array's stripes matches their data; --fix repairs the\n"
     "stripes that do not. --wait follows the check to its end and says what it found: the\n"
     "inconsistent stripes found and repaired (a warning when some are left), as the controller's\n"
     "event reports them (see array wait).",
     "zdctl array check 0 --fix --wait"},
    {"array rebuild", "array rebuild ID --disks IDS [--wait]",
     "Rebuilds a degraded array onto free disks; --wait follows it (see array wait).",
     "zdctl array rebuild 0 --disks 6 --wait"},
    {"array migrate", "array migrate ID --raid LEVEL --disks IDS [--dry-run] [--wait]",
     "Changes the array's RAID level or disks in place (asks, or needs --yes); --dry-run shows the\n"
     "controller's capacity preview (GetMigrateTarget); --wait follows it (see array wait).",
     "zdctl array migrate 0 --raid 6 --disks 0-3,5 --dry-run"},
    {"array pause", "array pause|resume|abort ID", "Controls the array's running activity.", "zdctl array pause 1"},
    {"array rename", "array rename ID NAME", "Renames the array (1 to 15 bytes).", "zdctl array rename 0 Bulk"},
    {"array cache", "array cache ID [--vd-cache performance|protection] [--pd-cache on|off]",
     "Sets the array's cache policies.", "zdctl array cache 0 --vd-cache protection"},
    {"array wait", "array wait ID",
     "Follows the array's running activity to its end, then says how it ended, as the controller's\n"
     "event reports it: completed (a check with what it found) or aborted (exit code 7). The\n"
     "controller hands each event out once. While zdmond runs, zdctl reads that event from zdmond's\n"
     "history (see --history) once zdmond has stored it, and takes nothing from the controller.\n"
     "Otherwise zdctl reads the controller's new events itself; the others read meanwhile are\n"
     "shown, as zdctl events will not show them again. Ctrl-C stops following (exit code 130); the\n"
     "activity goes on in the controller.",
     "zdctl array wait 0"},
    {"events", "events [--since WHEN] [--severity LEVEL] [--follow] [--direct]",
     "zdmond's event history (see --history) when there is one: the controller's events and\n"
     "zdmond's own state changes, of every adapter unless -a names one.\n"
     "Without a history, or with --direct, the controller's new events, read by zdctl itself: the\n"
     "controller hands each event out once, so while zdmond runs this is refused (exit code 2),\n"
     "as those events would be missing from its history.\n"
     "  --since WHEN         30m, 2h, 7d, YYYY-MM-DD, \"YYYY-MM-DD HH:MM\" or @SECONDS\n"
     "  --severity LEVEL     info, warning or critical and above\n"
     "  --follow             keeps showing new events until Ctrl-C (with --json: one document per line)",
     "zdctl events --since 1d --severity warning"},
    {"firmware info", "firmware info FILE",
     "Checks a firmware image against the adapter: its header, its device id against the adapter's,\n"
     "and its version against the running one. Exit code 4 when the image does not fit.",
     "zdctl firmware info fw.bin"},
    {"firmware upload", "firmware upload FILE [--allow-downgrade]",
     "Flashes the image with progress (asks, or needs --yes). An image for another device is\n"
     "refused; an older image, or the running version, needs --allow-downgrade as well.",
     "zdctl --yes firmware upload fw.bin"},
    {"schedule list", "schedule list", "The stored schedules.", "zdctl schedule list"},
    {"schedule add", "schedule add --activity A (--array ID | --disk ID) --time HHMM [options]",
     "Stores a schedule, reads it back and prints its index. zdmond, the monitoring daemon,\n"
     "starts due schedules once a minute; `zdctl schedule check` starts them now. An init\n"
     "schedule erases the array each time\n"
     "it runs, so it asks, or needs --yes.\n"
     "  --activity A         @ACTIVITIES@ (patrol takes --disk, the others --array)\n"
     "  --repeat R           @REPEATS@ (default once)\n"
     "  --time HHMM          0000 to 2359\n"
     "  --date YYYYMMDD      the day of a schedule that runs once; not in the past\n"
     "  --every N            every N days, weeks or months (1-999, default 1)\n"
     "  --day D              weekday 0-6 (0 = Sunday) for weekly, day 1-31 for monthly",
     "zdctl schedule add --activity check --array 0 --repeat weekly --day 0 --time 0300"},
    {"schedule remove", "schedule remove INDEX", "Removes a stored schedule.", "zdctl schedule remove 40610"},
    {"schedule check", "schedule check",
     "Starts every schedule that is due now (zdmond does this once a minute).", "zdctl schedule check"},
    {"range", "range NAME", "One of the bridge's enumeration tables.", "zdctl range VDStatus"},
    {"raw", "raw single CLASS KEY | array CLASS | command XML | condition XML | events | version",
     "The bridge's own answers, for integrators (raw events is refused while zdmond runs).", "zdctl raw single PD 3"},
    {"sim", "sim ACTION ...",
     "Controls the simulator (only when the controller library is the simulator), shared by every\n"
     "zdctl run that names the same ZD_SIM_STATE file.\n"
     "  fail-disk ID | pull-disk ID | insert-disk ID   a disk fails, is pulled, comes back free\n"
     "  corrupt ARRAY STRIPES   stripes whose redundancy does not match their data (array check)\n"
     "  clock manual|wall       stop the activities' clock, or let it follow the wall clock\n"
     "  advance DURATION        move the stopped clock on: 90s, 5m, 2h\n"
     "  reset                   back to the built-in enclosure\n"
     "  make-image FILE [--type T --device D --version a.b.c.d --size BYTES]   a firmware image",
     "zdctl sim corrupt 0 3; zdctl sim clock manual; zdctl array check 0; zdctl sim advance 40s"},
};

const char* const kGlobal = R"(zdctl - manage external RAID enclosures through the zdbridge library

Usage: zdctl [global options] [command] [arguments]
       zdctl COMMAND --help    the command's options, choices and an example

Global options:
  -a, --adapter N      adapter to address (default 0)
      --json           one JSON document per command (zdctl-output.schema.json)
      --xml            one XML document per command: the bridge's exchanges and the result
  -t, --terse          for scripts: tab-separated rows, no headers, sizes in bytes, no colour
  -H, --raw            sizes as raw 512-byte sectors instead of IEC units
      --no-color       no colour (colour is used only on a terminal)
      --simulator      run against the installed simulator, not the enclosure's controller library
  -y, --yes, --force   confirm destructive commands (required without a terminal)
      --history FILE   zdmond's event history (default: ZDCTL_HISTORY, else the database named in
                       /etc/zdbridge/zdmond.conf, else /var/lib/zdmond/events.db);
                       while zdmond runs with it, zdctl leaves the controller's events to zdmond
  -h, --help           this help;  --version  versions and paths of zdctl, the bridge and the controller

Commands:
  status                                   adapters, arrays, disks, alarm, activities (default)
  adapter list | show [N] | set KEY=VALUE... | rescan | identify | buzzer-off
  disk list | show ID [--smart] | cache ID on|off | spare ID [--array ID] | unspare ID
  disk free ID [--force-member] | patrol ID [--wait] | pause ID | resume ID | abort ID
  array list | show ID | create ... | delete ID | init ID | check ID [--fix] | wait ID
  array rebuild ID --disks ... | migrate ID --raid L --disks ... | pause | resume | abort ID
  array rename ID NAME | cache ID [--vd-cache ...] [--pd-cache on|off]
  events [--since W] [--severity L] [--follow]  zdmond's event history, or the controller's events
  firmware info FILE | upload FILE [--allow-downgrade]
  schedule list | add ... | remove INDEX | check   (zdmond starts due schedules once a minute)
  range NAME                               an enumeration table of the bridge
  raw single CLASS KEY | array CLASS | command XML | condition XML | events | version
  sim fail-disk ID | pull-disk ID | insert-disk ID | corrupt ARRAY N | clock manual|wall
  sim advance DURATION | reset | make-image FILE

Destructive commands (array delete/init/migrate, disk free, firmware upload, init schedules)
say what will be lost and ask on a terminal; without one they are refused without --yes.

Exit codes:
  0  success (status: healthy)
  1  failure: the bridge or the controller library could not be loaded, or this bridge build lacks the feature
  2  usage error, invalid input, or a destructive command without confirmation
  3  the adapter, disk, array, schedule, table or file was not found
  4  refused by the controller (its code and "Error" text on stderr)
  5  status: degraded (an array lost redundancy, or a disk failed)
  6  status: offline (an array's data is out of reach)
  7  partial success: only part of the change was made (the messages say which)
  130  interrupted (Ctrl-C) while following an activity; it goes on in the controller
       (a firmware upload is not interrupted: zdctl exits when the adapter has the whole image)

@SIZES@

Environment:
  ZDBRIDGE_CONTROLLER  controller library without --simulator: system (default: the vendor's
                     libzd_api.so on the loader's path), simulator, or the full path of a libzd_api.so
  ZDCTL_BRIDGE       path of libzdbridge.so.1 (default: this installation's library directory)
  ZDCTL_HISTORY      zdmond's event history, when zdmond keeps it elsewhere (see --history)
  ZD_SIM_STATE       simulator state file shared by zdctl runs;  ZD_SIM_TIME_SCALE speeds it up
  ZD_SIM_PAGE_DELAY_MS  simulator only: delay of each firmware page, to watch an upload
  ZDBRIDGE_DB_PATH   schedule file (default /etc/db.xml);  ZDBRIDGE_LOG_DIR  log directory (default /tmp/)
)";

std::string replaced(std::string text, const std::string& marker, const std::string& value)
{
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + value.size()))
        text.replace(at, marker.size(), value);
    return text;
}

std::string filled(std::string text)
{
    for (const char* level : {"RAID 0", "RAID 1E", "RAID 1", "RAID 5", "RAID 6", "RAID 10", "RAID 50", "RAID 60"})
        text = replaced(text, "@" + std::string(level) + "@", zdfront::raidNeeds(level));
    text = replaced(text, "@SETTINGS@", zdfront::adapterSettingWords());
    text = replaced(text, "@ACTIVITIES@", zdfront::scheduleActivities());
    text = replaced(text, "@REPEATS@", zdfront::scheduleRepeats());
    return replaced(text, "@SIZES@", zdfront::sizeNote(false));
}

// Whether the page is the one of the words: "array create", "disk resume"
// (usage "disk pause|resume|abort ID"), or "events".
bool names(const Page& page, const std::vector<std::string>& words)
{
    std::string usage = page.usage;
    size_t space = usage.find(' ');
    if (usage.substr(0, space) != words[0]) return false;
    if (std::string(page.command) == words[0]) return true;
    if (words.size() < 2 || space == std::string::npos) return false;
    size_t end = usage.find(' ', space + 1);
    std::string actions = "|" + usage.substr(space + 1, end == std::string::npos ? std::string::npos : end - space - 1) + "|";
    return actions.find("|" + words[1] + "|") != std::string::npos;
}

}  // namespace

bool print(std::ostream& out, const std::vector<std::string>& words)
{
    if (words.empty()) {
        out << filled(kGlobal);
        return true;
    }
    for (const Page& page : kPages) {
        if (!names(page, words)) continue;
        out << "Usage: zdctl [global options] " << page.usage << "\n\n"
            << filled(page.text) << "\n\nExample:\n  " << page.example << "\n";
        return true;
    }
    if (words.size() > 1) return false;
    bool any = false;
    for (const Page& page : kPages) {
        std::string name = page.command;
        if (name.compare(0, words[0].size() + 1, words[0] + " ") != 0) continue;
        if (!any) out << "Usage: zdctl [global options] " << words[0] << " ACTION ...\n\n";
        out << "  " << page.usage << "\n";
        any = true;
    }
    if (any) out << "\nzdctl " << words[0] << " ACTION --help shows one action's options.\n";
    return any;
}

}  // namespace zdctl::Help
