// zdctl end to end: the built program run as a user runs it, against the
// simulator's built-in enclosure kept in a fresh state file per test.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <regex>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace {

using zdtest::Enclosure;
using zdtest::Outcome;
using zdtest::contains;

// Every part occurs in text.
void expectParts(const std::string& text, std::initializer_list<const char*> parts) {
    for (const char* part : parts) EXPECT_TRUE(contains(text, part));
}

TEST(Cli, StatusOfTheBuiltInEnclosure)
{
    Enclosure enclosure;
    Outcome status = enclosure.succeeds({"--no-color"});
    EXPECT_EQ(status.out, std::string(R"(Adapter 0  "Thunderbolt Storage"  TB  firmware 2.4.1.7  serial ZDT8-2411-1001
  Alarm: on, buzzer silent

  Array  Name  RAID    Status                          Size  Disks  Spares  Activity
      0  Data  RAID 5  Functional and initialized  10.9 TiB      4  -       -

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
      0  Mirror  RAID 1  Functional and initialized  1.8 TiB      2  -       -

  Disk  Status       Size  Array  Activity
     0  Assigned  1.8 TiB      0  -
     1  Assigned  1.8 TiB      0  -
     2  Free      1.8 TiB      -  -
     3  Free      1.8 TiB      -  -

Health: OK
)"));

    Outcome json = enclosure.succeeds({"--json", "status"});
    nlohmann::json document = nlohmann::json::parse(json.out);
    EXPECT_EQ(document["format_version"], 1);
    EXPECT_EQ(document["healthy"], true);
    ASSERT_EQ(document["adapters"].size(), 2u);
    const nlohmann::json& first = document["adapters"][0];
    EXPECT_EQ(first["link"], 0);
    EXPECT_EQ(first["link_text"], "TB");
    EXPECT_EQ(first["arrays"][0]["status"], 15);
    EXPECT_EQ(first["arrays"][0]["status_text"], "Functional and initialized");
    EXPECT_EQ(first["arrays"][0]["size_sectors"], 23442111504u);
    EXPECT_EQ(first["disks"].size(), 8u);
    EXPECT_EQ(first["disks"][4]["status_text"], "Global Spare (Free)");
    EXPECT_EQ(first["disks"][0]["array"], 0);
    EXPECT_TRUE(first["disks"][5]["array"].is_null());
}

TEST(Cli, ListsShowsAndRanges)
{
    Enclosure enclosure;
    EXPECT_EQ(enclosure.out({"array", "list"}),
              std::string("Array  Name  RAID    Status                          Size  Disks  Spares  Activity\n"
                          "    0  Data  RAID 5  Functional and initialized  10.9 TiB      4  -       -\n"));

    expectParts(enclosure.out({"-H", "array", "list"}),
                {"Functional and initialized  23442111504"});
    expectParts(enclosure.out({"-a", "1", "disk", "list"}),
                {"Disk  Status       Size  Array  Model", "   2  Free      1.8 TiB      -  "});
    expectParts(enclosure.out({"disk", "show", "2", "--smart"}),
                {"Status:         Assigned\n", "Features:       NCQ, Write Cache, 48Bits, SMART, 6G\n",
                 " ID  Attribute                Value  Worst  Threshold   Raw  Flags\n",
                 "194  Temperature_Celsius        130    157          0    35  0x02\n"});
    expectParts(enclosure.out({"array", "show", "0"}),
                {"RAID:                  RAID 5\n", "Disks:                 0, 1, 2, 3\n",
                 "Capacity: redundancy:  3.6 TiB\n"});

    EXPECT_EQ(enclosure.out({"range", "StripeSize"}), "Number  Text    Default\n"
                         "    16  16 K\n    32  32 K\n    64  64 K    yes\n   128  128 K\n   256  256 K\n"
                         "   512  512 K\n  1024  1024 K\n");
    // The bare ampersand of the table text survives.
    EXPECT_EQ(enclosure.out({"range", "CheckType"}), "Number  Text         Default\n     0  Check Only\n"
                                                     "     1  Check & Fix\n");
    nlohmann::json table = nlohmann::json::parse(enclosure.out({"--json", "range", "Error"}));
    EXPECT_EQ(table["entries"][15]["number"], 31);
    EXPECT_EQ(table["entries"][21]["text"], "Number of physical disks doesn't fit the specified RAID level");

    EXPECT_TRUE(contains(enclosure.out({"adapter", "show"}), "RAID levels:            RAID 0, RAID 1, RAID 1E, "
                                                              "RAID 5, RAID 6, RAID 10, RAID 50, RAID 60\n"));
    EXPECT_EQ(enclosure.zdctl({"adapter", "set", "alias=Lab shelf", "rebuild-speed=90"}).code, 0);
    expectParts(enclosure.out({"adapter", "show"}), {"Alias:                  Lab shelf\n", "rebuild 90,"});
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
    EXPECT_TRUE(contains(refused.err, "the controller cannot build RAID 1 on disks 5, 6, 7"));
    EXPECT_TRUE(contains(refused.out, "Available:   0 B"));

    // Destructive commands need --yes without a terminal; nothing happens before it.
    Outcome unconfirmed = enclosure.zdctl({"array", "delete", "0"});
    EXPECT_EQ(unconfirmed.code, 2);
    EXPECT_TRUE(contains(unconfirmed.err, "refusing to delete array 0 \"Data\""));
    EXPECT_EQ(enclosure.zdctl({"disk", "free", "5"}).code, 2);
    EXPECT_EQ(enclosure.zdctl({"array", "init", "0"}).code, 2);
    EXPECT_TRUE(contains(enclosure.out({"array", "list"}), "Data"));
    EXPECT_EQ(enclosure.zdctl({"array", "delete", "0", "--yes"}).code, 0);
    EXPECT_EQ(enclosure.out({"array", "list"}), "No arrays on adapter 0.\n");

    Outcome noBridge = enclosure.run("/usr/bin/env", {"ZDCTL_BRIDGE=" + enclosure.file("missing.so"),
                                                      ZD_BINARY_DIR "/bin/zdctl", "status"});
    EXPECT_EQ(noBridge.code, 1);
    EXPECT_TRUE(contains(noBridge.err, "zdctl: cannot load the bridge library: "));
    expectParts(enclosure.out({"--help"}), {"  4  refused by the controller (its code and \"Error\" text on stderr)\n",
                                            "  5  status: degraded", "  6  status: offline"});
}

TEST(Cli, CreateSendsTheRequestAndFollowsTheInitialisation)
{
    Enclosure enclosure;
    enclosure.succeeds({"sim", "clock", "manual"});  // activities move only when the test says
    Outcome dryRun = enclosure.succeeds(
        {"--json", "array", "create", "--name", "Data2", "--raid", "5", "--disks", "5-7", "--dry-run"});
    nlohmann::json preview = nlohmann::json::parse(dryRun.out)["preview"];
    EXPECT_EQ(preview["available_sectors"], 15628074336u);
    EXPECT_EQ(preview["redundancy_sectors"], 7814037168u);
    EXPECT_EQ(preview["unused_sectors"], 0);
    EXPECT_FALSE(contains(enclosure.out({"array", "list"}), "Data2"));

    Outcome xml = enclosure.succeeds({"--xml", "array", "create", "--name", "A&B<", "--raid", "raid5", "--disks",
                                      "5,6,7", "--init", "background", "--pd-cache", "off"});
    EXPECT_TRUE(contains(xml.out,
                         "<GetCreateTarget><Available>15628074336</Available><Backup>7814037168</Backup>"
                         "<Unused>0</Unused></GetCreateTarget></Exchange>\n"));
    EXPECT_TRUE(contains(xml.out,
                         "<Exchange call=\"sendCommand\" subject=\"CreatePackageVD\" code=\"0\" text=\"No error\">"
                         "<CreatePackageVD><Name>A&amp;B&lt;</Name><RAID>5</RAID><ParityNumber>1</ParityNumber>"
                         "<Disks><ID>5</ID><ID>6</ID><ID>7</ID></Disks><StripeSize>64</StripeSize>"
                         "<InitType>2</InitType><PDCache>0</PDCache><Spare>0</Spare>"
                         "<SpareDiskID>0</SpareDiskID></CreatePackageVD></Exchange>\n"));

    // The background initialisation, followed to the end that the controller's event reports.
    Outcome wait = enclosure.follow({"array", "wait", "1"}, "30s");
    EXPECT_EQ(wait.code, 0) << wait.err;
    expectParts(wait.out, {"Array 1: Init BackGround: 0%\nArray 1: Init BackGround: 100%\n"
                           "Array 1: Initialisation completed\n",
                           "Array 1 is Functional and initialized.\n"});
    nlohmann::json array = nlohmann::json::parse(enclosure.out({"--json", "array", "show", "1"}))["array"];
    EXPECT_EQ(array["name"], "A&B<");
    EXPECT_EQ(array["disks"], nlohmann::json({5, 6, 7}));
    EXPECT_EQ(array["pd_cache_text"], "Disable");
    EXPECT_TRUE(array["activity"].is_null());
}

TEST(Cli, FirmwareAndSchedules)
{
    Enclosure enclosure;
    const std::string bad = enclosure.file("bad.bin");
    ASSERT_EQ(enclosure.zdctl({"sim", "make-image", bad, "--type", "9"}).code, 0);
    Outcome info = enclosure.zdctl({"firmware", "info", bad});
    EXPECT_EQ(info.code, 4);
    EXPECT_TRUE(contains(info.out, "Check:      refused: Invalid flash type (code 155)\n"));
    EXPECT_EQ(enclosure.zdctl({"firmware", "info", enclosure.file("none.bin")}).code, 3);

    const std::string good = enclosure.file("good.bin");
    ASSERT_EQ(enclosure.zdctl({"sim", "make-image", good, "--version", "3.0.0.1", "--size", "100000"}).code, 0);
    Outcome checked = enclosure.succeeds({"--json", "firmware", "info", good});
    nlohmann::json firmware = nlohmann::json::parse(checked.out)["firmware"];
    EXPECT_EQ(firmware["version"], "3.0.0.1");
    EXPECT_EQ(firmware["type_text"], "Firmware");
    EXPECT_EQ(enclosure.zdctl({"firmware", "upload", good}).code, 2);
    Outcome upload = enclosure.succeeds({"--yes", "firmware", "upload", good});
    EXPECT_TRUE(contains(upload.out, "Firmware upload: 100%\nFirmware upload finished: No error.\n"));
    EXPECT_TRUE(contains(enclosure.out({"adapter", "show"}), "Firmware:               3.0.0.1\n"));

    enclosure.succeeds({"schedule", "add", "--activity", "check", "--array", "0", "--repeat", "weekly", "--day", "2",
                        "--time", "2300"});
    nlohmann::json schedules = nlohmann::json::parse(enclosure.out({"--json", "schedule", "list"}))["schedules"];
    ASSERT_EQ(schedules.size(), 1u);
    EXPECT_EQ(schedules[0]["activity"], 4);
    EXPECT_EQ(schedules[0]["activity_text"], "Check Only");
    EXPECT_EQ(schedules[0]["repeat_text"], "Weekly");
    EXPECT_EQ(schedules[0]["day"], 2);
    EXPECT_TRUE(contains(enclosure.out({"schedule", "list"}), "Check Only  Weekly on Tuesday at 23:00"));
    const std::string index = std::to_string(schedules[0]["index"].get<uint64_t>());
    EXPECT_EQ(enclosure.zdctl({"schedule", "remove", index}).code, 0);
    EXPECT_EQ(enclosure.zdctl({"schedule", "remove", index}).code, 3);
    EXPECT_EQ(enclosure.out({"schedule", "list"}), "No schedules.\n");
}

TEST(Cli, DiskCommands)
{
    Enclosure enclosure;
    Outcome cache = enclosure.succeeds({"--xml", "disk", "cache", "5", "off"});
    EXPECT_TRUE(contains(cache.out, "<Exchange call=\"sendCommand\" subject=\"PDConfig\" code=\"0\" text=\"No error\">"
                                    "<PDConfig><ID>5</ID><PDCache>0</PDCache></PDConfig></Exchange>\n"));
    EXPECT_EQ(enclosure.zdctl({"disk", "cache", "5", "maybe"}).code, 2);

    EXPECT_EQ(enclosure.out({"disk", "spare", "5"}), "Disk 5 is now a global spare.\n");
    EXPECT_EQ(enclosure.out({"disk", "spare", "6", "--array", "0"}), "Disk 6 is now a dedicated spare of array 0.\n");
    expectParts(enclosure.out({"disk", "list"}),
                {"   5  Global Spare (Free)     3.6 TiB           -  ZDS DT4000-7K2 SATA 6Gb/s  ZS1001280005  -\n",
                 "   6  Dedicated Spare (Free)  3.6 TiB  spare of 0  "});
    EXPECT_TRUE(contains(enclosure.out({"disk", "show", "6"}), "Spare of array:  0\n"));
    EXPECT_EQ(nlohmann::json::parse(enclosure.out({"--json", "array", "list"}))["arrays"][0]["spares"],
              nlohmann::json({6}));

    EXPECT_EQ(enclosure.out({"disk", "unspare", "5"}), "Disk 5 is a free disk again.\n");
    EXPECT_EQ(enclosure.zdctl({"disk", "unspare", "6"}).code, 0);
    nlohmann::json disks = nlohmann::json::parse(enclosure.out({"--json", "disk", "list"}))["disks"];
    EXPECT_EQ(disks[5]["status_text"], "Free");
    EXPECT_EQ(disks[6]["status_text"], "Free");
    EXPECT_TRUE(disks[6]["spare_of_array"].is_null());

    // No activity to pause: the controller's refusal with its text.
    Outcome pause = enclosure.zdctl({"disk", "pause", "7"});
    EXPECT_EQ(pause.code, 4);
    EXPECT_EQ(pause.err, "zdctl: disk activity pause refused by the controller: code 62 (Virtual disk has not BGA)\n");
    EXPECT_EQ(enclosure.zdctl({"disk", "spare", "99"}).code, 3);
    EXPECT_EQ(enclosure.out({"disk", "free", "5", "--yes"}), "Disk 5 is now Free.\n");

    enclosure.succeeds({"sim", "clock", "manual"});
    Outcome patrol = enclosure.follow({"disk", "patrol", "7", "--wait"}, "20s");
    EXPECT_EQ(patrol.code, 0) << patrol.err;
    expectParts(patrol.out, {"Disk 7: media patrol started.\n", "Disk 7: Media Patrol: 0%\nDisk 7: Media Patrol: 100%\n"
                                                                 "Disk 7: Media Patrol completed\n"});
}

TEST(Cli, ActivitiesAreShownPausedAndAborted)
{
    Enclosure enclosure;
    enclosure.succeeds({"sim", "clock", "manual"});  // the initialisation waits for the test
    ASSERT_EQ(enclosure.zdctl({"array", "create", "--name", "Slow", "--raid", "1", "--disks", "5,6", "--init",
                               "background"})
                  .code,
              0);
    EXPECT_TRUE(contains(enclosure.out({"status"}), "      1  Slow  RAID 1  Functional but not initialized   "
                                                    "3.6 TiB      2  -       Init BackGround "));
    nlohmann::json array = nlohmann::json::parse(enclosure.out({"--json", "status"}))["adapters"][0]["arrays"][1];
    EXPECT_EQ(array["activity"]["type"], 16);
    EXPECT_EQ(array["activity"]["type_text"], "Init BackGround");
    EXPECT_EQ(array["activity"]["status_text"], "Running");

    EXPECT_EQ(enclosure.out({"array", "pause", "1"}), "Array 1: Pause sent.\n");
    EXPECT_TRUE(contains(enclosure.out({"array", "list"}), "% [..........] (Paused)\n"));
    EXPECT_EQ(enclosure.out({"array", "wait", "1"}),
              "Array 1: Init BackGround is Paused; not waiting\nArray 1 is Functional but not initialized.\n");
    EXPECT_EQ(enclosure.out({"array", "resume", "1"}), "Array 1: Resume sent.\n");
    EXPECT_EQ(enclosure.out({"array", "abort", "1"}), "Array 1: Abort sent.\n");
    EXPECT_EQ(enclosure.out({"array", "wait", "1"}),
              "Array 1: no activity running\nArray 1 is Functional but not initialized.\n");
}

TEST(Cli, ArrayMaintenance)
{
    Enclosure enclosure;
    enclosure.succeeds({"sim", "clock", "manual"});
    Outcome preview = enclosure.succeeds({"array", "migrate", "0", "--raid", "6", "--disks", "0-3,5", "--dry-run"});
    EXPECT_EQ(preview.out, std::string("Capacity preview: array 0 from RAID 5 to RAID 6 on disks 0, 1, 2, 3, 5\n"
                                       "  Available:   10.9 TiB\n  Redundancy:  7.3 TiB\n  Unused:      0 B\n"));
    EXPECT_EQ(enclosure.zdctl({"array", "migrate", "0", "--raid", "6", "--disks", "0-3,5"}).code, 2);
    EXPECT_EQ(enclosure.zdctl({"array", "migrate", "0", "--raid", "1", "--disks", "0,1", "--dry-run"}).code, 4);
    Outcome migrate = enclosure.follow({"--yes", "array", "migrate", "0", "--raid", "6", "--disks", "0-3,5", "--wait"},
                                       "60s");
    EXPECT_EQ(migrate.code, 0) << migrate.err;
    EXPECT_TRUE(contains(migrate.out, "Array 0: Migrate: 0%\nArray 0: Migrate: 100%\nArray 0: Migrate completed"));
    expectParts(enclosure.out({"array", "show", "0"}),
                {"RAID:                  RAID 6\n", "Disks:                 0, 1, 2, 3, 5\n"});

    EXPECT_EQ(enclosure.zdctl({"array", "rename", "0", "SixteenCharsLong"}).code, 2);
    EXPECT_EQ(enclosure.out({"array", "rename", "0", "Bulk"}), "Array 0 is now \"Bulk\".\n");
    EXPECT_EQ(enclosure.zdctl({"array", "cache", "0"}).code, 2);
    EXPECT_EQ(enclosure.out({"array", "cache", "0", "--vd-cache", "protection", "--pd-cache", "off"}),
              "Array 0: volume cache Protection; disk cache Disable.\n");
    expectParts(enclosure.out({"array", "show", "0"}),
                {"Name:                  Bulk\n",
                 "Volume cache:          Protection\nDisk cache:            Disable\n"});

    // With automatic rebuild off, a failed member is rebuilt by hand onto a free disk.
    ASSERT_EQ(enclosure.zdctl({"adapter", "set", "auto-rebuild=off"}).code, 0);
    ASSERT_EQ(enclosure.zdctl({"sim", "fail-disk", "2"}).code, 0);
    EXPECT_TRUE(contains(enclosure.out({"array", "list"}), "RAID 6  Partially Optimal"));
    Outcome rebuild = enclosure.follow({"array", "rebuild", "0", "--disks", "6", "--wait"}, "45s");
    EXPECT_EQ(rebuild.code, 0) << rebuild.err;
    expectParts(rebuild.out, {"Array 0: rebuild onto disks 6 started.\n",
                              "Array 0: Rebuild: 0%\nArray 0: Rebuild: 100%\nArray 0: Rebuild completed\n"});
    EXPECT_TRUE(contains(enclosure.out({"array", "show", "0"}), "Status:                Functional and initialized\n"));
    EXPECT_TRUE(contains(enclosure.follow({"--yes", "array", "init", "0", "--type", "background", "--wait"}, "30s").out,
                         "BackGround initialisation of array 0 \"Bulk\" (RAID 6, 10.9 TiB) started.\n"));
    EXPECT_EQ(enclosure.zdctl({"array", "init", "0", "--type", "sideways", "--yes"}).code, 2);
}

TEST(Cli, EventsRawAndSimulator)
{
    Enclosure enclosure;
    ASSERT_EQ(enclosure.zdctl({"adapter", "set", "auto-rebuild=off"}).code, 0);
    ASSERT_EQ(enclosure.out({"sim", "fail-disk", "1"}), "Simulator: disk 1 on adapter 0 failed.\n");
    // --direct: the controller's events even where zdmond keeps a history.
    Outcome events = enclosure.succeeds({"--json", "events", "--direct"});
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
    EXPECT_EQ(enclosure.out({"events", "--direct"}), "No new events on adapter 0.\n");
    ASSERT_EQ(enclosure.zdctl({"sim", "pull-disk", "7"}).code, 0);
    std::string pulled = enclosure.out({"events", "--direct"});
    EXPECT_TRUE(contains(pulled, "Index  Time                 Class  Severity  Code  Device  Event\n"));
    EXPECT_TRUE(contains(pulled, "  HD     Warning      2  disk 7  removed\n"));
    EXPECT_FALSE(contains(enclosure.out({"disk", "list"}), "ZS1001280007"));
    ASSERT_EQ(enclosure.zdctl({"sim", "insert-disk", "7"}).code, 0);
    EXPECT_TRUE(contains(enclosure.out({"disk", "list"}), "   7  Free"));
    EXPECT_EQ(enclosure.zdctl({"sim", "fail-disk", "99"}).code, 3);
    EXPECT_EQ(enclosure.zdctl({"sim", "explode"}).code, 2);
    EXPECT_EQ(enclosure.zdctl({"sim", "make-image", enclosure.file("x.bin"), "--version", "1.2"}).code, 2);
    // An image name is often in /tmp: a link planted there is not followed, a FIFO not waited on.
    const std::string victim = enclosure.file("victim"), link = enclosure.file("link.bin"), fifo = enclosure.file("fifo");
    zdtest::writeFile(victim, "keep");
    ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Outcome linked = enclosure.zdctl({"sim", "make-image", link});
    EXPECT_EQ(linked.code, 1);
    EXPECT_EQ(linked.err, "zdctl: cannot write the firmware image " + link +
                              ": it is a symbolic link, which is never followed\n");
    EXPECT_EQ(zdtest::readFile(victim), "keep");
    Outcome piped = enclosure.zdctl({"sim", "make-image", fifo});
    EXPECT_EQ(piped.code, 1);
    EXPECT_EQ(piped.err, "zdctl: cannot write the firmware image " + fifo + ": it is not a regular file\n");
    ASSERT_EQ(enclosure.zdctl({"--yes", "sim", "reset"}).code, 0);
    EXPECT_EQ(enclosure.zdctl({"status"}).code, 0);

    EXPECT_EQ(enclosure.out({"raw", "version"}), "1.0.0.38\n");
    EXPECT_EQ(enclosure.out({"raw", "single", "Buzzer", "0"}), "<Buzzer><RingStatus>0</RingStatus></Buzzer>\n");
    EXPECT_EQ(enclosure.zdctl({"raw", "single", "PD", "99"}).code, 3);
    EXPECT_EQ(enclosure.zdctl({"raw", "array", "Nothing"}).code, 1);
    Outcome command = enclosure.zdctl({"raw", "command", "<NoSuchCommand />"});
    EXPECT_EQ(command.code, 4);
    EXPECT_EQ(command.out, "6 Invalid request\n");
    EXPECT_EQ(enclosure.out({"raw", "condition",
                             "<GetCreateTarget><RAID>1</RAID><Disks><ID>5</ID><ID>6</ID></Disks></GetCreateTarget>"}),
              "<GetCreateTarget><Available>7814037168</Available><Backup>7814037168</Backup>"
                             "<Unused>0</Unused></GetCreateTarget>\n");
}

TEST(Cli, AdapterCommands)
{
    Enclosure enclosure;
    EXPECT_EQ(enclosure.out({"adapter", "list"}),
              "ID  Alias                Link  Firmware  Serial          Max disks\n"
              " 0  Thunderbolt Storage  TB    2.4.1.7   ZDT8-2411-1001          8\n"
              " 1  USB Enclosure        USB   2.4.1.7   ZDU4-2411-1002          4\n");
    EXPECT_EQ(enclosure.out({"--xml", "adapter", "buzzer-off"}),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<zdctl version=\"1.0.0.38\" format_version=\"1\" bridge_version=\"1.0.0.38\" command=\"adapter buzzer-off\" "
              "exit_status=\"0\">\n"
              "<Exchange call=\"sendCommand\" subject=\"OEMCommand\" code=\"0\" text=\"No error\"><OEMCommand><OEMType>8</OEMType>"
              "<OEMValue>1</OEMValue><OEMID>0</OEMID><Force>0</Force></OEMCommand></Exchange>\n"
              "<Exchange call=\"getSingleInfo\" subject=\"Buzzer 0\"><Buzzer><RingStatus>0</RingStatus></Buzzer>"
              "</Exchange>\n</zdctl>\n");
    EXPECT_EQ(enclosure.out({"-a", "1", "adapter", "identify"}), "Adapter 1: identify sent.\n");
    EXPECT_EQ(enclosure.out({"adapter", "rescan"}), "Rescan done: 2 adapter(s).\n");
    EXPECT_EQ(enclosure.zdctl({"adapter", "set", "alias=TwentyCharactersLong"}).code, 2);
    EXPECT_EQ(enclosure.zdctl({"adapter", "set", "alarm"}).code, 2);
    EXPECT_EQ(enclosure.out({"adapter", "set", "alarm=off", "SMARTPoll=0"}),
              "Adapter 0 configuration read back: alarm=0, smart-poll=0.\n");
    expectParts(enclosure.out({"adapter", "show", "0"}),
                {"Alarm:                  off\n", "SMART polling:          off\n"});
    EXPECT_TRUE(contains(enclosure.out({"disk", "show", "1", "--smart"}),
                         "No SMART data (SMART polling is off, or the disk gave none).\n"));
    nlohmann::json adapter = nlohmann::json::parse(enclosure.out({"--json", "adapter", "show", "1"}))["adapter"];
    EXPECT_EQ(adapter["link_text"], "USB");
    EXPECT_EQ(adapter["alias"], "USB Enclosure");
    EXPECT_EQ(enclosure.zdctl({"adapter", "show", "7"}).code, 3);
}

TEST(Cli, GuidedTourRunsToTheEnd)
{
    Enclosure enclosure;
    Outcome tour = enclosure.run("/bin/bash", {ZD_SOURCE_DIR "/scripts/tour.sh", ZD_BINARY_DIR});
    EXPECT_EQ(tour.code, 0) << tour.err;
    expectParts(tour.out, {"Created array 1 \"Data2\": RAID 5 on disks 5, 6, 7", "Array 1: Initialisation completed\n",
                           "Array 1: Check Only completed: 3 inconsistent stripes found, none repaired",
                           "Array 1: Check & Fix completed: 3 inconsistent stripes found, 3 repaired\n",
                           "Firmware upload finished: No error.\n", "firmware 2.4.1.8"});
    EXPECT_TRUE(contains(tour.out, "Array 0: Rebuild") || contains(tour.out, "Array 0: no activity running"));
    size_t lastStatus = tour.out.rfind("==> 9. Final status");
    ASSERT_NE(lastStatus, std::string::npos);
    EXPECT_TRUE(contains(tour.out.substr(lastStatus), "Health: OK"));
    const std::regex loginUrl("\\$ zdmond --print-url\nhttp://127\\.0\\.0\\.1:[0-9]+/login\\?token=[0-9a-f]{64}\n");
    EXPECT_TRUE(std::regex_search(tour.out, loginUrl)) << tour.out.substr(lastStatus);
}

// Whether the system loader would find a libzd_api.so of its own.
bool systemHasControllerLibrary()
{
    for (const char* directory : {"/lib", "/usr/lib", "/lib/" ZD_MULTIARCH, "/usr/lib/" ZD_MULTIARCH})
        if (zdtest::fileExists(std::string(directory) + "/libzd_api.so")) return true;
    std::string cache;
    if (FILE* listing = popen("/sbin/ldconfig -p 2>/dev/null", "r")) {
        char buffer[4096];
        for (size_t got; (got = fread(buffer, 1, sizeof(buffer), listing)) > 0;) cache.append(buffer, got);
        pclose(listing);
    }
    return cache.find("\tlibzd_api.so ") != std::string::npos;
}

TEST(Cli, ControllerLibraryIsChosenExplicitly)
{
    namespace fs = std::filesystem;
    Enclosure enclosure;
    const std::string zdctl = ZD_BINARY_DIR "/bin/zdctl";
    const std::string simulator = fs::canonical(ZD_SIM_LIBRARY).string();
    const std::string bridge = fs::canonical(ZD_BRIDGE_LIBRARY).parent_path().string() + "/libzdbridge.so.1";
    auto withController = [&](const std::string& setting, const std::string& command) {
        return enclosure.run("/usr/bin/env", {"ZDBRIDGE_CONTROLLER=" + setting, zdctl, command});
    };

    Outcome flag = enclosure.run("/usr/bin/env", {"-u", "ZDBRIDGE_CONTROLLER", zdctl, "--simulator", "--version"});
    EXPECT_EQ(flag.out, "zdctl 1.0.0.38\nbridge 1.0.0.38 (" + bridge + ")\ncontroller: simulator zdsim 1.0.0 (" +
                            simulator + ")\n");
    EXPECT_EQ(withController("simulator", "--version").out, flag.out);
    EXPECT_EQ(withController(simulator, "--version").out, flag.out);
    EXPECT_TRUE(contains(withController(simulator, "status").out, "Health: OK"));
    // "system" takes whatever the loader finds, and still names it.
    Outcome found = enclosure.run("/usr/bin/env", {"-u", "ZDBRIDGE_CONTROLLER", "LD_LIBRARY_PATH=" +
                                                   fs::path(simulator).parent_path().string(), zdctl, "--version"});
    EXPECT_EQ(found.out, flag.out);

    const std::string missing = enclosure.file("missing.so"), fifo = enclosure.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Refusal {
        std::string setting, message;
    };
    for (const Refusal& refusal : std::vector<Refusal>{
             {"lib/libzd_api.so", "unknown controller library 'lib/libzd_api.so' in ZDBRIDGE_CONTROLLER: expected "
                                  "system, simulator or the absolute path of a libzd_api.so"},
             {missing, "the controller library " + missing + " does not exist"},
             {fifo, "the controller library " + fifo + " is not a regular file"},
         }) {
        Outcome refused = withController(refusal.setting, "status");
        EXPECT_EQ(refused.code, 1) << refusal.setting;
        EXPECT_EQ(refused.err, "zdctl: " + refusal.message + "\n");
        EXPECT_EQ(refused.out, "");
    }

    // The chosen library lacks the SONAME, so the bridge binds to the one LD_LIBRARY_PATH offers.
    Outcome mixed = enclosure.run("/usr/bin/env", {"LD_LIBRARY_PATH=" + fs::path(simulator).parent_path().string(),
                                                   "ZDBRIDGE_CONTROLLER=" ZD_FAKE_CONTROLLER, zdctl, "status"});
    EXPECT_EQ(mixed.code, 1);
    EXPECT_TRUE(contains(mixed.err, "zdctl: the bridge uses the controller library " + simulator +
                                        ", not the chosen " ZD_FAKE_CONTROLLER " ("));

    if (systemHasControllerLibrary()) GTEST_SKIP() << "this system has a libzd_api.so on the loader's path";
    Outcome none = enclosure.run("/usr/bin/env", {"-u", "ZDBRIDGE_CONTROLLER", zdctl, "status"});
    EXPECT_EQ(none.code, 1);
    EXPECT_TRUE(contains(none.err, "zdctl: no controller library: the enclosure vendor's libzd_api.so is not on the "
                                   "loader's path (libzd_api.so: cannot open shared object file"));
    EXPECT_TRUE(contains(none.err, "install zdbridge-simulator and choose the simulator (zdctl --simulator, or "
                                   "ZDBRIDGE_CONTROLLER=simulator)\n"));
}

}  // namespace
