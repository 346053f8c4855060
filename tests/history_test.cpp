// The event history: each controller event stored once, commits whole or not
// at all, the remembered state, queries by time, severity and adapter, files
// it refuses to open, controller events given back as the model read them,
// and the lock that tells whether zdmond keeps the history.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "front/EventHistory.h"
#include "front/ModelJson.h"
#include "front/MonitorLock.h"
#include "front/StoredEvent.h"
#include "support/TestSupport.h"

using zdfront::EventHistory;
using zdfront::HistoryError;
using zdfront::HistoryEvent;
using zdfront::HistoryQuery;

namespace {

HistoryEvent controllerEvent(unsigned adapter, int64_t sequence, int64_t time, unsigned severity = 2)
{
    HistoryEvent event;
    event.adapter = adapter;
    event.adapterSerial = "SN" + std::to_string(adapter);
    event.sequence = sequence;
    event.time = time;
    event.eventClass = 2;
    event.code = 3;
    event.device = 4;
    event.severity = severity;
    event.message = "disk 4 failed";
    return event;
}

HistoryEvent monitorEvent(const std::string& name, int64_t time)
{
    HistoryEvent event;
    event.source = zdfront::kSourceMonitor;
    event.name = name;
    event.time = time;
    event.severity = 6;
    event.message = name;
    return event;
}

std::vector<int64_t> sequences(const std::vector<HistoryEvent>& events)
{
    std::vector<int64_t> result;
    for (const HistoryEvent& event : events) result.push_back(event.sequence);
    return result;
}

}  // namespace

TEST(History, StoresEachControllerEventOnceAcrossReopening)
{
    zdtest::TempDir dir;
    const std::string path = dir.file("events.db");
    {
        EventHistory history(path, EventHistory::Mode::ReadWrite);
        std::vector<HistoryEvent> events{controllerEvent(0, 5, 1000), controllerEvent(0, 6, 1001),
                                         monitorEvent("DiskFailed", 1001)};
        EXPECT_EQ(history.commit(events, {}), 3u);
        EXPECT_GT(events[0].id, 0);
        EXPECT_LT(events[0].id, events[1].id);
        EXPECT_LT(events[1].id, events[2].id);
    }
    // A restarted daemon, or a reloaded bridge, delivers event 6 again and a new 7;
    // zdmond's own event of the same name is a new one.
    EventHistory history(path, EventHistory::Mode::ReadWrite);
    std::vector<HistoryEvent> again{controllerEvent(0, 6, 1001), controllerEvent(0, 7, 1002),
                                    monitorEvent("DiskFailed", 1001)};
    EXPECT_EQ(history.commit(again, {}), 2u);
    EXPECT_EQ(again[0].id, 0) << "a duplicate gets no id";
    // The same sequence number on another adapter, or after the controller
    // restarted its numbering (another time), is another event.
    std::vector<HistoryEvent> others{controllerEvent(1, 6, 1001), controllerEvent(0, 6, 2000)};
    EXPECT_EQ(history.commit(others, {}), 2u);
    EXPECT_EQ(sequences(history.query({})), (std::vector<int64_t>{5, 6, -1, 7, -1, 6, 6}));
}

TEST(History, CommitsEventsAndStateTogetherOrNotAtAll)
{
    zdtest::TempDir dir;
    const std::string path = dir.file("events.db");
    EventHistory history(path, EventHistory::Mode::ReadWrite);
    std::vector<HistoryEvent> first{monitorEvent("ArrayDegraded", 10)};
    history.commit(first, {{"array/SN0/1", "status=1"}, {"disk/SN0/4", "status=9"}});
    std::vector<HistoryEvent> none;
    history.commit(none, {{"array/SN0/1", "status=2"}, {"disk/SN0/4", ""}});
    EXPECT_EQ(history.state(), (zdfront::MonitorState{{"array/SN0/1", "status=2"}}));

    // Another process holds the write lock: the commit fails as Busy and changes nothing.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_exec(other, "PRAGMA busy_timeout=0", nullptr, nullptr, nullptr);
    std::vector<HistoryEvent> blocked{monitorEvent("ArrayOffline", 11)};
    try {
        history.commit(blocked, {{"array/SN0/1", "status=4"}});
        ADD_FAILURE() << "commit went through a held lock";
    } catch (const HistoryError& error) {
        EXPECT_EQ(error.kind(), HistoryError::Kind::Busy) << error.what();
    }
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(history.query({}).size(), 1u);
    EXPECT_EQ(history.state().at("array/SN0/1"), "status=2");
}

TEST(History, QueriesBySinceSeverityAdapterAndArrival)
{
    zdtest::TempDir dir;
    EventHistory history(dir.file("events.db"), EventHistory::Mode::ReadWrite);
    std::vector<HistoryEvent> events{controllerEvent(0, 1, 100, 2), controllerEvent(1, 2, 200, 3),
                                     controllerEvent(0, 3, 300, 6), controllerEvent(1, 4, 400, 2)};
    history.commit(events, {});
    auto query = [](std::optional<int64_t> since, std::optional<unsigned> severity, std::optional<unsigned> adapter,
                    int64_t afterId = 0, size_t limit = 0) {
        HistoryQuery q;
        q.since = since;
        q.minSeverity = severity;
        q.adapter = adapter;
        q.afterId = afterId;
        q.limit = limit;
        return q;
    };
    const auto none = std::nullopt;
    struct Case {
        HistoryQuery query;
        std::vector<int64_t> sequences;
    } cases[] = {
        {query(none, none, none), {1, 2, 3, 4}},
        {query(200, none, none), {2, 3, 4}},
        {query(none, 3u, none), {2, 3}},
        {query(none, none, 1u), {2, 4}},
        {query(250, 3u, 0u), {3}},
        {query(none, none, none, events[1].id), {3, 4}},
        {query(none, none, none, 0, 2), {3, 4}},
    };
    for (const Case& c : cases) EXPECT_EQ(sequences(history.query(c.query)), c.sequences);
    EXPECT_EQ(history.lastId(), events[3].id);

    EventHistory reader(dir.file("events.db"), EventHistory::Mode::ReadOnly);
    EXPECT_EQ(sequences(reader.query(query(300, none, none))), (std::vector<int64_t>{3, 4}));
    std::vector<HistoryEvent> more{controllerEvent(0, 9, 500)};
    EXPECT_THROW(reader.commit(more, {}), HistoryError);
}

TEST(History, RefusesLinksSpecialFilesAndMissingReadOnlyFiles)
{
    zdtest::TempDir dir;
    zdtest::writeFile(dir.file("target"), "precious");
    ASSERT_EQ(symlink(dir.file("target").c_str(), dir.file("link.db").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.file("fifo.db").c_str(), 0600), 0);
    for (const char* name : {"link.db", "fifo.db"})
        for (auto mode : {EventHistory::Mode::ReadOnly, EventHistory::Mode::ReadWrite})
            EXPECT_THROW(EventHistory(dir.file(name), mode), HistoryError) << name;
    EXPECT_EQ(zdtest::readFile(dir.file("target")), "precious");
    EXPECT_THROW(EventHistory(dir.file("missing.db"), EventHistory::Mode::ReadOnly), HistoryError);
    EXPECT_FALSE(zdtest::fileExists(dir.file("missing.db")));

    zdtest::writeFile(dir.file("garbage.db"), std::string(4096, 'x'));
    EXPECT_THROW(EventHistory(dir.file("garbage.db"), EventHistory::Mode::ReadWrite), HistoryError);
    EXPECT_EQ(zdtest::readFile(dir.file("garbage.db")), std::string(4096, 'x'));

    EventHistory created(dir.file("new.db"), EventHistory::Mode::ReadWrite);
    struct stat info {};
    ASSERT_EQ(stat(dir.file("new.db").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(History, GivesBackControllerEventsAsTheModelReadThem)
{
    using zdfront::Event;
    Event check;
    check.index = 7;
    check.time = 1796537655;
    check.code = 21;
    check.eventClass = {1, "Virtual Disk"};
    check.severity = {3, "Warning"};
    check.deviceText = "array 0 \"Data\"";
    check.text = "Check Only completed: 3 inconsistent stripes found, none repaired (a check and fix repairs them)";
    check.name = "Data";
    check.array = 0;
    check.params = {0, 3, 0};
    check.serial = "SN0";
    check.activityEnd = zdfront::ActivityEnd{"Check Only", true, 3u, 0u};
    Event migrate = check;
    migrate.index = 8;
    migrate.code = 82;
    migrate.text = "Migrate completed (RAID 5 -> RAID 6)";
    migrate.raidBefore = zdfront::Enumerated{5, "RAID 5"};
    migrate.raidAfter = zdfront::Enumerated{6, "RAID 6"};
    migrate.activityEnd = zdfront::ActivityEnd{"Migrate", true, std::nullopt, std::nullopt};
    Event failed;
    failed.index = 9;
    failed.eventClass = {2, "Physical Disk"};
    failed.severity = {6, "Critical"};
    failed.code = 3;
    failed.device = 4;
    failed.deviceText = "disk 4 (ZDS DT4000-7K2, serial ZS1001280003)";
    failed.text = "failed";
    failed.diskModel = "ZDS DT4000-7K2";
    failed.diskSerial = "ZS1001280003";
    failed.senseData = {112, 0, 3};
    failed.serial = "SN0";

    zdtest::TempDir dir;
    EventHistory history(dir.file("events.db"), EventHistory::Mode::ReadWrite);
    const std::vector<Event> events{check, migrate, failed};
    std::vector<HistoryEvent> rows;
    for (const Event& event : events) rows.push_back(zdfront::storedEvent(event));
    HistoryEvent own = monitorEvent("DiskFailed", 10), old = controllerEvent(0, 1, 10), garbled = old;
    old.data = R"({"index": 1, "class": 2, "code": 3})";  // stored before events had their words
    garbled.sequence = 2;
    garbled.data = "not json";
    rows.insert(rows.end(), {own, old, garbled});
    history.commit(rows, {});

    const std::vector<HistoryEvent> stored = history.query({});
    ASSERT_EQ(stored.size(), 6u);
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(stored[i].message, events[i].summary());
        std::optional<Event> back = zdfront::controllerEvent(stored[i]);
        ASSERT_TRUE(back) << stored[i].data;
        EXPECT_EQ(zdfront::toJson(*back), zdfront::toJson(events[i]));
    }
    EXPECT_TRUE(zdfront::controllerEvent(stored[0])->endsActivityOfArray(0));
    for (size_t i = 3; i < stored.size(); ++i) EXPECT_FALSE(zdfront::controllerEvent(stored[i])) << stored[i].data;

    // When zdmond last began reading every adapter's events.
    EXPECT_EQ(history.lastDrain(), std::nullopt);
    std::vector<HistoryEvent> none;
    history.commit(none, {{zdfront::kDrainedKey, "1796537655"}});
    EXPECT_EQ(history.lastDrain(), 1796537655);
}

TEST(History, TheMonitorLockTellsWhetherZdmondRuns)
{
    using zdfront::MonitorLock;
    zdtest::TempDir dir;
    const std::string path = dir.file("events.db");
    EXPECT_EQ(MonitorLock::holder(path), std::nullopt);
    EXPECT_EQ(MonitorLock::holder(dir.file("missing/events.db")), std::nullopt);
    {
        MonitorLock lock(path);
        EXPECT_EQ(MonitorLock::holder(path), std::to_string(getpid()));
        try {
            MonitorLock second(path);
            ADD_FAILURE() << "a second zdmond took the lock";
        } catch (const zdfront::LockError& error) {
            EXPECT_TRUE(zdtest::contains(error.what(), "another zdmond (pid " + std::to_string(getpid()) + ")"))
                << error.what();
        }
        struct stat info {};
        ASSERT_EQ(stat(lock.path().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0644u) << "readers that are not zdmond's user can tell it runs";
    }
    EXPECT_EQ(MonitorLock::holder(path), std::nullopt) << "the file stays, the lock went with its holder";

    // A reader's probe holding the lock for a moment does not keep zdmond from starting.
    int probe = open((path + ".lock").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(probe, LOCK_SH), 0);
    std::thread release([probe] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        close(probe);
    });
    EXPECT_NO_THROW(MonitorLock{path});
    release.join();

    // Lock files zdmond would refuse are no zdmond's, and a FIFO is never waited on.
    ASSERT_EQ(symlink(dir.file("elsewhere").c_str(), dir.file("link.db.lock").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.file("fifo.db.lock").c_str(), 0600), 0);
    for (const char* name : {"link.db", "fifo.db"}) {
        EXPECT_EQ(MonitorLock::holder(dir.file(name)), std::nullopt) << name;
        EXPECT_THROW(MonitorLock{dir.file(name)}, zdfront::LockError) << name;
    }
    EXPECT_FALSE(zdtest::fileExists(dir.file("elsewhere")));
}
