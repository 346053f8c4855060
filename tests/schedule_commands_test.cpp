// The schedule commands and the "Schedule" provider through the exported
// functions: the file an "AddSchedule" writes, the limit of 32, removal,
// listing order, a broken or missing file, and what "CheckSchedule" records
// after running due schedules on the simulator.
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "ScheduleTestSupport.h"
#include "support/TestSupport.h"

using zdtest::countOf;
using zdtest::readFile;
using zdtest::simCallText;
using zdtest::writeFile;

namespace {

const char kSerial0[] = "ZDT8-2411-1001";
const char kSerial1[] = "ZDU4-2411-1002";

using Row = zdtest::ScheduleRow;
const auto rowXml = zdtest::scheduleRowXml;
const auto storeXml = zdtest::scheduleStore;

std::string localNow() {
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char text[16];
    strftime(text, sizeof text, "%Y%m%d%H%M", &local);
    return text;
}

// The file with every index and start time replaced by "#"; the replaced
// values are appended to indexes / starts.
std::string masked(const std::string& file, std::vector<std::string>* indexes, std::vector<std::string>* starts) {
    std::string out = file;
    const std::pair<const char*, std::vector<std::string>*> columns[] = {{"index", indexes}, {"start", starts}};
    for (const auto& c : columns) {
        std::regex pattern(std::string("<") + c.first + ">([^<]*)</" + c.first + ">");
        for (std::sregex_iterator it(out.begin(), out.end(), pattern), end; it != end; ++it)
            if (c.second != nullptr) c.second->push_back((*it)[1]);
        out = std::regex_replace(out, pattern, std::string("<") + c.first + ">#</" + c.first + ">");
    }
    return out;
}

class ScheduleCommands : public ::testing::Test {
protected:
    std::string db() const { return m_bridge.dbPath(); }
    unsigned char command(const std::string& request) { return m_bridge.command(request); }
    std::string schedules() { return m_bridge.array("Schedule"); }
    // Runs "CheckSchedule" on rows written to the file; answers the file after it.
    std::string checkWith(const std::vector<Row>& rows) {
        writeFile(db(), storeXml(rows));
        zdsim_clear_calls();
        EXPECT_EQ(command("<CheckSchedule/>"), 0);
        return readFile(db());
    }

    zdtest::LoadedBridge m_bridge;
};

}  // namespace

TEST_F(ScheduleCommands, AddScheduleWritesOneRowWithAFreshIndexAndTheAdaptersSerial) {
    const std::string before = localNow();
    EXPECT_EQ(command("<AddSchedule><AdapterID>0</AdapterID><PackageVDID>1</PackageVDID><VDBGAType>4</VDBGAType>"
                      "<ScheduleType>1</ScheduleType><SettingTime>2300</SettingTime><SettingDate>1</SettingDate>"
                      "</AddSchedule>"),
              0);
    const std::string after = localNow();
    std::vector<std::string> indexes, starts;
    EXPECT_EQ(masked(readFile(db()), &indexes, &starts),
              "<?xml version=\"1.0\"?>\n<root><BGASchedules><Sch><A>0</A><BT>4</BT><DS/><Date>1</Date><R>0</R>"
              "<S>0</S><SN>ZDT8-2411-1001</SN><ST>1</ST><Time>2300</Time><VDID>1</VDID><VM/><VS/>"
              "<index>#</index><start>#</start></Sch></BGASchedules></root>\n");
    ASSERT_EQ(indexes.size(), 1u);
    ASSERT_TRUE(std::regex_match(indexes[0], std::regex("[0-9]{1,5}")));
    EXPECT_LE(std::stoul(indexes[0]), 65535u);
    EXPECT_LT(std::stoul(indexes[0]) & 0x3FF, 1000u);  // the millisecond
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_TRUE(before <= starts[0] && starts[0] <= after) << starts[0];

    // Fields a request omits keep the previous request's values; the key
    // (not the selected adapter) names the adapter whose serial is stored.
    m_bridge.selectAdapter("0");
    EXPECT_EQ(command("<AddSchedule><AdapterID>1</AdapterID><SettingDateSupplement>3</SettingDateSupplement>"
                      "</AddSchedule>"),
              0);
    zdsim_set_adapter_text(0, "serial_number", "AB\x01" "CD\x7f");
    EXPECT_EQ(command("<AddSchedule><AdapterID>0</AdapterID><PackageVDID>2</PackageVDID></AddSchedule>"), 0);
    EXPECT_EQ(command("<AddSchedule><AdapterID>7</AdapterID></AddSchedule>"), 0);  // no adapter 7: SN kept
    // Adapter ids reach the controller as one byte: 257 reads adapter 1.
    zdsim_clear_calls();
    EXPECT_EQ(command("<AddSchedule><AdapterID>257</AdapterID></AddSchedule>"), 0);
    EXPECT_EQ(zdtest::simCallsOf("ZD_Adapter_GetInfo"), std::vector<std::string>{"ZD_Adapter_GetInfo 1"});
    const std::string file = masked(readFile(db()), nullptr, nullptr);
    EXPECT_EQ(countOf(file, "<Sch>"), 5u);
    EXPECT_TRUE(zdtest::contains(file, "<Sch><A>1</A><BT>4</BT><DS>3</DS><Date>1</Date><R>0</R><S>0</S>"
                                       "<SN>ZDU4-2411-1002</SN><ST>1</ST><Time>2300</Time><VDID>1</VDID>"));
    EXPECT_TRUE(zdtest::contains(file, "<Sch><A>0</A><BT>4</BT><DS>3</DS><Date>1</Date><R>0</R><S>0</S>"
                                       "<SN>AB?CD?</SN><ST>1</ST><Time>2300</Time><VDID>2</VDID>"));
    EXPECT_TRUE(zdtest::contains(file, "<Sch><A>7</A><BT>4</BT><DS>3</DS><Date>1</Date><R>0</R><S>0</S>"
                                       "<SN>AB?CD?</SN>"));
    EXPECT_TRUE(zdtest::contains(file, "<Sch><A>257</A><BT>4</BT><DS>3</DS><Date>1</Date><R>0</R><S>0</S>"
                                       "<SN>ZDU4-2411-1002</SN>"));
}

TEST_F(ScheduleCommands, ListingAnswersTheStoredTextsInIndexTextOrder) {
    EXPECT_EQ(schedules(), "<Schedules />");
    EXPECT_EQ(readFile(db()), storeXml({}));  // created on first use

    Row neverRan{"700"};
    neverRan.type = "2";
    neverRan.day = "6";
    Row failed{"6000"};
    failed.status = "2";
    failed.result = "1";
    failed.vdStatus = "4";
    Row failedOnDisk{"65"};
    failedOnDisk.status = "2";
    failedOnDisk.result = "32";
    failedOnDisk.raid = "5";
    failedOnDisk.vdStatus = "1";
    writeFile(db(), storeXml({neverRan, failed, failedOnDisk}));
    EXPECT_EQ(schedules(),
              "<Schedules>"
              "<Schedule><AdapterID>0</AdapterID><AdapterSN>ZDT8-2411-1001</AdapterSN><Index>6000</Index>"
              "<PackageVDID>0</PackageVDID><Result>1</Result><ScheduleType>0</ScheduleType>"
              "<SettingDate>20000101</SettingDate><SettingDateSupplement></SettingDateSupplement>"
              "<SettingTime>0000</SettingTime><StartTime>199912010000</StartTime><Status>2</Status>"
              "<VDBGAType>4</VDBGAType><VDStatus>4</VDStatus></Schedule>"
              "<Schedule><AdapterID>0</AdapterID><AdapterSN>ZDT8-2411-1001</AdapterSN><Index>65</Index>"
              "<PackageVDID>0</PackageVDID><RAID>5</RAID><Result>32</Result><ScheduleType>0</ScheduleType>"
              "<SettingDate>20000101</SettingDate><SettingDateSupplement></SettingDateSupplement>"
              "<SettingTime>0000</SettingTime><StartTime>199912010000</StartTime><Status>2</Status>"
              "<VDBGAType>4</VDBGAType><VDStatus>1</VDStatus></Schedule>"
              "<Schedule><AdapterID>0</AdapterID><AdapterSN>ZDT8-2411-1001</AdapterSN><Index>700</Index>"
              "<PackageVDID>0</PackageVDID><Result>0</Result><ScheduleType>2</ScheduleType>"
              "<SettingDate>20000101</SettingDate><SettingDateSupplement>6</SettingDateSupplement>"
              "<SettingTime>0000</SettingTime><StartTime>199912010000</StartTime><Status>0</Status>"
              "<VDBGAType>4</VDBGAType></Schedule>"
              "</Schedules>");
    m_bridge.unanswered("Schedule", "700");
}

TEST_F(ScheduleCommands, AtMost32SchedulesAndRemoval) {
    // New indexes carry the current millisecond (0 to 999) in their low 10
    // bits; these stored ones end in 1000, so a new one never equals them.
    const auto storedIndex = [](int i) { return std::to_string(1024 * i + 1000); };
    std::vector<Row> rows;
    for (int i = 1; i <= 31; ++i) rows.push_back(Row{storedIndex(i)});
    writeFile(db(), storeXml(rows));
    const std::string add = "<AddSchedule><AdapterID>0</AdapterID><PackageVDID>0</PackageVDID></AddSchedule>";
    EXPECT_EQ(command(add), 0);
    const std::string full = readFile(db());
    EXPECT_EQ(countOf(full, "<Sch>"), 32u);
    EXPECT_EQ(command(add), 4);
    EXPECT_EQ(readFile(db()), full);

    EXPECT_EQ(command("<RemoveSchedule><Index>1000</Index></RemoveSchedule>"), 0);
    EXPECT_EQ(readFile(db()), full);
    EXPECT_EQ(command("<RemoveSchedule><Index>" + storedIndex(5) + "</Index></RemoveSchedule>"), 0);
    EXPECT_EQ(countOf(readFile(db()), "<Sch>"), 31u);
    EXPECT_FALSE(zdtest::contains(readFile(db()), rowXml(Row{storedIndex(5)})));
    EXPECT_TRUE(zdtest::contains(readFile(db()), rowXml(Row{storedIndex(4)}) + rowXml(Row{storedIndex(6)})));
    EXPECT_EQ(command(add), 0);
    EXPECT_EQ(countOf(readFile(db()), "<Sch>"), 32u);
    EXPECT_EQ(countOf(schedules(), "<Schedule>"), 32u);

    EXPECT_EQ(command("<InitSchedule/>"), 0);
}

TEST_F(ScheduleCommands, BrokenFileIsAnEmptyStoreAndIsLeftAlone) {
    writeFile(db(), "<root><BGASchedules>");
    EXPECT_EQ(schedules(), "<Schedules />");
    EXPECT_EQ(command("<AddSchedule><AdapterID>0</AdapterID></AddSchedule>"), 1);  // not stored: "Failed"
    EXPECT_EQ(command("<RemoveSchedule><Index>1</Index></RemoveSchedule>"), 0);
    EXPECT_EQ(command("<CheckSchedule/>"), 0);
    EXPECT_EQ(readFile(db()), "<root><BGASchedules>");
}

TEST_F(ScheduleCommands, CheckScheduleRecordsSuccessfulRuns) {
    Row check{"1"};  // check only (4) of package VD 0 on adapter 0, due since 2000
    std::string file = checkWith({check});
    EXPECT_TRUE(zdtest::contains(simCallText(), "ZD_LD_StartConsistencyCheck 0 0 0\n"));
    std::vector<std::string> starts;
    check.status = "2";
    EXPECT_EQ(masked(file, nullptr, &starts), masked(storeXml({check}), nullptr, nullptr));
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].size(), 12u);
    EXPECT_NE(starts[0], "199912010000");
    // A run-once schedule never runs again.
    zdsim_clear_calls();
    EXPECT_EQ(command("<CheckSchedule/>"), 0);
    EXPECT_EQ(zdsim_call_count("ZD_LD_StartConsistencyCheck"), 0u);

    Row patrol{"2"};  // media patrol (33) of disk 5
    patrol.activity = "33";
    patrol.disk = "5";
    checkWith({patrol});
    EXPECT_TRUE(zdtest::contains(simCallText(), "ZD_PD_StartMediaPatrol 0 5\n"));
    EXPECT_TRUE(zdtest::contains(readFile(db()), "<R>0</R><S>2</S>"));

    Row byId{"3"};  // no serial: adapter 1 from "A"
    byId.serial = "";
    byId.adapter = "1";
    byId.activity = "2";
    checkWith({byId});
    EXPECT_TRUE(zdtest::contains(simCallText(), "ZD_LD_StartConsistencyCheck 1 0 1\n"));

    Row bySerial{"4"};  // the serial wins over "A"
    bySerial.serial = kSerial1;
    bySerial.adapter = "0";
    bySerial.activity = "16";
    checkWith({bySerial});
    EXPECT_EQ(zdsim_call_count("ZD_LD_StartINIT"), 1u);
    EXPECT_TRUE(zdtest::contains(simCallText(), "ZD_LD_StartINIT 1 0 2\n"));
}

TEST_F(ScheduleCommands, CheckScheduleRecordsFailedRuns) {
    zdsim_inject_status("ZD_LD_StartConsistencyCheck", 0x20, 1);
    std::string file = checkWith({Row{"1"}});
    EXPECT_TRUE(zdtest::contains(file, "<R>32</R><S>2</S>"));
    EXPECT_TRUE(zdtest::contains(file, "<VM>5</VM><VS>"));  // RAID 5 and its status
    EXPECT_TRUE(zdtest::contains(schedules(), "<RAID>5</RAID><Result>32</Result>"));

    Row missing{"2"};  // no package VD 9: the check fails with 1
    missing.disk = "9";
    file = checkWith({missing});
    EXPECT_TRUE(zdtest::contains(file, "<R>1</R><S>2</S>"));
    EXPECT_TRUE(zdtest::contains(file, "<VM/><VS>4</VS>"));
    EXPECT_TRUE(zdtest::contains(schedules(), "<Result>1</Result>"));
    EXPECT_FALSE(zdtest::contains(schedules(), "<RAID>"));
    EXPECT_TRUE(zdtest::contains(schedules(), "<VDStatus>4</VDStatus>"));
}

TEST_F(ScheduleCommands, SchedulesThatCannotStartStayWaiting) {
    Row unknownAdapter{"1"};
    unknownAdapter.serial = "NO-SUCH-ADAPTER";
    Row startsNothing{"2"};
    startsNothing.activity = "8";
    std::string file = checkWith({unknownAdapter, startsNothing});
    unknownAdapter.status = "1";
    startsNothing.status = "1";
    EXPECT_EQ(file, storeXml({unknownAdapter, startsNothing}));
    EXPECT_EQ(zdsim_call_count("ZD_LD_StartConsistencyCheck") + zdsim_call_count("ZD_LD_StartINIT") +
                  zdsim_call_count("ZD_PD_StartMediaPatrol"),
              0u);
    // Waiting rows are skipped by every later check.
    zdsim_clear_calls();
    EXPECT_EQ(command("<CheckSchedule/>"), 0);
    EXPECT_EQ(readFile(db()), file);

    // Adapters that cannot be read: nothing runs, the due rows wait.
    zdsim_inject_status("ZD_Adapter_GetInfo", 1, 1);
    Row check{"3"};
    file = checkWith({check});
    check.status = "1";
    EXPECT_EQ(file, storeXml({check}));
    EXPECT_EQ(zdsim_call_count("ZD_LD_StartConsistencyCheck"), 0u);
}

// Finding a schedule's adapter walks every adapter when the schedule has a
// serial number (the last one carrying it is taken), and stops at the first
// when only "A" is set.
TEST(ScheduleRunner, AdapterWalkLogsEveryAdapter) {
    zdtest::LoadedBridge bridge({true, "util=1\n"});
    Row bySerial{"1"};
    Row byId{"2"};
    byId.serial = "";
    byId.adapter = "1";
    writeFile(bridge.dbPath(), storeXml({bySerial, byId}));
    EXPECT_EQ(bridge.command("<CheckSchedule/>"), 0);
    const std::string log = bridge.log();
    EXPECT_TRUE(zdtest::contains(log, std::string("  ScheduleDataAccess::RunSchedule:(schedule ") + kSerial0 +
                                          ", local " + kSerial0 + ")(schedule " + kSerial0 + ", local " + kSerial1 +
                                          ")(found adapter: 0)\n"));
    EXPECT_TRUE(zdtest::contains(log, std::string("  ScheduleDataAccess::RunSchedule:(schedule , local ") + kSerial0 +
                                          ")(found adapter: 1)\n"));

    // Two adapters carrying the same serial: the later one.
    zdsim_set_adapter_text(1, "serial_number", kSerial0);
    writeFile(bridge.dbPath(), storeXml({Row{"3"}}));
    zdsim_clear_calls();
    EXPECT_EQ(bridge.command("<CheckSchedule/>"), 0);
    EXPECT_TRUE(zdtest::contains(simCallText(), "ZD_LD_StartConsistencyCheck 1 0 0\n"));
}

// A check walks the rows once: a store of 200,000 rows (far beyond what the
// bridge writes, but a file anyone can make) is checked as a whole, and its
// due rows, last in key order, are found and run.
TEST(ScheduleRunner, HugeStoreIsCheckedInOneWalk) {
    zdtest::LoadedBridge bridge;
    std::string body;
    for (int i = 0; i < 200000; ++i) {  // run once, ran already
        body += "<Sch><S>2</S><ST>0</ST><index>" + std::to_string(1000000 + i) + "</index></Sch>";
    }
    Row due{"9999990"};
    body += rowXml(due);
    writeFile(bridge.dbPath(), "<?xml version=\"1.0\"?>\n<root><BGASchedules>" + body + "</BGASchedules></root>\n");
    zdsim_clear_calls();
    EXPECT_EQ(bridge.command("<CheckSchedule/>"), 0);
    EXPECT_EQ(zdsim_call_count("ZD_LD_StartConsistencyCheck"), 1u);
    const std::string file = readFile(bridge.dbPath());
    EXPECT_TRUE(zdtest::contains(file, "<S>2</S><SN>ZDT8-2411-1001</SN><ST>0</ST><Time>0000</Time><VDID>0</VDID>"
                                       "<VM/><VS/><index>9999990</index>"));
    EXPECT_EQ(countOf(file, "<Sch>"), 200001u);
}

// Forty quick additions: the first 32 are stored, each under its own index,
// and every one of them is listed; the rest are refused.
TEST_F(ScheduleCommands, QuickAdditionsGetDistinctIndexes) {
    std::vector<int> answers;
    for (int i = 0; i < 40; ++i) answers.push_back(command("<AddSchedule><AdapterID>0</AdapterID></AddSchedule>"));
    EXPECT_EQ(std::count(answers.begin(), answers.begin() + 32, 0), 32);
    EXPECT_EQ(std::count(answers.begin() + 32, answers.end(), 4), 8);
    std::vector<std::string> indexes;
    masked(readFile(db()), &indexes, nullptr);
    EXPECT_EQ(indexes.size(), 32u);
    EXPECT_EQ(std::set<std::string>(indexes.begin(), indexes.end()).size(), 32u);
    EXPECT_EQ(countOf(schedules(), "<Schedule>"), 32u);
}

// A value XML cannot hold (a control character) is not stored mangled: the
// addition is refused, the file stays as it was, and libxml2's complaint goes
// to the bridge log, not to the front end's stderr.
TEST(ScheduleStore, UnwritableValueIsRefusedAndLibxmlSpeaksToTheLog) {
    zdtest::LoadedBridge bridge({true, "util=1\n"});
    EXPECT_EQ(bridge.command("<AddSchedule><AdapterID>0</AdapterID></AddSchedule>"), 0);
    const std::string before = readFile(bridge.dbPath());

    zdtest::TempDir dir;
    const std::string captured = dir.file("stderr");
    fflush(stderr);
    const int saved = dup(2);
    const int sink = open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(sink, 2);
    const unsigned char answer =
        bridge.command("<AddSchedule><AdapterID>0</AdapterID><SettingTime>&#1;</SettingTime></AddSchedule>");
    fflush(stderr);
    dup2(saved, 2);
    close(sink);
    close(saved);

    EXPECT_EQ(answer, 1);
    EXPECT_EQ(readFile(bridge.dbPath()), before);
    EXPECT_EQ(readFile(captured), "");
    EXPECT_TRUE(zdtest::contains(bridge.log(), "  libxml2:("));
}
