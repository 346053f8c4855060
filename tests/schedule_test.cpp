// The schedule due rules, checked in-process on a fixed clock: run once,
// daily, weekly and monthly schedules around their time window, weekday, day
// of month, interval and last-run boundaries, and the marks a check writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "schedule/DBLock.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduleDataAccess.h"
#include "ScheduleTestSupport.h"
#include "support/TestSupport.h"

using zdtest::readFile;
using zdtest::waitForExit;
using zdtest::TempDir;
using zdtest::writeFile;

namespace {

using Row = zdtest::ScheduleRow;
const auto storeXml = zdtest::scheduleStore;

// Local time of a calendar moment.
time_t at(int year, int month, int day, int hour, int minute) {
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
    return mktime(&t);
}

class DueRules : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override { Schedule::setNowForTesting(0); }

    // The indexes a check at `now` finds due among rows written to the file.
    std::vector<uint64_t> dueAt(const std::vector<Row>& rows, time_t now) {
        writeFile(path(), storeXml(rows));
        Schedule::setNowForTesting(now);
        ScheduleDataAccess store(path());
        uint64_t indexes[ScheduleDataAccess::kMaxSchedules];
        int count = -1;
        store.checkBgaSchedules(indexes, count);
        return std::vector<uint64_t>(indexes, indexes + count);
    }
    bool isDue(const Row& row, time_t now) { return !dueAt({row}, now).empty(); }
    std::string path() const { return m_dir.file("db.xml"); }

    TempDir m_dir;
};

}  // namespace

// What the rules below do not reach: odd texts in the file's columns.
TEST_F(DueRules, ColumnsAreReadLeniently) {
    Schedule::setNowForTesting(at(2024, 6, 1, 9, 5));
    EXPECT_EQ(Schedule::getNow(), "202406010905");
    EXPECT_EQ(Schedule::formatNum("930", 4), "0930");
    EXPECT_EQ(Schedule::formatNum("12345", 4), "1234");
    EXPECT_EQ(Schedule::formatNum("", 1), "0");
    EXPECT_EQ(Schedule::toNumber("12ab"), 12u);
    EXPECT_EQ(Schedule::toNumber("x1"), 0u);
    EXPECT_EQ(Schedule::toNumber("99999999999999999999999"), UINT64_MAX);
    EXPECT_EQ(Schedule::daysCountFromNow("20240603"), 1);  // made non-negative
    EXPECT_TRUE(Schedule::inDate("20240526", 3));   // 6 days, but 75 apart as numbers
    EXPECT_FALSE(Schedule::inDate("20240580", 3));  // 21 apart
    EXPECT_FALSE(Schedule::inDate("99999999", 1));
}

TEST_F(DueRules, RunOnceIsDueAfterItsMomentUntilItRanOtherTypesNever) {
    Row once{"1", "0", "20240101", "0930", "", "202312010000", "0"};
    EXPECT_FALSE(isDue(once, at(2024, 1, 1, 9, 29)));
    EXPECT_TRUE(isDue(once, at(2024, 1, 1, 9, 30)));
    EXPECT_TRUE(isDue(once, at(2025, 6, 1, 0, 0)));  // no window
    once.status = "2";
    EXPECT_FALSE(isDue(once, at(2025, 6, 1, 0, 0)));
    once.status = "1";
    EXPECT_FALSE(isDue(once, at(2025, 6, 1, 0, 0)));
    once.status = "";  // reads as 0
    once.time = "930";
    EXPECT_TRUE(isDue(once, at(2024, 1, 1, 9, 30)));

    // Other types and waiting rows are never due.
    Row other{"1", "4", "1", "0800", "1", "202401010000", "0"};
    EXPECT_FALSE(isDue(other, at(2024, 6, 1, 8, 0)));
    Row waiting{"1", "1", "1", "0800", "", "202401010000", "1"};
    EXPECT_FALSE(isDue(waiting, at(2024, 6, 1, 8, 0)));
}

TEST_F(DueRules, DailyTimeWindowIsTenHhmmUnits) {
    Row daily{"1", "1", "1", "0930", "", "202401010800", "2"};
    EXPECT_FALSE(isDue(daily, at(2024, 1, 5, 9, 29)));
    EXPECT_TRUE(isDue(daily, at(2024, 1, 5, 9, 30)));
    EXPECT_TRUE(isDue(daily, at(2024, 1, 5, 9, 39)));
    EXPECT_TRUE(isDue(daily, at(2024, 1, 5, 9, 40)));
    EXPECT_FALSE(isDue(daily, at(2024, 1, 5, 9, 41)));
    daily.time = "1055";  // the window ends with the hour
    EXPECT_TRUE(isDue(daily, at(2024, 1, 5, 10, 59)));
    EXPECT_FALSE(isDue(daily, at(2024, 1, 5, 11, 0)));
    daily.time = "2355";
    EXPECT_FALSE(isDue(daily, at(2024, 1, 6, 0, 2)));
}

TEST_F(DueRules, DailyIntervalAndLastRun) {
    Row everyOther{"1", "1", "2", "0930", "", "202401040930", "2"};  // ran yesterday
    EXPECT_FALSE(isDue(everyOther, at(2024, 1, 5, 9, 30)));
    EXPECT_TRUE(isDue(everyOther, at(2024, 1, 6, 9, 30)));
    Row everyThird{"1", "1", "3", "0930", "", "202401010930", "2"};
    EXPECT_TRUE(isDue(everyThird, at(2024, 1, 4, 9, 35)));
    EXPECT_FALSE(isDue(everyThird, at(2024, 1, 5, 9, 35)));
    Row interval0{"1", "1", "0", "0930", "", "202401010930", "2"};
    EXPECT_TRUE(isDue(interval0, at(2024, 1, 5, 9, 35)));

    // Ran today: not again today. Created today and never ran: due today.
    Row today{"1", "1", "1", "0930", "", "202401050800", "2"};
    EXPECT_FALSE(isDue(today, at(2024, 1, 5, 9, 30)));
    today.status = "0";
    EXPECT_TRUE(isDue(today, at(2024, 1, 5, 9, 30)));
    today.start = "202401060800";  // created "tomorrow"
    EXPECT_FALSE(isDue(today, at(2024, 1, 5, 9, 30)));
}

TEST_F(DueRules, WeeklyOnItsWeekdayOnly) {
    // 2024-06-01 is a Saturday; "DS" 9 counts as 6.
    Row weekly{"1", "2", "1", "1000", "9", "202405010000", "2"};
    EXPECT_TRUE(isDue(weekly, at(2024, 6, 1, 10, 0)));
    EXPECT_FALSE(isDue(weekly, at(2024, 5, 31, 10, 0)));
    EXPECT_FALSE(isDue(weekly, at(2024, 6, 2, 10, 0)));
    EXPECT_FALSE(isDue(weekly, at(2024, 6, 1, 10, 11)));
    weekly.day = "0";
    EXPECT_TRUE(isDue(weekly, at(2024, 6, 2, 10, 0)));

    Row fortnightly{"1", "2", "2", "1000", "6", "202405180000", "2"};
    EXPECT_TRUE(isDue(fortnightly, at(2024, 6, 1, 10, 0)));
    fortnightly.start = "202405250000";
    EXPECT_FALSE(isDue(fortnightly, at(2024, 6, 1, 10, 0)));

    // Within 7 (as YYYYMMDD numbers) of its last start: not considered.
    Row recent{"1", "2", "1", "1000", "6", "202406120000", "2"};
    EXPECT_FALSE(isDue(recent, at(2024, 6, 15, 10, 0)));
    recent.status = "0";  // never ran: considered from creation on
    EXPECT_TRUE(isDue(recent, at(2024, 6, 15, 10, 0)));
}

TEST_F(DueRules, MonthlyOnItsDayOfMonthOnly) {
    Row monthly{"1", "3", "1", "0800", "31", "202401150000", "2"};
    for (int day = 1; day <= 30; ++day) EXPECT_FALSE(isDue(monthly, at(2024, 6, day, 8, 0))) << day;
    EXPECT_TRUE(isDue(monthly, at(2024, 7, 31, 8, 0)));
    monthly.day = "45";  // counts as 31
    EXPECT_TRUE(isDue(monthly, at(2024, 7, 31, 8, 0)));
    monthly.day = "15";
    EXPECT_TRUE(isDue(monthly, at(2024, 6, 15, 8, 5)));
    EXPECT_FALSE(isDue(monthly, at(2024, 6, 15, 7, 59)));

    Row everyOther{"1", "3", "2", "0800", "15", "202404150800", "2"};
    EXPECT_TRUE(isDue(everyOther, at(2024, 6, 15, 8, 0)));
    everyOther.start = "202405150800";
    EXPECT_FALSE(isDue(everyOther, at(2024, 6, 15, 8, 0)));
}

TEST_F(DueRules, CheckMarksDueRowsInTheFileAndAnswersTheirIndexes) {
    Row due{"700", "0", "20240101", "0930", "", "202312010000", "0"};
    Row notYet{"6000", "0", "20250101", "0930", "", "202312010000", "0"};
    Row dueToo{"42", "1", "1", "0930", "", "202312010000", "2"};
    EXPECT_EQ(dueAt({due, notYet, dueToo}, at(2024, 3, 1, 9, 30)), (std::vector<uint64_t>{42, 700}));
    due.status = "1";
    dueToo.status = "1";
    EXPECT_EQ(readFile(path()), storeXml({due, notYet, dueToo}));

    // Marked rows wait: a second check finds nothing.
    ScheduleDataAccess store(path());
    uint64_t indexes[ScheduleDataAccess::kMaxSchedules];
    int count = -1;
    store.checkBgaSchedules(indexes, count);
    EXPECT_EQ(count, 0);

    // At most 32 are taken at one check; the rest stay for the next one.
    std::vector<Row> many;
    for (int i = 0; i < 40; ++i) many.push_back(Row{std::to_string(100 + i), "0", "20240101", "0930", "", "", "0"});
    EXPECT_EQ(dueAt(many, at(2024, 3, 1, 9, 30)).size(), 32u);
    ScheduleDataAccess again(path());
    again.checkBgaSchedules(indexes, count);
    EXPECT_EQ(count, 8);
}

// A new index is drawn again while it gives a stored one.
TEST_F(DueRules, NewIndexNeverRepeatsAStoredOne) {
    const time_t now = at(2024, 6, 1, 12, 0);
    srand(static_cast<unsigned>(now));
    const uint32_t taken = ((static_cast<uint32_t>(rand()) << 10) & 0xFFFF) | 123;
    uint32_t expected = taken;
    while (expected == taken) expected = ((static_cast<uint32_t>(rand()) << 10) & 0xFFFF) | 123;
    Row stored{std::to_string(taken)};
    stored.status = "2";
    writeFile(path(), storeXml({stored}));

    Schedule::setNowForTesting(now, 123);
    ScheduleDataAccess store(path());
    _Schedule_Info info;
    EXPECT_EQ(store.AddSchedule(info), ScheduleDataAccess::kAdded);
    const std::string file = readFile(path());
    EXPECT_TRUE(zdtest::contains(file, "<index>" + std::to_string(taken) + "</index>"));
    EXPECT_TRUE(zdtest::contains(file, "<index>" + std::to_string(expected) + "</index>"));
}

// Processes sharing the schedule file never lose each other's additions:
// each store holds the file's lock while it reads, adds and saves.
TEST(ScheduleStore, ProcessesAddingAtOnceLoseNothing) {
    TempDir dir;
    const std::string path = dir.file("db.xml");
    ScheduleDataAccess{path};  // creates the file
    std::vector<pid_t> children;
    for (int process = 0; process < 2; ++process) {
        const pid_t child = fork();
        if (child == 0) {
            bool added = true;
            for (int i = 0; i < 15; ++i) {
                _Schedule_Info info;
                info.AdapterID = std::to_string(process);
                added = ScheduleDataAccess(path).AddSchedule(info) == ScheduleDataAccess::kAdded && added;
            }
            _exit(added ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        const int status = waitForExit(child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ScheduleDataAccess store(path);
    _Schedule_Info infos[ScheduleDataAccess::kMaxSchedules];
    int count = 0;
    store.GetAllScheduleInfo(infos, count);
    EXPECT_EQ(count, 30);
    EXPECT_EQ(zdtest::countOf(readFile(path), "<Sch>"), 30u);
}

// A lock another process keeps is waited for only so long: then nothing is
// written, and the addition is reported as not stored.
TEST(ScheduleStore, LockKeptByAnotherProcessRefusesWrites) {
    TempDir dir;
    const std::string path = dir.file("db.xml");
    ScheduleDataAccess{path};
    const std::string before = readFile(path);
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(release[1]);
        const int fd = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
        const bool locked = fd >= 0 && flock(fd, LOCK_EX) == 0;
        char byte = locked ? 1 : 0;
        if (write(ready[1], &byte, 1) != 1) _exit(1);
        while (read(release[0], &byte, 1) > 0) {
        }
        _exit(0);
    }
    close(release[0]);
    char locked = 0;
    ASSERT_EQ(read(ready[0], &locked, 1), 1);
    ASSERT_EQ(locked, 1);

    DBLock::setWaitForTesting(100);
    _Schedule_Info info;
    EXPECT_EQ(ScheduleDataAccess(path).AddSchedule(info), ScheduleDataAccess::kNotSaved);
    EXPECT_EQ(readFile(path), before);
    DBLock::setWaitForTesting(10000);

    close(release[1]);  // the other process ends, and its lock with it
    waitForExit(child);
    EXPECT_EQ(ScheduleDataAccess(path).AddSchedule(info), ScheduleDataAccess::kAdded);
}
