// zdmond end to end: the built daemon watching the simulator's enclosure,
// shared through a state file with zdctl runs, at a fast time scale. Every
// variable the programs read is set here.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "DaemonTestSupport.h"
#include "front/EventHistory.h"

using namespace std::chrono_literals;
using zdfront::EventHistory;
using zdfront::HistoryEvent;

namespace {

using Enclosure = zdtest::DaemonEnclosure;
using zdtest::kZdctl;
using zdtest::kZdmond;
using zdtest::waitUntil;
using zdtest::Zdmond;

const std::string kDegraded = "zd_array_degraded{adapter=\"0\",array=\"0\"}";

// The cells of the table's line that holds `text`: the parts between runs of two or more spaces.
std::vector<std::string> cells(const std::string& table, const std::string& text)
{
    const size_t at = table.find(text);
    if (at == std::string::npos) return {};
    const size_t begin = table.rfind('\n', at) == std::string::npos ? 0 : table.rfind('\n', at) + 1;
    const std::string line = table.substr(begin, table.find('\n', at) - begin);
    std::vector<std::string> found;
    for (size_t start = line.find_first_not_of(' '); start != std::string::npos;) {
        size_t end = line.find("  ", start);
        found.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? end : line.find_first_not_of(' ', end);
    }
    return found;
}

// A stand-in for systemd's notification socket, read all the time as systemd
// reads it: a datagram socket holds only a few unread messages, and a sender
// waits while it is full.
class NotifySocket {
public:
    explicit NotifySocket(std::string path) : m_path(std::move(path))
    {
        m_fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", m_path.c_str());
        EXPECT_EQ(bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        m_reader = std::thread([this] {
            while (!m_done) {
                received();
                std::this_thread::sleep_for(5ms);
            }
        });
    }
    ~NotifySocket()
    {
        m_done = true;
        m_reader.join();
        close(m_fd);
    }

    const std::string& path() const { return m_path; }
    // Every message so far, each followed by "|".
    std::string received()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        char buffer[512];
        for (ssize_t got; (got = recv(m_fd, buffer, sizeof(buffer), 0)) > 0;)
            m_received.append(buffer, static_cast<size_t>(got)) += "|";
        return m_received;
    }

private:
    std::string m_path;
    int m_fd = -1;
    std::atomic<bool> m_done{false};
    std::mutex m_mutex;
    std::string m_received;
    std::thread m_reader;
};
}  // namespace

TEST(DaemonEndToEnd, ADiskFailureIsStoredNotifiedAndClearedByTheRebuild)
{
    Enclosure enclosure;
    Zdmond zdmond(enclosure, enclosure.daemonArgs());
    ASSERT_TRUE(waitUntil([&] { return zdmond.metric(kDegraded) == 0.0; }, "the first cycle"));

    enclosure.succeeds({"sim", "fail-disk", "1"});
    ASSERT_TRUE(waitUntil([&] { return zdmond.metric(kDegraded) == 1.0; }, "the degraded array in /metrics"));
    EXPECT_EQ(zdmond.metric("zd_disk_failed{adapter=\"0\",disk=\"1\"}"), 1.0);
    const std::string page = zdmond.metrics();
    zdtest::writeFile(enclosure.file("metrics.txt"), page);
    EXPECT_EQ(enclosure.run("/bin/sh", {"-c", "/usr/bin/promtool check metrics < " + enclosure.file("metrics.txt")}).code, 0)
        << "promtool check metrics refused the page";

    ASSERT_TRUE(waitUntil([&] { return zdtest::contains(enclosure.hookLog(), "ArrayRecovered") &&
                                       zdtest::contains(enclosure.hookLog(), "RebuildFinished"); },
                          "the rebuild's end"));
    ASSERT_TRUE(waitUntil([&] { return zdmond.metric(kDegraded) == 0.0; }, "the array healthy in /metrics"));
    EXPECT_EQ(zdmond.metric("zd_disk_failed{adapter=\"0\",disk=\"1\"}"), 1.0) << "the failed disk stays failed";

    // Each change once, with the event name, the device and the component as arguments.
    const std::string hooks = enclosure.hookLog();
    for (const char* line : {"ArrayDegraded adapter0/array0 result=\n", "DiskFailed adapter0/array0 adapter0/disk1 result=\n",
                             "RebuildStarted adapter0/array0 result=\n", "RebuildFinished adapter0/array0 result=completed\n",
                             "ArrayRecovered adapter0/array0 result=\n"})
        EXPECT_EQ(zdtest::countOf(hooks, line), 1u) << line << "in:\n" << hooks;

    // The history: the controller's own events and zdmond's transitions.
    bool controllerFailure = false;
    for (const HistoryEvent& event : enclosure.history())
        if (event.source == zdfront::kSourceController && event.eventClass == 2 && event.code == 3 && event.device == 1)
            controllerFailure = true;
    EXPECT_TRUE(controllerFailure) << "the controller's disk-failed event is not in the history";
    for (const char* name : {"DiskFailed", "ArrayDegraded", "RebuildStarted", "RebuildFinished", "ArrayRecovered"})
        EXPECT_EQ(enclosure.historyCount(zdfront::kSourceMonitor, name), 1u) << name;
    EXPECT_EQ(zdmond.stop(SIGTERM), 0);
}

TEST(DaemonEndToEnd, ARestartOrReloadMidStreamLosesAndRepeatsNothing)
{
    Enclosure enclosure;
    {
        Zdmond zdmond(enclosure, enclosure.daemonArgs());
        ASSERT_TRUE(waitUntil([&] { return zdmond.metric(kDegraded) == 0.0; }, "the first cycle"));
        enclosure.succeeds({"array", "rename", "0", "First"});
        enclosure.succeeds({"sim", "fail-disk", "1"});
        ASSERT_TRUE(waitUntil([&] { return enclosure.historyCount(zdfront::kSourceMonitor, "ArrayDegraded") == 1; },
                              "the degraded array in the history"));
        // The bridge reloaded: it delivers the adapter's first event again.
        kill(zdmond.pid(), SIGHUP);
        ASSERT_TRUE(waitUntil([&] { return zdtest::countOf(zdmond.log(), "loaded bridge") == 2; }, "the reload"));
        enclosure.succeeds({"array", "rename", "0", "Second"});
        EXPECT_EQ(zdmond.stop(SIGTERM), 0);
    }
    // Events while no daemon runs are drained by the next one.
    enclosure.succeeds({"array", "rename", "0", "Third"});
    enclosure.succeeds({"-a", "1", "sim", "fail-disk", "1"});
    Zdmond zdmond(enclosure, enclosure.daemonArgs());
    ASSERT_TRUE(waitUntil([&] { return enclosure.historyCount(zdfront::kSourceMonitor, "ArrayRecovered") >= 1 &&
                                       enclosure.historyCount(zdfront::kSourceMonitor, "DiskFailed") == 2; },
                          "the second failure and the first rebuild's end"));
    EXPECT_EQ(zdmond.stop(SIGTERM), 0);

    // No controller event twice (the bridge delivered the first one again after its reload) ...
    std::vector<HistoryEvent> events = enclosure.history();
    std::set<std::pair<std::string, int64_t>> seen;
    for (const HistoryEvent& event : events)
        if (event.source == zdfront::kSourceController) {
            EXPECT_TRUE(seen.insert({event.adapterSerial, event.sequence}).second)
                << "event " << event.sequence << " of " << event.adapterSerial << " stored twice";
        }
    // ... and none lost: each rename's event once, before, during and after the restart.
    size_t renames = 0;
    for (const HistoryEvent& event : events)
        if (event.adapterSerial == "ZDT8-2411-1001" && event.eventClass == 1 && event.code == 4) ++renames;
    EXPECT_EQ(renames, 3u);
    // zdmond's own changes once each, though it was stopped while the array was degraded.
    EXPECT_EQ(enclosure.historyCount(zdfront::kSourceMonitor, "ArrayDegraded"), 2u);  // one per adapter
    EXPECT_EQ(enclosure.historyCount(zdfront::kSourceMonitor, "DiskFailed"), 2u);
}

TEST(DaemonEndToEnd, AScheduleDueNowStartsWithNobodyAskingForIt)
{
    Enclosure enclosure;
    Zdmond zdmond(enclosure, enclosure.daemonArgs());
    ASSERT_TRUE(waitUntil([&] { return zdmond.metric(kDegraded) == 0.0; }, "the first cycle"));
    // A daily check at this minute is due now. (Near the end of an hour the
    // controller's window is cut short: start in the next minute then.)
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    if (local.tm_min == 59 && local.tm_sec > 50) {
        std::this_thread::sleep_for(std::chrono::seconds(61 - local.tm_sec));
        now = std::time(nullptr);
        localtime_r(&now, &local);
    }
    char time[8];
    std::strftime(time, sizeof(time), "%H%M", &local);
    enclosure.succeeds({"schedule", "add", "--activity", "check", "--array", "0", "--time", time, "--repeat", "daily"});
    ASSERT_TRUE(waitUntil([&] { return enclosure.historyCount(zdfront::kSourceMonitor, "CheckStarted") == 1; },
                          "the scheduled check"));
    EXPECT_TRUE(waitUntil([&] { return zdtest::contains(enclosure.hookLog(), "CheckStarted adapter0/array0"); },
                          "the hook"));
    nlohmann::json schedules = nlohmann::json::parse(enclosure.succeeds({"--json", "schedule", "list"}).out)["schedules"];
    ASSERT_EQ(schedules.size(), 1u);
    EXPECT_EQ(schedules[0]["status_text"], "run") << schedules.dump();
    EXPECT_EQ(zdmond.stop(SIGTERM), 0);
}

TEST(DaemonEndToEnd, SignalsSystemdSecondInstanceOneshotAndTest)
{
    Enclosure enclosure;
    NotifySocket notify(enclosure.file("notify"));
    auto receive = [&] { return notify.received(); };

    Zdmond zdmond(enclosure, enclosure.daemonArgs(), {{"NOTIFY_SOCKET", notify.path()}, {"WATCHDOG_USEC", "400000"}});
    ASSERT_TRUE(waitUntil([&] { return zdtest::contains(receive(), "READY=1"); }, "READY=1"));
    ASSERT_TRUE(waitUntil([&] { return zdtest::contains(zdmond.log(), "; controller: simulator zdsim"); },
                          "the controller named in the log"));
    ASSERT_TRUE(waitUntil([&] { return zdtest::countOf(receive(), "WATCHDOG=1") >= 2; }, "watchdog keep-alives"));

    // A second daemon on the same history is refused, and so is a --oneshot run.
    zdtest::Outcome second = enclosure.run(kZdmond, enclosure.daemonArgs());
    EXPECT_EQ(second.code, 1);
    EXPECT_TRUE(zdtest::contains(second.err, "another zdmond (pid " + std::to_string(zdmond.pid()) + ") already watches"));
    EXPECT_EQ(enclosure.run(kZdmond, {"--oneshot", "--config", enclosure.file("zdmond.conf"), "--db",
                                      enclosure.database()}).code, 1);

    // SIGHUP: the file is read again, and alerts go to the new hook.
    enclosure.hook("hook2", "hook2.log");
    zdtest::writeFile(enclosure.file("zdmond.conf"),
                      "[syslog]\nseverity = off\n[hook]\nprogram = " + enclosure.file("hook2") + "\nseverity = info\n");
    kill(zdmond.pid(), SIGHUP);
    ASSERT_TRUE(waitUntil([&] { return zdtest::contains(receive(), "RELOADING=1"); }, "RELOADING=1"));
    ASSERT_TRUE(waitUntil([&] { return zdtest::contains(zdmond.log(), "reloaded " + enclosure.file("zdmond.conf")); },
                          "the reload"));
    enclosure.succeeds({"sim", "fail-disk", "1"});
    ASSERT_TRUE(waitUntil([&] { return zdtest::contains(enclosure.hookLog("hook2.log"), "DiskFailed"); }, "the new hook"));
    EXPECT_FALSE(zdtest::contains(enclosure.hookLog(), "DiskFailed"));

    // A broken file on reload keeps the running configuration.
    zdtest::writeFile(enclosure.file("zdmond.conf"), "[hook]\nprogramm = /bin/false\n");
    kill(zdmond.pid(), SIGHUP);
    ASSERT_TRUE(waitUntil([&] { return zdtest::contains(zdmond.log(), "reload refused"); }, "the refused reload"));
    EXPECT_TRUE(zdtest::contains(zdmond.log(), "unknown key 'programm' in [hook]"));

    // SIGTERM ends it within a second.
    std::chrono::milliseconds took{};
    EXPECT_EQ(zdmond.stop(SIGTERM, &took), 0);
    EXPECT_LT(took, 1000ms);
    EXPECT_TRUE(zdtest::contains(receive(), "STOPPING=1"));

    // --oneshot: one cycle, its events stored, exit 0.
    zdtest::writeFile(enclosure.file("zdmond.conf"), "[syslog]\nseverity = off\n");
    const size_t stored = enclosure.history().size();
    enclosure.succeeds({"array", "rename", "0", "Renamed"});
    zdtest::Outcome oneshot = enclosure.run(kZdmond, {"--oneshot", "--config", enclosure.file("zdmond.conf"), "--db",
                                              enclosure.database()});
    EXPECT_EQ(oneshot.code, 0) << oneshot.err;
    EXPECT_GT(enclosure.history().size(), stored);

    // A controller library that is not there: said at once, and the cycle fails.
    zdtest::Outcome noController = enclosure.run(kZdmond, {"--oneshot", "--config", enclosure.file("zdmond.conf"), "--db",
                                                   enclosure.database(), "--controller", enclosure.file("none.so")});
    EXPECT_EQ(noController.code, 1);
    EXPECT_TRUE(zdtest::contains(noController.err, enclosure.file("none.so"))) << noController.err;

    // --test: one alert through every configured channel.
    zdtest::Outcome test = enclosure.run(kZdmond, {"--test", "--config", enclosure.file("zdmond.conf"), "--hook",
                                           enclosure.file("hook")});
    EXPECT_EQ(test.code, 0) << test.out << test.err;
    EXPECT_FALSE(zdtest::contains(test.out, "syslog:")) << "syslog is off in this configuration";
    EXPECT_TRUE(zdtest::contains(test.out, "hook: sent"));
    EXPECT_TRUE(zdtest::contains(enclosure.hookLog(), "TestMessage zdmond result="));
    zdtest::Outcome failing = enclosure.run(kZdmond, {"--test", "--config", enclosure.file("zdmond.conf"), "--hook", "/bin/false"});
    EXPECT_EQ(failing.code, 1);
    EXPECT_TRUE(zdtest::contains(failing.out, "hook: FAILED"));
}

TEST(DaemonEndToEnd, ALockedOrFullHistoryLosesNothingAndCatchesUp)
{
    Enclosure enclosure;
    // A small file system of the test's own, in a mount namespace only this test and its children see.
    const std::string small = enclosure.file("small");
    mkdir(small.c_str(), 0700);
    if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", small.c_str(), "tmpfs", 0, "size=2m") != 0)
        GTEST_SKIP() << "needs root to mount a small file system: " << std::strerror(errno);
    const std::string database = small + "/events.db";
    auto count = [&](const std::string& name) {
        if (!zdtest::fileExists(database)) return size_t{0};
        size_t found = 0;
        for (const HistoryEvent& event : EventHistory(database, EventHistory::Mode::ReadOnly).query({}))
            if (event.name == name) ++found;
        return found;
    };
    Zdmond zdmond(enclosure, enclosure.daemonArgs(database));
    const std::string pending = "zdmond_history_pending_events";
    const std::string active = "zdmond_fault_active{fault=\"event history\"}";
    ASSERT_TRUE(waitUntil([&] { return zdmond.metric(kDegraded) == 0.0; }, "the first cycle"));

    // Another process holds the database's write lock: the rename's events wait in memory.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    enclosure.succeeds({"array", "rename", "0", "Locked"});
    ASSERT_TRUE(waitUntil([&] { return zdmond.metric(pending) > 0.0 && zdmond.metric(active) == 1.0; },
                          "the events waiting for the lock"));
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ASSERT_TRUE(waitUntil([&] { return zdmond.metric(pending) == 0.0 && zdmond.metric(active) == 0.0; },
                          "the history catching up after the lock"));

    // The disk fills up: nothing stored is lost, alerts still go out, and the
    // history catches up once there is room again.
    const size_t before = EventHistory(database, EventHistory::Mode::ReadOnly).query({}).size();
    {
        int filler = open((small + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
        std::string block(4096, 'x');
        while (write(filler, block.data(), block.size()) > 0) {
        }
        close(filler);
    }
    enclosure.succeeds({"sim", "fail-disk", "1"});
    ASSERT_TRUE(waitUntil([&] { return zdtest::contains(enclosure.hookLog(), "DiskFailed"); }, "the alert"));
    ASSERT_TRUE(waitUntil([&] { return zdmond.metric(pending) > 0.0; }, "the events waiting for room"));
    EXPECT_EQ(zdmond.metric(active), 1.0);
    EXPECT_GE(EventHistory(database, EventHistory::Mode::ReadOnly).query({}).size(), before);
    EXPECT_EQ(count("DiskFailed"), 0u);
    unlink((small + "/filler").c_str());
    ASSERT_TRUE(waitUntil([&] { return zdmond.metric(pending) == 0.0 && zdmond.metric(active) == 0.0; },
                          "the history catching up after the full disk"));
    EXPECT_EQ(count("DiskFailed"), 1u);
    EXPECT_EQ(count("ArrayDegraded"), 1u);
    EXPECT_TRUE(zdtest::contains(zdmond.log(), "event history: recovered"));
    EXPECT_EQ(zdmond.stop(SIGTERM), 0);
}

TEST(DaemonEndToEnd, ZdctlReadsTheHistoryFilteredAndFollowsIt)
{
    Enclosure enclosure;
    const std::string history = enclosure.database();
    const std::vector<std::string> oneshot{"--oneshot", "--config", enclosure.file("zdmond.conf"), "--db", history};
    ASSERT_EQ(enclosure.run(kZdmond, oneshot).code, 0);
    enclosure.succeeds({"-a", "1", "sim", "fail-disk", "1"});
    enclosure.succeeds({"array", "rename", "0", "Renamed"});
    ASSERT_EQ(enclosure.run(kZdmond, oneshot).code, 0);

    auto events = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--json", "events", "--history", history});
        nlohmann::json document = nlohmann::json::parse(enclosure.succeeds(args).out);
        std::vector<std::string> names;
        for (const auto& event : document["history_events"])
            names.push_back(event["source"] == "zdmond" ? event["name"].get<std::string>()
                                                       : "class " + std::to_string(event["class"].get<int>()) +
                                                             " code " + std::to_string(event["code"].get<int>()) +
                                                             " on " + std::to_string(event["adapter"].get<int>()));
        return names;
    };
    const std::vector<std::string> critical = events({"--severity", "critical"});
    EXPECT_EQ(critical, (std::vector<std::string>{"class 2 code 3 on 1", "ArrayDegraded", "DiskFailed"}));
    const std::vector<std::string> adapter0 = events({"-a", "0"});
    EXPECT_EQ(adapter0, (std::vector<std::string>{"class 1 code 4 on 0"}));
    EXPECT_TRUE(events({"--since", "@" + std::to_string(std::time(nullptr) + 3600)}).empty());
    EXPECT_EQ(events({"--since", "1h"}).size(), events({}).size());
    const std::string table = enclosure.succeeds({"events", "--history", history, "--severity", "warning"}).out;
    EXPECT_TRUE(zdtest::contains(table, "ArrayDegraded"));
    EXPECT_TRUE(zdtest::contains(table, "Critical"));

    zdtest::Outcome bad = enclosure.run(kZdctl, {"events", "--history", history, "--since", "yesterday"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_TRUE(zdtest::contains(bad.err, "--since takes"));
    EXPECT_EQ(enclosure.run(kZdctl, {"events", "--history", enclosure.file("none.db")}).code, 3);

    // --follow shows what zdmond stores from then on.
    const std::string followed = enclosure.file("follow.out");
    pid_t follower = enclosure.start(kZdctl, {"events", "--follow", "--history", history}, followed);
    ASSERT_TRUE(waitUntil([&] { return zdtest::contains(zdtest::readFile(followed), "DiskFailed"); }, "the backlog"));
    enclosure.succeeds({"sim", "fail-disk", "2"});
    ASSERT_EQ(enclosure.run(kZdmond, oneshot).code, 0);
    EXPECT_TRUE(waitUntil([&] { return zdtest::countOf(zdtest::readFile(followed), "DiskFailed") == 2; },
                          "the new failure"));
    kill(follower, SIGTERM);
    const int status = zdtest::waitForExit(follower);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // Without a history (and with --direct) zdctl drains the controller itself.
    zdtest::Outcome direct = enclosure.run(kZdctl, {"--json", "events", "--direct"});
    EXPECT_EQ(direct.code, 0) << direct.err;
    EXPECT_TRUE(zdtest::contains(direct.out, "\"events\""));
}

// The controller hands each event out once. While zdmond runs they are its
// own: `--wait` reads how a check ended from the history, and zdctl refuses
// to drain the controller. Once zdmond has stopped (its history still
// there), zdctl reads the controller's events itself again.
TEST(DaemonEndToEnd, ZdctlLeavesTheControllersEventsToARunningZdmond)
{
    Enclosure enclosure;
    enclosure.succeeds({"sim", "clock", "manual"});
    enclosure.succeeds({"sim", "corrupt", "0", "3"});
    const std::string completed =
        "Check Only completed: 3 inconsistent stripes found, none repaired (a check and fix repairs them)";
    auto checkEvents = [&](int code) {  // the history's events of array 0's check with that code
        std::vector<HistoryEvent> found;
        for (const HistoryEvent& event : enclosure.history())
            if (event.source == zdfront::kSourceController && event.eventClass == 1 && event.code == code &&
                event.device == 0)
                found.push_back(event);
        return found;
    };
    {
        Zdmond zdmond(enclosure, enclosure.daemonArgs());
        ASSERT_TRUE(waitUntil([&] { return zdmond.metric(kDegraded) == 0.0; }, "the first cycle"));
        const std::string keeps = "zdmond (pid " + std::to_string(zdmond.pid()) +
                                  ") keeps the controller's events in " + enclosure.database();
        for (const std::vector<std::string>& drains : {std::vector<std::string>{"events", "--direct"},
                                                      {"events", "--direct", "--follow"}, {"raw", "events"}}) {
            zdtest::Running refusing = enclosure.start(drains);
            if (!refusing.waitFor(keeps)) {
                ADD_FAILURE() << drains[0] << " " << drains[1] << " was not refused: " << refusing.written();
                refusing.signal(SIGKILL);  // it follows the controller's events
            }
            EXPECT_EQ(refusing.finish().code, 2) << drains[0] << " " << drains[1];
        }

        zdtest::Outcome checked = enclosure.follow({"--json", "array", "check", "0", "--wait"}, "40s");
        EXPECT_EQ(checked.code, 0) << checked.err;
        EXPECT_TRUE(zdtest::contains(checked.err, "Array 0: Check Only: 0%\nArray 0: Check Only has ended; waiting "
                                                  "for zdmond (pid " + std::to_string(zdmond.pid()) + ")"))
            << checked.err;
        EXPECT_TRUE(zdtest::contains(checked.err, "Array 0: " + completed + "\n")) << checked.err;
        nlohmann::json document = nlohmann::json::parse(checked.out);
        EXPECT_EQ(document["activity_end"], nlohmann::json::parse(R"({"activity": "Check Only", "completed": true,
            "inconsistencies_found": 3, "inconsistencies_repaired": 0})"));
        EXPECT_EQ(document["history"], enclosure.database());
        EXPECT_EQ(document["events"], nlohmann::json::array()) << "zdctl drained the controller";

        // Each event once in the history, told in the model's words, shown as the direct listing shows it.
        ASSERT_EQ(checkEvents(20).size(), 1u);
        ASSERT_EQ(checkEvents(21).size(), 1u);
        EXPECT_EQ(checkEvents(21)[0].message, "array 0 \"Data\": " + completed);
        const std::string table = enclosure.succeeds({"events"}).out;
        const std::vector<std::string> header = cells(table, "Id  "), row = cells(table, completed);
        ASSERT_GE(row.size(), 2u) << table;
        EXPECT_EQ(header.back(), "Event");
        EXPECT_EQ(header[header.size() - 2], "Device");
        EXPECT_EQ(row[row.size() - 2], "array 0 \"Data\"") << table;
        EXPECT_EQ(zdmond.stop(SIGTERM), 0);
    }

    // zdmond has stopped, its history and lock file stay: zdctl drains the controller itself.
    const size_t stored = enclosure.history().size();
    EXPECT_EQ(enclosure.succeeds({"events", "--direct"}).out, "No new events on adapter 0.\n");
    zdtest::Outcome direct = enclosure.follow({"--json", "array", "check", "0", "--wait"}, "40s");
    EXPECT_EQ(direct.code, 0) << direct.err;
    nlohmann::json document = nlohmann::json::parse(direct.out);
    EXPECT_EQ(document["activity_end"]["inconsistencies_found"], 3);
    EXPECT_EQ(document["events"].size(), 2u) << "started and completed, read by zdctl";
    EXPECT_FALSE(document.contains("history"));
    EXPECT_EQ(enclosure.history().size(), stored);
    zdtest::Outcome stale = enclosure.succeeds({"events"});
    EXPECT_TRUE(zdtest::contains(stale.err, "zdmond is not running with " + enclosure.database())) << stale.err;
}
