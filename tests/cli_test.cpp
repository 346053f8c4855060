// zdctl end to end: the built program run as a user runs it, against the
// simulator's built-in enclosure kept in a fresh state file per test.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

// One fresh enclosure: the simulator state, schedule file and log in a temporary directory.
class Enclosure {
public:
    // timeScale: how much faster than real time the simulated activities run.
    explicit Enclosure(const char* timeScale = "400") : m_timeScale(timeScale) {}

    // Runs `zdctl args...` with standard input from /dev/null (not a terminal).
    Outcome zdctl(const std::vector<std::string>& args) const { return run(ZD_BINARY_DIR "/bin/zdctl", args); }

    Outcome run(const std::string& program, const std::vector<std::string>& args) const
    {
        const std::string outPath = m_dir.file("stdout"), errPath = m_dir.file("stderr");
        pid_t child = fork();
        if (child == 0) {
            setenv("ZD_SIM_STATE", m_dir.file("enclosure.json").c_str(), 1);
            setenv("ZDBRIDGE_DB_PATH", m_dir.file("db.xml").c_str(), 1);
            setenv("ZDBRIDGE_LOG_DIR", (m_dir.path() + "/").c_str(), 1);
            setenv("ZD_SIM_TIME_SCALE", m_timeScale.c_str(), 1);
            setenv("ZD_SIM_PAGE_DELAY_MS", "1", 1);
            unsetenv("ZDCTL_BRIDGE");
            int in = open("/dev/null", O_RDONLY);
            int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(in, 0);
            dup2(out, 1);
            dup2(err, 2);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        Outcome outcome;
        outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = zdtest::readFile(outPath);
        outcome.err = zdtest::readFile(errPath);
        return outcome;
    }

    std::string file(const std::string& name) const { return m_dir.file(name); }

private:
    zdtest::TempDir m_dir;
    std::string m_timeScale;
};

const char* const kSizeNote =
    "\nSizes are IEC units (1 KiB = 1024 bytes) of 512-byte sectors; -H shows raw sectors.\n";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Cli, StatusOfTheBuiltInEnclosure)
{
    Enclosure enclosure;
    Outcome status = enclosure.zdctl({"--no-color"});
    EXPECT_EQ(status.code, 0) << status.err;
    EXPECT_EQ(status.out, std::string(R"(Adapter 0  "Thunderbolt Storage"  TB  firmware 2.4.1.7  serial ZDT8-2411-1001
  Alarm: on, buzzer silent

  Array  Name  RAID    Status                          Size  Disks  Spares  Activity
      0  Data  RAID 5  Functional and initialized  10.9 TiB      4          -

  Disk  Status                  Size  Array  Activity
     0  Assigned             3.6 TiB      0  -
     1  Assigned             3.6 TiB      0  -
     2  Assigned             3.6 TiB      0  -
     3  Assigned             3.6 TiB      0  -
     4  Global Spare (Free)  3.6 TiB      -  -
     5  Free                 3.6 TiB      -  -
     6  Free                 3.6 TiB      -  -
     7  Free                 3.6 TiB      -  -

Adapter 1  "USB Enclosure"  USB  firmware 2.4.1.7  serial ZDU4-2411-1002
  Alarm: on, buzzer silent

  Array  Name    RAID    Status                         Size  Disks  Spares  Activity
      0  Mirror  RAID 1  Functional and initialized  1.8 TiB      2          -

  Disk  Status       Size  Array  Activity
     0  Assigned  1.8 TiB      0  -
     1  Assigned  1.8 TiB      0  -
     2  Free      1.8 TiB      -  -
     3  Free      1.8 TiB      -  -

Health: OK
)") + kSizeNote);

    Outcome json = enclosure.zdctl({"--json", "status"});
    ASSERT_EQ(json.code, 0) << json.err;
    nlohmann::json document = nlohmann::json::parse(json.out);
    EXPECT_EQ(document["format_version"], 1);
    EXPECT_EQ(document["healthy"], true);
    ASSERT_EQ(document["adapters"].size(), 2u);
    const nlohmann::json& first = document["adapters"][0];
    EXPECT_EQ(first["link"], "TB");
    EXPECT_EQ(first["arrays"][0]["status"], 15);
    EXPECT_EQ(first["arrays"][0]["status_text"], "Functional and initialized");
    EXPECT_EQ(first["arrays"][0]["size_sectors"], 23442111504u);
    EXPECT_EQ(first["disks"].size(), 8u);
    EXPECT_EQ(first["disks"][4]["status_text"], "Global Spare (Free)");
    EXPECT_EQ(first["disks"][0]["array"], 0);
    EXPECT_TRUE(first["disks"][5]["array"].is_null());

    // A failed disk makes the state unhealthy (exit 5) while the rebuild runs and after it.
    ASSERT_EQ(enclosure.zdctl({"sim", "fail-disk", "1"}).code, 0);
    Outcome failed = enclosure.zdctl({"--json", "status"});
    EXPECT_EQ(failed.code, 5);
    EXPECT_EQ(nlohmann::json::parse(failed.out)["healthy"], false);
    EXPECT_TRUE(contains(failed.out, "adapter 0 disk 1 is Offline")) << failed.out;
}

TEST(Cli, ListsShowsAndRanges)
{
    Enclosure enclosure;
    Outcome arrays = enclosure.zdctl({"array", "list"});
    EXPECT_EQ(arrays.code, 0);
    EXPECT_EQ(arrays.out, std::string("Array  Name  RAID    Status                          Size  Disks  Spares  Activity\n"
                                      "    0  Data  RAID 5  Functional and initialized  10.9 TiB      4          -\n") +
                              kSizeNote);

    Outcome raw = enclosure.zdctl({"-H", "array", "list"});
    EXPECT_TRUE(contains(raw.out, "Functional and initialized  23442111504")) << raw.out;
    EXPECT_TRUE(contains(raw.out, "Sizes are in 512-byte sectors.")) << raw.out;

    Outcome disks = enclosure.zdctl({"-a", "1", "disk", "list"});
    EXPECT_EQ(disks.code, 0);
    EXPECT_TRUE(contains(disks.out, "Disk  Status       Size  Array  Model")) << disks.out;
    EXPECT_TRUE(contains(disks.out, "   2  Free      1.8 TiB      -  ")) << disks.out;

    Outcome disk = enclosure.zdctl({"disk", "show", "2", "--smart"});
    EXPECT_EQ(disk.code, 0);
    EXPECT_TRUE(contains(disk.out, "Status:         Assigned\n")) << disk.out;
    EXPECT_TRUE(contains(disk.out, "Features:       NCQ, Write Cache, 48Bits, SMART, 6G\n")) << disk.out;
    EXPECT_TRUE(contains(disk.out, " ID  Attribute                Value  Worst  Threshold   Raw  Flags\n")) << disk.out;
    EXPECT_TRUE(contains(disk.out, "194  Temperature_Celsius        130    157          0    35  0x02\n")) << disk.out;

    Outcome show = enclosure.zdctl({"array", "show", "0"});
    EXPECT_TRUE(contains(show.out, "RAID:                  RAID 5\n")) << show.out;
    EXPECT_TRUE(contains(show.out, "Disks:                 0, 1, 2, 3\n")) << show.out;
    EXPECT_TRUE(contains(show.out, "Capacity: redundancy:  3.6 TiB\n")) << show.out;

    Outcome range = enclosure.zdctl({"range", "StripeSize"});
    EXPECT_EQ(range.out, "Number  Text    Default\n"
                         "    16  16 K\n    32  32 K\n    64  64 K    yes\n   128  128 K\n   256  256 K\n"
                         "   512  512 K\n  1024  1024 K\n");
    // The bare ampersand of the table text survives.
    EXPECT_EQ(enclosure.zdctl({"range", "CheckType"}).out, "Number  Text         Default\n     0  Check Only\n"
                                                           "     1  Check & Fix\n");
    Outcome error = enclosure.zdctl({"--json", "range", "Error"});
    nlohmann::json table = nlohmann::json::parse(error.out);
    EXPECT_EQ(table["entries"][15]["number"], 31);
    EXPECT_EQ(table["entries"][21]["text"], "Number of physical disks doesn't fit the specified RAID level");

    Outcome adapter = enclosure.zdctl({"adapter", "show"});
    EXPECT_TRUE(contains(adapter.out, "RAID levels:            RAID 0, RAID 1, RAID 1E, RAID 5, RAID 6, RAID 10, RAID 50, "
                                      "RAID 60\n"))
        << adapter.out;
    EXPECT_EQ(enclosure.zdctl({"adapter", "set", "alias=Lab shelf", "rebuild-speed=90"}).code, 0);
    Outcome changed = enclosure.zdctl({"adapter", "show"});
    EXPECT_TRUE(contains(changed.out, "Alias:                  Lab shelf\n")) << changed.out;
    EXPECT_TRUE(contains(changed.out, "rebuild 90,")) << changed.out;
}

TEST(Cli, ExitCodesAndRefusals)
{
    Enclosure enclosure;
    Outcome missing = enclosure.zdctl({"disk", "show", "77"});
    EXPECT_EQ(missing.code, 3);
    EXPECT_EQ(missing.err, "zdctl: disk 77 of adapter 0 not found\n");
    EXPECT_EQ(enclosure.zdctl({"array", "show", "9"}).code, 3);
    EXPECT_EQ(enclosure.zdctl({"-a", "9", "disk", "list"}).err, "zdctl: adapter 9 not found\n");
    EXPECT_EQ(enclosure.zdctl({"range", "raid"}).code, 3);
    EXPECT_EQ(enclosure.zdctl({"array", "frobnicate"}).code, 2);
    EXPECT_EQ(enclosure.zdctl({"--json", "--xml", "status"}).code, 2);
    EXPECT_EQ(enclosure.zdctl({"disk", "list", "--bogus"}).code, 2);
    EXPECT_EQ(enclosure.zdctl({"adapter", "set", "colour=red"}).code, 2);

    // A refusal by the controller: code and its text on stderr.
    Outcome refused = enclosure.zdctl({"array", "create", "--name", "M", "--raid", "1", "--disks", "5,6,7"});
    EXPECT_EQ(refused.code, 4);
    EXPECT_TRUE(contains(refused.err, "code 57 (Number of physical disks doesn't fit the specified RAID level)"))
        << refused.err;
    EXPECT_TRUE(contains(refused.out, "Available:   0 B")) << refused.out;

    // Destructive commands need --yes without a terminal; nothing happens before it.
    Outcome unconfirmed = enclosure.zdctl({"array", "delete", "0"});
    EXPECT_EQ(unconfirmed.code, 2);
    EXPECT_TRUE(contains(unconfirmed.err, "refusing to delete array 0 \"Data\"")) << unconfirmed.err;
    EXPECT_EQ(enclosure.zdctl({"disk", "free", "5"}).code, 2);
    EXPECT_EQ(enclosure.zdctl({"array", "init", "0"}).code, 2);
    EXPECT_TRUE(contains(enclosure.zdctl({"array", "list"}).out, "Data"));
    EXPECT_EQ(enclosure.zdctl({"array", "delete", "0", "--yes"}).code, 0);
    EXPECT_EQ(enclosure.zdctl({"array", "list"}).out, "No arrays on adapter 0.\n");

    Outcome noBridge = enclosure.run("/usr/bin/env", {"ZDCTL_BRIDGE=" + enclosure.file("missing.so"),
                                                      ZD_BINARY_DIR "/bin/zdctl", "status"});
    EXPECT_EQ(noBridge.code, 1);
    EXPECT_TRUE(contains(noBridge.err, "zdctl: cannot load the bridge library: ")) << noBridge.err;

    Outcome help = enclosure.zdctl({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(contains(help.out, "  4  refused by the controller (its code and \"Error\" text on stderr)\n"));
    EXPECT_TRUE(contains(help.out, "  5  status found an unhealthy state"));
}

TEST(Cli, CreateSendsTheRequestAndFollowsTheInitialisation)
{
    Enclosure enclosure;
    Outcome dryRun = enclosure.zdctl({"--json", "array", "create", "--name", "Data2", "--raid", "5", "--disks", "5-7",
                                      "--dry-run"});
    ASSERT_EQ(dryRun.code, 0) << dryRun.err;
    nlohmann::json preview = nlohmann::json::parse(dryRun.out)["preview"];
    EXPECT_EQ(preview["available_sectors"], 15628074336u);
    EXPECT_EQ(preview["redundancy_sectors"], 7814037168u);
    EXPECT_EQ(preview["unused_sectors"], 0);
    EXPECT_FALSE(contains(enclosure.zdctl({"array", "list"}).out, "Data2"));

    Outcome xml = enclosure.zdctl({"--xml", "array", "create", "--name", "A&B<", "--raid", "raid5", "--disks", "5,6,7",
                                   "--init", "background", "--pd-cache", "off"});
    ASSERT_EQ(xml.code, 0) << xml.err;
    EXPECT_TRUE(contains(xml.out, "<GetCreateTarget><Available>15628074336</Available><Backup>7814037168</Backup>"
                                  "<Unused>0</Unused></GetCreateTarget>\n"))
        << xml.out;
    EXPECT_TRUE(contains(xml.out, "<CreatePackageVD><Name>A&amp;B&lt;</Name><RAID>5</RAID><ParityNumber>1</ParityNumber>"
                                  "<Disks><ID>5</ID><ID>6</ID><ID>7</ID></Disks><StripeSize>64</StripeSize>"
                                  "<InitType>2</InitType><PDCache>0</PDCache><Spare>0</Spare>"
                                  "<SpareDiskID>0</SpareDiskID></CreatePackageVD>\n"
                                  "<Result><Code>0</Code><Text>No error</Text></Result>\n"))
        << xml.out;

    Outcome check = enclosure.zdctl({"array", "check", "0", "--fix", "--wait"});
    EXPECT_EQ(check.code, 0) << check.err;
    EXPECT_TRUE(contains(check.out, "Array 0: Check & Fix started.\n")) << check.out;
    EXPECT_TRUE(contains(check.out, "Array 0: Check & Fix: 100%\nArray 0: finished\n")) << check.out;

    Outcome wait = enclosure.zdctl({"array", "wait", "1"});
    EXPECT_EQ(wait.code, 0);
    EXPECT_TRUE(contains(wait.out, "Array 1 is Functional and initialized.\n")) << wait.out;
    Outcome shown = enclosure.zdctl({"--json", "array", "show", "1"});
    nlohmann::json array = nlohmann::json::parse(shown.out)["array"];
    EXPECT_EQ(array["name"], "A&B<");
    EXPECT_EQ(array["disks"], nlohmann::json({5, 6, 7}));
    EXPECT_EQ(array["pd_cache"], "Disable");
    EXPECT_TRUE(array["activity"].is_null());
}

TEST(Cli, FirmwareAndSchedules)
{
    Enclosure enclosure;
    const std::string bad = enclosure.file("bad.bin");
    ASSERT_EQ(enclosure.zdctl({"sim", "make-image", bad, "--type", "9"}).code, 0);
    Outcome info = enclosure.zdctl({"firmware", "info", bad});
    EXPECT_EQ(info.code, 4);
    EXPECT_TRUE(contains(info.out, "Check:      Invalid flash type (code 155)\n")) << info.out;
    EXPECT_EQ(enclosure.zdctl({"firmware", "info", enclosure.file("none.bin")}).code, 3);

    const std::string good = enclosure.file("good.bin");
    ASSERT_EQ(enclosure.zdctl({"sim", "make-image", good, "--version", "3.0.0.1", "--size", "100000"}).code, 0);
    Outcome checked = enclosure.zdctl({"--json", "firmware", "info", good});
    ASSERT_EQ(checked.code, 0) << checked.err;
    nlohmann::json firmware = nlohmann::json::parse(checked.out)["firmware"];
    EXPECT_EQ(firmware["version"], "3.0.0.1");
    EXPECT_EQ(firmware["type_text"], "Firmware");
    EXPECT_EQ(enclosure.zdctl({"firmware", "upload", good}).code, 2);
    Outcome upload = enclosure.zdctl({"--yes", "firmware", "upload", good});
    EXPECT_EQ(upload.code, 0) << upload.err;
    EXPECT_TRUE(contains(upload.out, "Firmware upload: 100%\nFirmware upload finished: No error.\n")) << upload.out;
    EXPECT_TRUE(contains(enclosure.zdctl({"adapter", "show"}).out, "Firmware:               3.0.0.1\n"));

    Outcome added = enclosure.zdctl({"schedule", "add", "--activity", "check", "--array", "0", "--repeat", "weekly",
                                     "--day", "2", "--time", "2300"});
    ASSERT_EQ(added.code, 0) << added.err;
    Outcome listed = enclosure.zdctl({"--json", "schedule", "list"});
    nlohmann::json schedules = nlohmann::json::parse(listed.out)["schedules"];
    ASSERT_EQ(schedules.size(), 1u);
    EXPECT_EQ(schedules[0]["VDBGAType"], "4");
    EXPECT_EQ(schedules[0]["ActivityText"], "Check Only");
    EXPECT_EQ(schedules[0]["ScheduleTypeText"], "Weekly");
    EXPECT_EQ(schedules[0]["SettingDateSupplement"], "2");
    EXPECT_TRUE(contains(enclosure.zdctl({"schedule", "list"}).out, "Check Only  Weekly at 23:00, weekday 2"));
    const std::string index = schedules[0]["Index"];
    EXPECT_EQ(enclosure.zdctl({"schedule", "remove", index}).code, 0);
    EXPECT_EQ(enclosure.zdctl({"schedule", "remove", index}).code, 3);
    EXPECT_EQ(enclosure.zdctl({"schedule", "list"}).out, "No schedules.\n");
}

TEST(Cli, DiskCommands)
{
    Enclosure enclosure;
    Outcome cache = enclosure.zdctl({"--xml", "disk", "cache", "5", "off"});
    EXPECT_EQ(cache.code, 0);
    EXPECT_TRUE(contains(cache.out, "\n<PDConfig><ID>5</ID><PDCache>0</PDCache></PDConfig>\n"
                                    "<Result><Code>0</Code><Text>No error</Text></Result>\n"))
        << cache.out;
    EXPECT_EQ(enclosure.zdctl({"disk", "cache", "5", "maybe"}).code, 2);

    EXPECT_EQ(enclosure.zdctl({"disk", "spare", "5"}).out, "Disk 5 is now a global spare.\n");
    EXPECT_EQ(enclosure.zdctl({"disk", "spare", "6", "--array", "0"}).out,
              "Disk 6 is now a dedicated spare of array 0.\n");
    Outcome list = enclosure.zdctl({"disk", "list"});
    EXPECT_TRUE(contains(list.out, "   5  Global Spare (Free)     3.6 TiB           -  ZDS DT4000-7K2 SATA 6Gb/s  "
                                   "ZS1001280005  -\n"))
        << list.out;
    EXPECT_TRUE(contains(list.out, "   6  Dedicated Spare (Free)  3.6 TiB  spare of 0  ")) << list.out;
    EXPECT_TRUE(contains(enclosure.zdctl({"disk", "show", "6"}).out, "Spare of array:  0\n"));
    nlohmann::json arrays = nlohmann::json::parse(enclosure.zdctl({"--json", "array", "list"}).out)["arrays"];
    EXPECT_EQ(arrays[0]["spares"], nlohmann::json({6}));

    EXPECT_EQ(enclosure.zdctl({"disk", "unspare", "5"}).out, "Disk 5 is a free disk again.\n");
    EXPECT_EQ(enclosure.zdctl({"disk", "unspare", "6"}).code, 0);
    nlohmann::json disks = nlohmann::json::parse(enclosure.zdctl({"--json", "disk", "list"}).out)["disks"];
    EXPECT_EQ(disks[5]["status_text"], "Free");
    EXPECT_EQ(disks[6]["status_text"], "Free");
    EXPECT_EQ(disks[6].count("spare_of_array"), 0u);

    // No activity to pause: the controller's refusal with its text.
    Outcome pause = enclosure.zdctl({"disk", "pause", "7"});
    EXPECT_EQ(pause.code, 4);
    EXPECT_EQ(pause.err, "zdctl: disk activity pause refused by the controller: code 62 (Virtual disk has not BGA)\n");
    EXPECT_EQ(enclosure.zdctl({"disk", "spare", "99"}).code, 3);
    EXPECT_EQ(enclosure.zdctl({"disk", "free", "5", "--yes"}).out, "Disk 5: RAID metadata wiped; it is free.\n");

    Outcome patrol = enclosure.zdctl({"disk", "patrol", "7", "--wait"});
    EXPECT_EQ(patrol.code, 0) << patrol.err;
    EXPECT_TRUE(contains(patrol.out, "Disk 7: media patrol started.\n")) << patrol.out;
    // The patrol may end before the first poll; either way it is reported finished.
    EXPECT_TRUE(contains(patrol.out, "Disk 7: finished\n")) << patrol.out;
}

TEST(Cli, ActivitiesAreShownPausedAndAborted)
{
    Enclosure enclosure("1");  // real time: the initialisation outlasts the test
    ASSERT_EQ(enclosure.zdctl({"array", "create", "--name", "Slow", "--raid", "1", "--disks", "5,6", "--init",
                               "background"})
                  .code,
              0);
    Outcome status = enclosure.zdctl({"status"});
    EXPECT_TRUE(contains(status.out, "      1  Slow  RAID 1  Functional but not initialized   3.6 TiB      2          "
                                     "Init BackGround "))
        << status.out;
    nlohmann::json array = nlohmann::json::parse(enclosure.zdctl({"--json", "status"}).out)["adapters"][0]["arrays"][1];
    EXPECT_EQ(array["activity"]["type"], 16);
    EXPECT_EQ(array["activity"]["type_text"], "Init BackGround");
    EXPECT_EQ(array["activity"]["status_text"], "Running");

    EXPECT_EQ(enclosure.zdctl({"array", "pause", "1"}).out, "Array 1: Pause sent.\n");
    EXPECT_TRUE(contains(enclosure.zdctl({"array", "list"}).out, "% [..........] (Paused)\n"));
    EXPECT_EQ(enclosure.zdctl({"array", "wait", "1"}).out,
              "Array 1: Init BackGround is Paused; not waiting\nArray 1 is Functional but not initialized.\n");
    EXPECT_EQ(enclosure.zdctl({"array", "resume", "1"}).out, "Array 1: Resume sent.\n");
    EXPECT_EQ(enclosure.zdctl({"array", "abort", "1"}).out, "Array 1: Abort sent.\n");
    EXPECT_EQ(enclosure.zdctl({"array", "wait", "1"}).out,
              "Array 1: no activity running\nArray 1 is Functional but not initialized.\n");
}

TEST(Cli, ArrayMaintenance)
{
    Enclosure enclosure;
    Outcome preview = enclosure.zdctl({"array", "migrate", "0", "--raid", "6", "--disks", "0-3,5", "--dry-run"});
    EXPECT_EQ(preview.code, 0) << preview.err;
    EXPECT_EQ(preview.out, std::string("Capacity preview: array 0 from RAID 5 to RAID 6 on disks 0, 1, 2, 3, 5\n"
                                       "  Available:   10.9 TiB\n  Redundancy:  7.3 TiB\n  Unused:      0 B\n") +
                               kSizeNote);
    EXPECT_EQ(enclosure.zdctl({"array", "migrate", "0", "--raid", "6", "--disks", "0-3,5"}).code, 2);
    Outcome down = enclosure.zdctl({"array", "migrate", "0", "--raid", "1", "--disks", "0,1", "--dry-run"});
    EXPECT_EQ(down.code, 4);
    Outcome migrate = enclosure.zdctl({"--yes", "array", "migrate", "0", "--raid", "6", "--disks", "0-3,5", "--wait"});
    EXPECT_EQ(migrate.code, 0) << migrate.err;
    EXPECT_TRUE(contains(migrate.out, "Array 0: Migrate: 100%\nArray 0: finished\n")) << migrate.out;
    Outcome shown = enclosure.zdctl({"array", "show", "0"});
    EXPECT_TRUE(contains(shown.out, "RAID:                  RAID 6\n")) << shown.out;
    EXPECT_TRUE(contains(shown.out, "Disks:                 0, 1, 2, 3, 5\n")) << shown.out;

    EXPECT_EQ(enclosure.zdctl({"array", "rename", "0", "SixteenCharsLong"}).code, 2);
    EXPECT_EQ(enclosure.zdctl({"array", "rename", "0", "Bulk"}).out, "Array 0 is now \"Bulk\".\n");
    EXPECT_EQ(enclosure.zdctl({"array", "cache", "0"}).code, 2);
    EXPECT_EQ(enclosure.zdctl({"array", "cache", "0", "--vd-cache", "protection", "--pd-cache", "off"}).out,
              "Array 0: volume cache Protection; disk cache Disable.\n");
    shown = enclosure.zdctl({"array", "show", "0"});
    EXPECT_TRUE(contains(shown.out, "Name:                  Bulk\n")) << shown.out;
    EXPECT_TRUE(contains(shown.out, "Volume cache:          Protection\nDisk cache:            Disable\n")) << shown.out;

    // With automatic rebuild off, a failed member is rebuilt by hand onto a free disk.
    ASSERT_EQ(enclosure.zdctl({"adapter", "set", "auto-rebuild=off"}).code, 0);
    ASSERT_EQ(enclosure.zdctl({"sim", "fail-disk", "2"}).code, 0);
    EXPECT_TRUE(contains(enclosure.zdctl({"array", "list"}).out, "RAID 6  Partially Optimal"));
    Outcome rebuild = enclosure.zdctl({"array", "rebuild", "0", "--disks", "6", "--wait"});
    EXPECT_EQ(rebuild.code, 0) << rebuild.err;
    EXPECT_TRUE(contains(rebuild.out, "Array 0: rebuild onto disks 6 started.\n")) << rebuild.out;
    EXPECT_TRUE(contains(rebuild.out, "Array 0: Rebuild: 100%\nArray 0: finished\n")) << rebuild.out;
    EXPECT_TRUE(contains(enclosure.zdctl({"array", "show", "0"}).out, "Status:                Functional and initialized\n"));
    Outcome init = enclosure.zdctl({"--yes", "array", "init", "0", "--type", "background", "--wait"});
    EXPECT_TRUE(contains(init.out, "Array 0: BackGround initialisation started.\n")) << init.out;
    EXPECT_EQ(enclosure.zdctl({"array", "init", "0", "--type", "sideways", "--yes"}).code, 2);
}

TEST(Cli, EventsRawAndSimulator)
{
    Enclosure enclosure;
    ASSERT_EQ(enclosure.zdctl({"adapter", "set", "auto-rebuild=off"}).code, 0);
    ASSERT_EQ(enclosure.zdctl({"sim", "fail-disk", "1"}).out, "Simulator: disk 1 on adapter 0 failed.\n");
    Outcome events = enclosure.zdctl({"--json", "events"});
    ASSERT_EQ(events.code, 0) << events.err;
    nlohmann::json list = nlohmann::json::parse(events.out)["events"];
    auto find = [&](const char* classText) {
        for (const nlohmann::json& event : list)
            if (event["class_text"] == classText) return event;
        return nlohmann::json();
    };
    nlohmann::json diskEvent = find("HD"), arrayEvent = find("VD");
    EXPECT_EQ(diskEvent["severity_text"], "Critical");
    EXPECT_EQ(diskEvent["device"], 1);
    EXPECT_EQ(arrayEvent["name"], "Data");
    EXPECT_EQ(arrayEvent["severity_text"], "Warning");
    EXPECT_EQ(enclosure.zdctl({"events"}).out, "No new events on adapter 0.\n");
    ASSERT_EQ(enclosure.zdctl({"sim", "pull-disk", "7"}).code, 0);
    Outcome table = enclosure.zdctl({"events"});
    EXPECT_TRUE(contains(table.out, "Index  Time                 Class  Severity  Code  Device  Details\n")) << table.out;
    EXPECT_FALSE(contains(enclosure.zdctl({"disk", "list"}).out, "ZS1001280007"));
    ASSERT_EQ(enclosure.zdctl({"sim", "insert-disk", "7"}).code, 0);
    EXPECT_TRUE(contains(enclosure.zdctl({"disk", "list"}).out, "   7  Free")) ;
    EXPECT_EQ(enclosure.zdctl({"sim", "fail-disk", "99"}).code, 3);
    EXPECT_EQ(enclosure.zdctl({"sim", "explode"}).code, 2);
    EXPECT_EQ(enclosure.zdctl({"sim", "make-image", enclosure.file("x.bin"), "--version", "1.2"}).code, 2);
    ASSERT_EQ(enclosure.zdctl({"--yes", "sim", "reset"}).code, 0);
    EXPECT_EQ(enclosure.zdctl({"status"}).code, 0);

    EXPECT_EQ(enclosure.zdctl({"raw", "version"}).out, "1.0.0.38\n");
    Outcome single = enclosure.zdctl({"raw", "single", "Buzzer", "0"});
    EXPECT_EQ(single.out, "<Buzzer><RingStatus>0</RingStatus></Buzzer>\n");
    EXPECT_EQ(enclosure.zdctl({"raw", "single", "PD", "99"}).code, 3);
    EXPECT_EQ(enclosure.zdctl({"raw", "array", "Nothing"}).code, 1);
    Outcome command = enclosure.zdctl({"raw", "command", "<NoSuchCommand />"});
    EXPECT_EQ(command.code, 4);
    EXPECT_EQ(command.out, "6 Invalid request\n");
    Outcome condition = enclosure.zdctl(
        {"raw", "condition", "<GetCreateTarget><RAID>1</RAID><Disks><ID>5</ID><ID>6</ID></Disks></GetCreateTarget>"});
    EXPECT_EQ(condition.out, "<GetCreateTarget><Available>7814037168</Available><Backup>7814037168</Backup>"
                             "<Unused>0</Unused></GetCreateTarget>\n");
}

TEST(Cli, AdapterCommands)
{
    Enclosure enclosure;
    EXPECT_EQ(enclosure.zdctl({"adapter", "list"}).out,
              "ID  Alias                Link  Firmware  Serial          Max disks\n"
              " 0  Thunderbolt Storage  TB    2.4.1.7   ZDT8-2411-1001          8\n"
              " 1  USB Enclosure        USB   2.4.1.7   ZDU4-2411-1002          4\n");
    Outcome buzzer = enclosure.zdctl({"--xml", "adapter", "buzzer-off"});
    EXPECT_EQ(buzzer.out, "<OEMCommand><OEMType>8</OEMType><OEMValue>1</OEMValue><OEMID>0</OEMID><Force>0</Force>"
                          "</OEMCommand>\n<Result><Code>0</Code><Text>No error</Text></Result>\n");
    EXPECT_EQ(enclosure.zdctl({"-a", "1", "adapter", "identify"}).out, "adapter 1: identify sent.\n");
    EXPECT_EQ(enclosure.zdctl({"adapter", "rescan"}).out, "Rescan done: 2 adapter(s).\n");
    EXPECT_EQ(enclosure.zdctl({"adapter", "set", "alias=TwentyCharactersLong"}).code, 2);
    EXPECT_EQ(enclosure.zdctl({"adapter", "set", "alarm"}).code, 2);
    EXPECT_EQ(enclosure.zdctl({"adapter", "set", "alarm=off", "SMARTPoll=0"}).out, "Adapter 0 configuration updated.\n");
    Outcome shown = enclosure.zdctl({"adapter", "show", "0"});
    EXPECT_TRUE(contains(shown.out, "Alarm:                  off\n")) << shown.out;
    EXPECT_TRUE(contains(shown.out, "SMART polling:          off\n")) << shown.out;
    EXPECT_TRUE(contains(enclosure.zdctl({"disk", "show", "1", "--smart"}).out,
                         "No SMART data (SMART polling is off, or the disk gave none).\n"));
    nlohmann::json adapter = nlohmann::json::parse(enclosure.zdctl({"--json", "adapter", "show", "1"}).out)["adapter"];
    EXPECT_EQ(adapter["AdapterLinkTypeText"], "USB");
    EXPECT_EQ(adapter["Alias"], "USB Enclosure");
    EXPECT_EQ(enclosure.zdctl({"adapter", "show", "7"}).code, 3);
}

TEST(Cli, GuidedTourRunsToTheEnd)
{
    Enclosure enclosure;
    Outcome tour = enclosure.run("/bin/bash", {ZD_SOURCE_DIR "/scripts/tour.sh", ZD_BINARY_DIR});
    EXPECT_EQ(tour.code, 0) << tour.err;
    EXPECT_TRUE(contains(tour.out, "Created array 1 \"Data2\": RAID 5 on disks 5, 6, 7")) << tour.out;
    EXPECT_TRUE(contains(tour.out, "Array 1: finished\n")) << tour.out;
    EXPECT_TRUE(contains(tour.out, "Array 0: Rebuild") || contains(tour.out, "Array 0: no activity running"));
    EXPECT_TRUE(contains(tour.out, "Firmware upload finished: No error.\n")) << tour.out;
    EXPECT_TRUE(contains(tour.out, "firmware 2.4.1.8")) << tour.out;
    size_t lastStatus = tour.out.rfind("==> 9. Final status");
    ASSERT_NE(lastStatus, std::string::npos);
    EXPECT_TRUE(contains(tour.out.substr(lastStatus), "Health: OK")) << tour.out;
}

}  // namespace
