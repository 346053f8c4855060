// zdctl's guards, read-backs, exit statuses and documents, end to end
// against the simulator: each guard refuses, then its override goes ahead;
// a change that did not happen is never reported as success.
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <tinyxml.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace {

using nlohmann::json;
using zdtest::contains;
using zdtest::Enclosure;
using zdtest::Outcome;
using zdtest::Running;

TEST(ZdctlGuards, FirmwareImagesAreCheckedAgainstTheAdapter)
{
    Enclosure enclosure;
    const std::string other = enclosure.file("other.bin"), older = enclosure.file("older.bin");
    ASSERT_EQ(enclosure.zdctl({"sim", "make-image", other, "--device", "2579"}).code, 0);
    ASSERT_EQ(enclosure.zdctl({"sim", "make-image", older, "--version", "2.4.1.6"}).code, 0);

    Outcome info = enclosure.zdctl({"firmware", "info", other});
    EXPECT_EQ(info.code, 4);
    EXPECT_TRUE(contains(info.out, "Check:      refused: the image is for device 2579, adapter 0 is device 2578\n"));
    Outcome wrong = enclosure.zdctl({"--yes", "firmware", "upload", other, "--allow-downgrade"});
    EXPECT_EQ(wrong.code, 4);
    EXPECT_TRUE(contains(wrong.err, "device 2579, adapter 0 is device 2578"));

    Outcome downgrade = enclosure.zdctl({"--yes", "firmware", "upload", older});
    EXPECT_EQ(downgrade.code, 2);
    EXPECT_TRUE(contains(downgrade.err, "downgrade: the image's 2.4.1.6 is older than the running 2.4.1.7; only "
                                        "--allow-downgrade goes ahead"));
    EXPECT_TRUE(contains(enclosure.out({"adapter", "show"}), "Firmware:               2.4.1.7\n"));
    // The override alone is not a confirmation.
    EXPECT_EQ(enclosure.zdctl({"firmware", "upload", older, "--allow-downgrade"}).code, 2);
    Outcome flashed = enclosure.zdctl({"--yes", "firmware", "upload", older, "--allow-downgrade"});
    EXPECT_EQ(flashed.code, 0) << flashed.err;
    EXPECT_TRUE(contains(flashed.out, "Adapter 0 now runs firmware 2.4.1.6.\n"));

    // The same version again is refused the same way.
    EXPECT_EQ(enclosure.zdctl({"--yes", "firmware", "upload", older}).code, 2);

    // A path that is no regular file is named as such.
    Outcome directory = enclosure.zdctl({"firmware", "info", enclosure.file("")});
    EXPECT_EQ(directory.code, 2);
    EXPECT_TRUE(contains(directory.err, "is a directory, not a file"));
    ASSERT_EQ(mkfifo(enclosure.file("pipe").c_str(), 0600), 0);
    Outcome fifo = enclosure.zdctl({"firmware", "info", enclosure.file("pipe")});
    EXPECT_EQ(fifo.code, 2);
    EXPECT_TRUE(contains(fifo.err, "is not a regular file (a FIFO, socket or device)"));
}

TEST(ZdctlGuards, FreeingAnArrayDiskNamesTheArrayAndNeedsTheOverride)
{
    Enclosure enclosure;
    ASSERT_EQ(enclosure.zdctl({"adapter", "set", "auto-rebuild=off"}).code, 0);
    Outcome member = enclosure.zdctl({"--yes", "disk", "free", "2"});
    EXPECT_EQ(member.code, 2);
    EXPECT_TRUE(contains(member.err, "disk 2 is a member of array 0 \"Data\" (RAID 5, 10.9 TiB); freeing it takes the "
                                     "array into a degraded state; only --force-member goes ahead"));
    ASSERT_EQ(enclosure.zdctl({"sim", "fail-disk", "1"}).code, 0);
    Outcome last = enclosure.zdctl({"--yes", "disk", "free", "2"});
    EXPECT_TRUE(contains(last.err, "takes the array offline and its data out of reach"));
    EXPECT_TRUE(contains(enclosure.out({"array", "list"}), "Degrade"));

    ASSERT_EQ(enclosure.zdctl({"disk", "spare", "6", "--array", "0"}).code, 0);
    EXPECT_TRUE(contains(enclosure.zdctl({"--yes", "disk", "free", "6"}).err,
                         "disk 6 is the dedicated spare of array 0 \"Data\""));

    // Without a terminal the prompt's losses are in the refusal.
    Outcome unconfirmed = enclosure.zdctl({"disk", "free", "3", "--force-member"});
    EXPECT_EQ(unconfirmed.code, 2);
    EXPECT_TRUE(contains(unconfirmed.err, "array 0 \"Data\" (RAID 5, 10.9 TiB) will go offline"));

    Outcome forced = enclosure.zdctl({"--yes", "disk", "free", "3", "--force-member"});
    EXPECT_EQ(forced.code, 0) << forced.err;
    EXPECT_EQ(forced.out, "Disk 3 is now Free.\n");
    EXPECT_TRUE(contains(enclosure.out({"disk", "list"}), "   3  Free"));
    json disks = json::parse(enclosure.out({"--json", "disk", "list"}))["disks"];
    EXPECT_TRUE(disks[3]["array"].is_null());
}

TEST(ZdctlGuards, SchedulesFollowTheirArrayAndInitSchedulesAsk)
{
    Enclosure enclosure;
    ASSERT_EQ(enclosure.zdctl({"array", "create", "--name", "Two", "--raid", "1", "--disks", "5,6"}).code, 0);
    std::vector<std::string> daily{"schedule", "add", "--array", "1", "--time", "2300", "--repeat", "daily"};
    auto with = [&](std::vector<std::string> words, const std::string& activity) {
        words.insert(words.end(), {"--activity", activity});
        return words;
    };
    Outcome init = enclosure.zdctl(with(daily, "init"));
    EXPECT_EQ(init.code, 2);
    EXPECT_TRUE(contains(init.err, "all data on array 1 \"Two\" (RAID 1, 3.6 TiB) will be erased each time the "
                                   "schedule runs (daily at 23:00)"));
    EXPECT_EQ(enclosure.out({"schedule", "list"}), "No schedules.\n");
    std::vector<std::string> confirmed = with(daily, "init");
    confirmed.insert(confirmed.begin(), "--yes");
    Outcome stored = enclosure.zdctl(confirmed);
    ASSERT_EQ(stored.code, 0) << stored.err;
    std::smatch index;
    ASSERT_TRUE(std::regex_search(stored.out, index, std::regex("^Schedule (\\d+) stored: init of array 1")));
    ASSERT_EQ(enclosure.zdctl(with(daily, "check")).code, 0);
    EXPECT_TRUE(contains(enclosure.out({"array", "show", "1"}), index[1].str() + "  Init BackGround  Daily at 23:00"));

    // Deleting the array lists its schedules and removes them with it.
    Outcome unconfirmed = enclosure.zdctl({"array", "delete", "1"});
    EXPECT_EQ(unconfirmed.code, 2);
    EXPECT_TRUE(contains(unconfirmed.err, "schedule " + index[1].str() + " (Init BackGround, Daily at 23:00) will be removed"));
    Outcome deleted = enclosure.zdctl({"--yes", "array", "delete", "1"});
    EXPECT_EQ(deleted.code, 0) << deleted.err;
    // Its schedules go in the order they are stored, which their random indexes decide.
    EXPECT_EQ(deleted.out.rfind("Deleted array 1 \"Two\" (RAID 1, 3.6 TiB).\n", 0), 0u) << deleted.out;
    EXPECT_TRUE(contains(deleted.out, "\nRemoved schedule " + index[1].str() + " (Init BackGround, Daily at 23:00).\n"));
    EXPECT_EQ(zdtest::countOf(deleted.out, "\nRemoved schedule "), 2u);
    EXPECT_EQ(enclosure.out({"schedule", "list"}), "No schedules.\n");
    ASSERT_EQ(enclosure.zdctl({"array", "create", "--name", "Next", "--raid", "1", "--disks", "5,6"}).code, 0);
    EXPECT_EQ(enclosure.zdctl({"schedule", "check"}).code, 0);
    EXPECT_TRUE(contains(enclosure.out({"array", "show", "1"}), "Activity:              -\n"));
}

TEST(ZdctlTruth, ChangesAreReadBackAndPartialSuccessIsSaid)
{
    Enclosure enclosure;
    Outcome serial = enclosure.zdctl({"adapter", "set", "serial=ABC", "alias=Lab"});
    EXPECT_EQ(serial.code, 7);
    EXPECT_EQ(serial.out, "Adapter 0 configuration read back: alias=Lab.\n");
    EXPECT_TRUE(contains(serial.err, "serial did not take effect: the controller reports \"ZDT8-2411-1001\", not \"ABC\""));

    Outcome spare = enclosure.zdctl({"--json", "array", "create", "--name", "X", "--raid", "5", "--disks", "5-7",
                                     "--spare", "0"});
    EXPECT_EQ(spare.code, 7);
    json document = json::parse(spare.out);
    EXPECT_EQ(document["created"]["array"], 1);
    EXPECT_EQ(document["exit_status"], 7);
    EXPECT_TRUE(contains(spare.err, "disk 0 was not made its spare: the spare refused by the controller: code 56"));

    // A schedule the bridge did not store is a failure, and the file is left as it was.
    Enclosure missingDirectory;
    missingDirectory.setEnvironment("ZDBRIDGE_DB_PATH", missingDirectory.file("none/db.xml"));
    Enclosure garbage;
    zdtest::writeFile(garbage.file("garbage.xml"), "garbage");
    garbage.setEnvironment("ZDBRIDGE_DB_PATH", garbage.file("garbage.xml"));
    for (const Enclosure* broken : {&missingDirectory, &garbage}) {
        Outcome add = broken->zdctl({"schedule", "add", "--activity", "check", "--array", "0", "--time", "2300",
                                     "--repeat", "daily"});
        EXPECT_EQ(add.code, 4);
        EXPECT_TRUE(contains(add.err, "the schedule was not stored: the bridge answered code 1 (Failed); check that"));
    }
    EXPECT_EQ(zdtest::readFile(garbage.file("garbage.xml")), "garbage");
}

// Files that cannot take a change make it fail and are left as they were:
// schedule files (read-only, owned by another user, in a read-only
// directory; a missing directory and a file that is no schedule table:
// above) and the simulator's state file.
// zdctl runs as an unprivileged user, whose writes permissions stop.
TEST(ZdctlTruth, FilesThatCannotBeWrittenMakeChangesFail)
{
    Enclosure enclosure;
    if (!enclosure.runUnprivileged()) GTEST_SKIP() << "the user nobody cannot run zdctl from " ZD_BINARY_DIR;
    const std::string table = "<?xml version=\"1.0\"?>\n<root><BGASchedules/></root>\n";
    const std::string locked = enclosure.file("locked"), closed = enclosure.file("closed");
    ASSERT_EQ(mkdir(locked.c_str(), 0755), 0);  // root's: no new file in it for the user
    ASSERT_EQ(mkdir(closed.c_str(), 0555), 0);
    zdtest::writeFile(locked + "/db.xml", table);
    ASSERT_EQ(chmod((locked + "/db.xml").c_str(), 0444), 0);
    zdtest::writeFile(enclosure.file("others.xml"), table);  // root's, in the user's own directory
    struct Case {
        std::string path, content;  // content: what the file holds before and after; empty: no file
    };
    const Case cases[] = {
        {locked + "/db.xml", table},
        {enclosure.file("others.xml"), table},
        {closed + "/db.xml", ""},
    };
    for (const Case& c : cases) {
        enclosure.setEnvironment("ZDBRIDGE_DB_PATH", c.path);
        Outcome add = enclosure.zdctl({"schedule", "add", "--activity", "check", "--array", "0", "--time", "2300",
                                       "--repeat", "daily"});
        EXPECT_EQ(add.code, 4) << c.path << ": " << add.out;
        EXPECT_TRUE(contains(add.err, "the schedule was not stored: the bridge answered code 1 (Failed); check that")) << c.path;
        EXPECT_EQ(zdtest::fileExists(c.path) ? zdtest::readFile(c.path) : "", c.content) << c.path;
    }

    const std::string state = enclosure.file("enclosure.json");
    ASSERT_EQ(enclosure.zdctl({"array", "rename", "0", "Mine"}).code, 0);  // writes the state file
    ASSERT_EQ(chown(state.c_str(), 0, 0), 0);  // root's now; the user may still read it
    ASSERT_EQ(chmod(state.c_str(), 0644), 0);
    const std::string saved = zdtest::readFile(state);
    Outcome rename = enclosure.zdctl({"array", "rename", "0", "Renamed"});
    EXPECT_EQ(rename.code, 4);
    EXPECT_TRUE(contains(rename.err, "zdsim: the change was not made: the state file " + state + " is read-only."));
    EXPECT_EQ(zdtest::readFile(state), saved);
    EXPECT_TRUE(contains(enclosure.out({"array", "list"}), "    0  Mine  "));
}

TEST(ZdctlTruth, InputIsValidatedBeforeAnyCall)
{
    Enclosure enclosure;
    const std::vector<std::string> check{"schedule", "add", "--activity", "check", "--time", "2300"};
    auto add = [&](std::vector<std::string> extra) {
        std::vector<std::string> words = check;
        words.insert(words.end(), extra.begin(), extra.end());
        return enclosure.zdctl(words);
    };
    struct Case {
        std::vector<std::string> words;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {{"--array", "0", "--date", "20261332"}, 2, "'20261332' is not a calendar date"},
        {{"--array", "0", "--date", "20000101"}, 2, "have passed"},
        {{"--array", "9", "--date", "20991231"}, 3, "array 9 of adapter 0 not found"},
        {{"--array", "0", "--disk", "1", "--date", "20991231"}, 2, "--array and --disk exclude each other"},
        {{"--array", "0", "--repeat", "daily", "--every", "0"}, 2, "the interval takes 1 to 999"},
        {{"--array", "0", "--repeat", "weekly", "--day", "7"}, 2, "the weekday takes 0 to 6"},
    };
    for (const Case& c : cases) {
        Outcome outcome = add(c.words);
        EXPECT_EQ(outcome.code, c.code) << c.message;
        EXPECT_TRUE(contains(outcome.err, c.message));
    }
    EXPECT_EQ(enclosure.out({"schedule", "list"}), "No schedules.\n");

    Outcome disk = enclosure.zdctl({"array", "create", "--name", "N", "--raid", "5", "--disks", "5,6,99"});
    EXPECT_EQ(disk.code, 3);
    EXPECT_TRUE(contains(disk.err, "disk 99 of adapter 0 not found"));
    Outcome bytes = enclosure.zdctl({"array", "create", "--name", "ÄÄÄÄÄÄÄÄ", "--raid", "5", "--disks", "5-7"});
    EXPECT_EQ(bytes.code, 2);
    EXPECT_TRUE(contains(bytes.err, "takes at most 15 bytes; \"ÄÄÄÄÄÄÄÄ\" has 16"));
    Outcome control = enclosure.zdctl({"array", "rename", "0", "Tab\there"});
    EXPECT_EQ(control.code, 2);
    EXPECT_TRUE(contains(control.err, "must not contain control characters"));
    EXPECT_TRUE(contains(enclosure.out({"array", "list"}), "    0  Data  "));
}

// Every RAID level the help lists: the dry-run and create agree on 1, 2 and 3 disks.
TEST(ZdctlTruth, DryRunAndCreateAgree)
{
    Enclosure enclosure;
    std::string help = enclosure.out({"array", "create", "--help"});
    std::vector<std::string> levels;
    std::regex level("\\s(RAID \\w+) {2,}[a-z0-9]");
    for (auto it = std::sregex_iterator(help.begin(), help.end(), level); it != std::sregex_iterator(); ++it)
        levels.push_back((*it)[1]);
    ASSERT_EQ(levels.size(), 8u) << help;
    for (const std::string& raid : levels) {
        for (const char* disks : {"5", "5,6", "5-7"}) {
            std::vector<std::string> create{"array", "create", "--name", "T", "--raid", raid, "--disks", disks};
            std::vector<std::string> dryRun = create;
            dryRun.push_back("--dry-run");
            Outcome preview = enclosure.zdctl(dryRun);
            Outcome made = enclosure.zdctl(create);
            EXPECT_EQ(preview.code, made.code) << raid << " on " << disks << ": " << made.err;
            EXPECT_TRUE(made.code == 0 || made.code == 4) << raid << " on " << disks << ": " << made.err;
            if (made.code == 0) {
                ASSERT_EQ(enclosure.zdctl({"--yes", "array", "delete", "1"}).code, 0);
            }
        }
    }
}

TEST(ZdctlTruth, HealthExitCodesTellDegradedFromOffline)
{
    Enclosure enclosure;
    ASSERT_EQ(enclosure.zdctl({"adapter", "set", "auto-rebuild=off"}).code, 0);
    EXPECT_EQ(enclosure.zdctl({"status"}).code, 0);
    EXPECT_EQ(enclosure.zdctl({"-a", "5", "status"}).code, 3);
    ASSERT_EQ(enclosure.zdctl({"sim", "fail-disk", "1"}).code, 0);
    Outcome degraded = enclosure.zdctl({"status"});
    EXPECT_EQ(degraded.code, 5);
    EXPECT_TRUE(contains(degraded.out, "Health: DEGRADED (adapter 0 array 0 is Degrade; adapter 0 disk 1 is Offline"));
    EXPECT_EQ(enclosure.zdctl({"-a", "1", "status"}).code, 0);
    ASSERT_EQ(enclosure.zdctl({"sim", "fail-disk", "2"}).code, 0);
    Outcome offline = enclosure.zdctl({"--json", "status"});
    EXPECT_EQ(offline.code, 6);
    EXPECT_EQ(json::parse(offline.out)["verdict_text"], "offline");
    EXPECT_EQ(json::parse(offline.out)["healthy"], false);
}

TEST(ZdctlDetail, EveryMemberSlotAndEmptySlotIsShown)
{
    Enclosure enclosure;
    ASSERT_EQ(enclosure.zdctl({"adapter", "set", "auto-rebuild=off"}).code, 0);
    ASSERT_EQ(enclosure.zdctl({"disk", "spare", "6", "--array", "0"}).code, 0);
    ASSERT_EQ(enclosure.zdctl({"sim", "fail-disk", "1"}).code, 0);
    ASSERT_EQ(enclosure.zdctl({"sim", "pull-disk", "2"}).code, 0);
    EXPECT_TRUE(contains(enclosure.out({"array", "show", "0"}),
                         "Slot  Disk  State                      Size  Role\n"
                         "   0     0  Assigned                3.6 TiB  member\n"
                         "   1     1  Offline (Assigned)      3.6 TiB  member\n"
                         "   2     2  Missing                       -  member\n"
                         "   3     3  Assigned                3.6 TiB  member\n"
                         "   -     6  Dedicated Spare (Free)  3.6 TiB  dedicated spare\n"));
    EXPECT_TRUE(contains(enclosure.out({"disk", "list"}), "   2  Empty slot                    -           -  "));
    Outcome smart = enclosure.succeeds({"disk", "show", "3", "--smart"});
    EXPECT_TRUE(contains(smart.out, "\nSMART overall-health: PASSED\n"));
}

// Every kind of event the controller reports has its text, and names the
// array (by its name and its id in the listings) or the disk (by its model
// and serial number) it is about.
TEST(ZdctlDetail, EveryEventSaysWhatHappenedToWhichDevice)
{
    Enclosure enclosure;
    enclosure.succeeds({"sim", "clock", "manual"});
    const std::string image = enclosure.file("fw.bin");
    const std::vector<std::vector<std::string>> beforeMigration = {
        {"adapter", "set", "alias=Lab"},
        {"array", "create", "--name", "Two", "--raid", "1", "--disks", "5,6", "--init", "background"},
        {"sim", "advance", "30s"}, {"array", "rename", "1", "Pair"},
        {"array", "check", "1"}, {"array", "pause", "1"}, {"array", "resume", "1"}, {"array", "abort", "1"},
        {"sim", "corrupt", "1", "2"}, {"array", "check", "1", "--fix"}, {"sim", "advance", "40s"},
        {"disk", "spare", "7"}, {"disk", "unspare", "7"}, {"disk", "spare", "7", "--array", "1"},
        {"disk", "unspare", "7"}, {"--yes", "disk", "free", "7"}, {"disk", "cache", "7", "off"},
        {"disk", "patrol", "7"}, {"sim", "advance", "20s"},
        {"sim", "fail-disk", "1"}, {"sim", "advance", "45s"}, {"sim", "pull-disk", "1"}, {"sim", "insert-disk", "1"},
        {"--yes", "array", "migrate", "1", "--raid", "5", "--disks", "5-7"},
    };
    const std::vector<std::vector<std::string>> migrated = {{"sim", "advance", "60s"}};
    const std::vector<std::vector<std::string>> deleted = {
        {"--yes", "array", "delete", "1"}, {"sim", "make-image", image}, {"--yes", "firmware", "upload", image},
        {"adapter", "identify"},
    };
    json all = json::array();
    for (const auto* commands : {&beforeMigration, &migrated, &deleted}) {
        for (const auto& command : *commands) EXPECT_EQ(enclosure.zdctl(command).code, 0) << command[0];
        const json read = json::parse(enclosure.out({"--json", "events"}));
        for (const json& event : read["events"]) all.push_back(event);
    }

    const std::string disk = " (ZDS DT4000-7K2 SATA 6Gb/s, serial ZS100128000";
    struct Expected {
        int eventClass, code;
        std::string device, text;
    };
    const Expected expected[] = {
        {0, 1, "adapter 0", "settings changed"},
        {1, 1, "array 1 \"Pair\"", "created"},
        {1, 10, "array 1 \"Pair\"", "Initialisation started"},
        {1, 11, "array 1 \"Pair\"", "Initialisation completed"},
        {1, 4, "array 1 \"Pair\"", "settings changed"},
        {1, 20, "array 1 \"Pair\"", "Check Only started"},
        {1, 23, "array 1 \"Pair\"", "Check Only paused"},
        {1, 24, "array 1 \"Pair\"", "Check Only resumed"},
        {1, 22, "array 1 \"Pair\"", "Check Only aborted"},
        {1, 21, "array 1 \"Pair\"", "Check & Fix completed: 2 inconsistent stripes found, 2 repaired"},
        {2, 4, "disk 7" + disk + "7)", "made a global spare"},
        {2, 5, "disk 7" + disk + "7)", "made the dedicated spare of array 1"},
        {2, 6, "disk 7" + disk + "7)", "no longer a spare"},
        {2, 7, "disk 7" + disk + "7)", "RAID metadata wiped, the disk is free"},
        {2, 8, "disk 7" + disk + "7)", "settings changed"},
        {2, 10, "disk 7" + disk + "7)", "Media Patrol started"},
        {2, 11, "disk 7" + disk + "7)", "Media Patrol completed"},
        {2, 3, "disk 1" + disk + "1)", "failed"},
        {1, 2, "array 0 \"Data\"", "state changed to Degrade"},
        {2, 9, "disk 4" + disk + "4)", "spare took the place of a failed member of array 0"},
        {1, 30, "array 0 \"Data\"", "Rebuild started"},
        {1, 31, "array 0 \"Data\"", "Rebuild completed"},
        {2, 2, "disk 1" + disk + "1)", "removed"},
        {2, 1, "disk 1" + disk + "1)", "inserted"},
        {1, 80, "array 1 \"Pair\"", "Migrate started (RAID 1 -> RAID 5)"},
        {1, 82, "array 1 \"Pair\"", "Migrate completed"},
        {1, 3, "array \"Pair\"", "deleted"},
        {10, 1, "adapter 0", "firmware upload started (262176 bytes)"},
        {10, 2, "adapter 0", "firmware upload completed: version 2.4.1.8"},
        {15, 1, "enclosure of adapter 0", "enclosure request: User Req Identify"},
    };
    for (const Expected& want : expected) {
        bool found = false;
        for (const json& event : all)
            if (event["class"] == want.eventClass && event["code"] == want.code && event["text"] == want.text)
                found = found || event["device_text"] == want.device;
        EXPECT_TRUE(found) << want.eventClass << "/" << want.code << " " << want.device << ": " << want.text;
    }
    for (const json& event : all) {
        EXPECT_FALSE(contains(event["text"].get<std::string>(), "event code")) << event.dump();
        if (event["class"] == 1 && event["code"] != 3) {
            EXPECT_FALSE(event["array"].is_null()) << event.dump();
        }
    }
    auto end = std::find_if(all.begin(), all.end(), [](const json& event) { return event["code"] == 21; });
    ASSERT_NE(end, all.end());
    EXPECT_EQ((*end)["activity_end"], json::parse(R"({"activity": "Check & Fix", "completed": true,
        "inconsistencies_found": 2, "inconsistencies_repaired": 2})"));
}

// --wait says how a check ended and what it found, from the controller's
// event; an activity aborted meanwhile is a partial success; a scheduled
// check that could not start says why.
TEST(ZdctlDetail, CheckResultsAreReportedWhenTheCheckEnds)
{
    Enclosure enclosure;
    enclosure.succeeds({"sim", "clock", "manual"});
    enclosure.succeeds({"sim", "corrupt", "0", "5"});

    Outcome found = enclosure.follow({"--json", "array", "check", "0", "--wait"}, "40s");
    EXPECT_EQ(found.code, 0) << found.err;
    json document = json::parse(found.out);
    EXPECT_EQ(document["activity_end"], json::parse(R"({"activity": "Check Only", "completed": true,
        "inconsistencies_found": 5, "inconsistencies_repaired": 0})"));
    EXPECT_EQ(document["events"].size(), 2u);  // started and completed, both read by zdctl
    EXPECT_EQ(document["events"][1]["severity_text"], "Warning");  // stripes left inconsistent
    EXPECT_TRUE(contains(found.err, "Array 0: Check Only completed: 5 inconsistent stripes found, none repaired"));
    EXPECT_TRUE(contains(document["messages"][0]["text"], "Array 0 has 5 inconsistent stripes that were not "
                                                           "repaired; zdctl -a 0 array check 0 --fix repairs them"));

    Outcome fixed = enclosure.follow({"array", "check", "0", "--fix", "--wait"}, "40s");
    EXPECT_EQ(fixed.code, 0) << fixed.err;
    EXPECT_TRUE(contains(fixed.out, "Array 0: Check & Fix: 0%\nArray 0: Check & Fix: 100%\n"
                                    "Array 0: Check & Fix completed: 5 inconsistent stripes found, 5 repaired\n"));
    EXPECT_EQ(fixed.err, "");

    // Aborted by someone else while followed: said, and not a success.
    Running check = enclosure.start({"array", "check", "0", "--wait"});
    ASSERT_TRUE(check.waitFor("Array 0: Check Only: 0%\n")) << check.written();
    enclosure.succeeds({"array", "abort", "0"});
    Outcome aborted = check.finish();
    EXPECT_EQ(aborted.code, 7);
    EXPECT_TRUE(contains(aborted.out, "Array 0: Check Only aborted\n"));
    EXPECT_TRUE(contains(aborted.err, "zdctl: Array 0: Check Only was aborted before its end\n"));

    // A scheduled check that the controller refused: the reason and the array's state then.
    ASSERT_EQ(enclosure.zdctl({"adapter", "set", "auto-rebuild=off"}).code, 0);
    ASSERT_EQ(enclosure.zdctl({"sim", "fail-disk", "1"}).code, 0);
    std::time_t now = std::time(nullptr);
    char hhmm[8];
    std::strftime(hhmm, sizeof(hhmm), "%H%M", std::localtime(&now));
    ASSERT_EQ(enclosure.zdctl({"schedule", "add", "--activity", "check", "--array", "0", "--repeat", "daily",
                               "--time", hhmm}).code, 0);
    enclosure.succeeds({"schedule", "check"});
    json schedule = json::parse(enclosure.out({"--json", "schedule", "list"}))["schedules"][0];
    EXPECT_EQ(schedule["outcome_text"], "refused: Virtual disk is not ready to receive command (the array was Degrade)");
    EXPECT_EQ(schedule["array_status_at_run_text"], "Degrade");
    EXPECT_TRUE(contains(enclosure.out({"schedule", "list"}), "  run     refused: Virtual disk is not ready"));
}

// Ctrl-C while zdctl follows an activity leaves it running in the
// controller and says how to follow it again; an upload, which zdctl sends
// itself, is finished first.
TEST(ZdctlInterruption, CtrlCSaysWhatGoesOnAndHowToFollowIt)
{
    Enclosure enclosure;
    enclosure.succeeds({"sim", "clock", "manual"});
    Running check = enclosure.start({"array", "check", "0", "--wait"});
    ASSERT_TRUE(check.waitFor("Array 0: Check Only: 0%\n")) << check.written();
    check.signal(SIGINT);
    Outcome interrupted = check.finish();
    EXPECT_EQ(interrupted.code, 130);
    EXPECT_EQ(interrupted.err, "zdctl: interrupted: Array 0: Check Only goes on in the controller (0% done); follow "
                               "it with: zdctl -a 0 array wait 0\n");
    json array = json::parse(enclosure.out({"--json", "array", "show", "0"}))["array"];
    EXPECT_EQ(array["activity"]["type_text"], "Check Only");
    EXPECT_EQ(array["activity"]["status_text"], "Running");
    Outcome followed = enclosure.follow({"array", "wait", "0"}, "40s");
    EXPECT_TRUE(contains(followed.out, "Array 0: Check Only completed: no inconsistencies found\n"));

    const std::string image = enclosure.file("fw.bin");
    ASSERT_EQ(enclosure.zdctl({"sim", "make-image", image, "--size", "1048576"}).code, 0);
    enclosure.setEnvironment("ZD_SIM_PAGE_DELAY_MS", "20");  // 2 x 32 pages: about a second
    Running upload = enclosure.start({"--yes", "firmware", "upload", image});
    ASSERT_TRUE(upload.waitFor("Firmware upload: ")) << upload.written();
    upload.signal(SIGINT);
    Outcome flashed = upload.finish();
    EXPECT_EQ(flashed.code, 0) << flashed.err;
    EXPECT_TRUE(contains(flashed.err, "zdctl: the firmware upload cannot be interrupted: zdctl sends the image itself"));
    EXPECT_TRUE(contains(flashed.out, "Adapter 0 now runs firmware 2.4.1.8.\n"));
}

// The documents parse: --xml is one well-formed document, --json validates
// against the schema kept in the repository, whatever the outcome.
TEST(ZdctlDocuments, XmlParsesAndJsonValidatesAgainstTheSchema)
{
    Enclosure enclosure;
    const std::string image = enclosure.file("fw.bin");
    ASSERT_EQ(enclosure.zdctl({"sim", "make-image", image}).code, 0);
    ASSERT_EQ(enclosure.zdctl({"schedule", "add", "--activity", "check", "--array", "0", "--time", "2300", "--repeat",
                               "daily"}).code, 0);
    ASSERT_EQ(enclosure.zdctl({"adapter", "set", "auto-rebuild=off"}).code, 0);
    ASSERT_EQ(enclosure.zdctl({"sim", "fail-disk", "1"}).code, 0);
    const std::vector<std::vector<std::string>> commands = {
        {"status"}, {"adapter", "list"}, {"adapter", "show", "1"}, {"array", "list"}, {"array", "show", "0"},
        {"disk", "list"}, {"disk", "show", "2", "--smart"}, {"events"}, {"schedule", "list"}, {"firmware", "info", image},
        {"array", "create", "--name", "P", "--raid", "5", "--disks", "5-7", "--dry-run"}, {"range", "RAID"},
        {"disk", "show", "77"}, {"array", "delete", "0"}, {"adapter", "set", "serial=ABC"}, {"bogus"},
        {"-a", "1", "array", "check", "0", "--fix", "--wait"},
    };
    std::vector<std::string> files;
    for (const auto& words : commands) {
        std::vector<std::string> xmlWords{"--xml"}, jsonWords{"--json"};
        xmlWords.insert(xmlWords.end(), words.begin(), words.end());
        jsonWords.insert(jsonWords.end(), words.begin(), words.end());
        Outcome xml = enclosure.zdctl(xmlWords);
        TiXmlDocument document;
        document.Parse(xml.out.c_str());
        EXPECT_FALSE(document.Error()) << words[0] << ": " << document.ErrorDesc() << "\n" << xml.out;
        ASSERT_NE(document.RootElement(), nullptr) << xml.out;
        EXPECT_EQ(document.RootElement()->ValueStr(), "zdctl");
        EXPECT_EQ(document.RootElement()->Attribute("exit_status"), std::to_string(xml.code));

        Outcome out = enclosure.zdctl(jsonWords);
        json parsed = json::parse(out.out);  // one document, or this throws
        EXPECT_EQ(parsed["exit_status"], out.code);
        EXPECT_EQ(parsed["messages"].empty(), out.code == 0) << out.out;
        files.push_back(enclosure.file("doc" + std::to_string(files.size()) + ".json"));
        zdtest::writeFile(files.back(), out.out);
    }
    std::string script = "import json, sys, jsonschema\n"
                         "schema = json.load(open(sys.argv[1]))\n"
                         "jsonschema.Draft7Validator.check_schema(schema)\n"
                         "validator = jsonschema.Draft7Validator(schema)\n"
                         "bad = 0\n"
                         "for name in sys.argv[2:]:\n"
                         "    for error in validator.iter_errors(json.load(open(name))):\n"
                         "        bad += 1\n"
                         "        print(name, list(error.absolute_path), error.message)\n"
                         "sys.exit(1 if bad else 0)\n";
    zdtest::writeFile(enclosure.file("validate.py"), script);
    std::vector<std::string> arguments{enclosure.file("validate.py"), ZD_SOURCE_DIR "/cli/zdctl-output.schema.json"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    Outcome validated = enclosure.run("/usr/bin/python3", arguments);
    EXPECT_EQ(validated.code, 0) << validated.out << validated.err;
}

TEST(ZdctlDocuments, HelpVersionAndTerseOutput)
{
    Enclosure enclosure;
    Outcome help = enclosure.succeeds({"array", "create", "--help"});
    for (const char* part : {"Usage: zdctl [global options] array create --name NAME", "--spare ID",
                             "RAID 60   an even number of disks, 8 or more", "Example:\n  zdctl array create"})
        EXPECT_TRUE(contains(help.out, part));
    EXPECT_FALSE(contains(help.out, "Global options"));
    EXPECT_TRUE(contains(enclosure.out({"--help"}), "Sizes are IEC units"));
    EXPECT_EQ(enclosure.zdctl({"array", "explode", "--help"}).code, 2);

    std::string version = enclosure.out({"--version"});
    EXPECT_TRUE(std::regex_search(version, std::regex("^zdctl 1\\.0\\.0\\.38\nbridge 1\\.0\\.0\\.38 \\(")));

    EXPECT_EQ(enclosure.out({"--terse", "array", "list"}),
              "0\tData\tRAID 5\tFunctional and initialized\t12002361090048\t4\t-\t-\n");
    EXPECT_EQ(enclosure.out({"-t", "-a", "1", "disk", "list"}).substr(0, 27), "0\tAssigned\t2000398934016\t0\t");
}

}  // namespace
