// Event retrieval through getEvent: draining the controller's queue,
// per-adapter sequence bookkeeping in six serial-number slots, class 13
// dropped, virtual-disk names and RAID levels, parameters and sense data.
// Events are queued as raw records (zdsim_queue_event) or produced by the
// simulator's own activity.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "SimTestHelpers.h"
#include "base/Log.h"
#include "event/EventRetrieval.h"

namespace {

EventRecord event(uint16_t evtClass, uint16_t code, uint32_t sequence, uint16_t device = 0, uint32_t param0 = 0) {
    EventRecord record{};
    record.evt_class = evtClass;
    record.code = code;
    record.sequence = sequence;
    record.device_id = device;
    record.params[0] = param0;
    return record;
}

void queue(uint8_t adapter, const EventRecord& record) { ASSERT_EQ(zdsim_queue_event(adapter, &record), 0); }

// The "Index" values of the delivered events, in order.
std::vector<uint32_t> indexes(const std::string& answer) {
    static const std::regex index("<Index>(\\d+)</Index>");
    std::vector<uint32_t> found;
    for (auto it = std::sregex_iterator(answer.begin(), answer.end(), index); it != std::sregex_iterator(); ++it) {
        found.push_back(static_cast<uint32_t>(std::stoul((*it)[1])));
    }
    return found;
}

using Seq = std::vector<uint32_t>;

// The "<Event>" elements of an answer, in order.
std::vector<std::string> eventsOf(const std::string& answer) {
    static const std::regex one("<Event>.*?</Event>");
    std::vector<std::string> events;
    for (auto it = std::sregex_iterator(answer.begin(), answer.end(), one); it != std::sregex_iterator(); ++it)
        events.push_back(it->str());
    return events;
}

}  // namespace

TEST(Events, AnswerTextOfOneEvent) {
    zdtest::LoadedBridge bridge;
    zdsim_set_adapter_text(0, "serial_number", "  SN-0001");
    EventRecord record = event(2, 5, 9, 3);
    record.timestamp = 1234567;
    record.severity = 6;
    queue(0, record);
    EXPECT_EQ(bridge.events(),
              "<Events><Event><AdapterID>0</AdapterID><Class>2</Class><Code>5</Code><DeviceID>3</DeviceID>"
              "<Index>9</Index><Serial>SN-0001</Serial><Severity>6</Severity><TimeStamp>1234567</TimeStamp>"
              "</Event></Events>");
    EXPECT_EQ(bridge.events(), "<Events />");
}

TEST(Events, SequenceBookkeeping) {
    zdtest::LoadedBridge bridge({true, "api_data=1\n"});
    for (uint32_t s : {5u, 6u, 7u}) queue(0, event(2, 1, s));
    EXPECT_EQ(indexes(bridge.events()), (Seq{5, 6, 7}));
    for (uint32_t s : {6u, 7u}) queue(0, event(2, 1, s));
    EXPECT_EQ(bridge.events(), "<Events />");
    queue(0, event(2, 1, 8));
    EXPECT_EQ(indexes(bridge.events()), (Seq{8}));

    // Class 13 is never delivered and leaves the remembered number alone.
    queue(0, event(13, 1, 100));
    queue(0, event(2, 1, 9));
    EXPECT_EQ(indexes(bridge.events()), (Seq{9}));

    // Numbers 0 and 1 restart the count: always delivered, then anything above.
    for (uint32_t s : {1u, 3u, 0u, 2u}) queue(0, event(2, 1, s));
    EXPECT_EQ(indexes(bridge.events()), (Seq{1, 3, 0, 2}));

    // A decreasing batch delivers only its first event.
    for (uint32_t s : {20u, 19u, 18u}) queue(0, event(2, 1, s));
    EXPECT_EQ(indexes(bridge.events()), (Seq{20}));

    // More than one batch of 30 is drained in one call.
    zdsim_clear_calls();
    for (uint32_t s = 100; s < 135; ++s) queue(0, event(2, 1, s));
    EXPECT_EQ(indexes(bridge.events()).size(), 35u);
    EXPECT_EQ(zdsim_call_count("ZD_EVT_GetEvent"), 3u);

    const std::string log = bridge.log();
    EXPECT_TRUE(zdtest::contains(log, "  new seq:(adapter_count 0)\n"));
    EXPECT_TRUE(zdtest::contains(log, "  memcmp seq:(evt seq 6, mem seq 7)\n"));
    EXPECT_TRUE(zdtest::contains(log, "  ZD_EVT_GetEvent:(count returned 3 )\n"));
    EXPECT_TRUE(zdtest::contains(log, "  ZD_EVT_GetEvent:(count returned 30 )\n"));
}

TEST(Events, SixSlotsForSixAdapters) {
    zdtest::LoadedBridge bridge;
    zdsim_reset_empty(8);
    ZD_API_RescanAdapter();
    for (uint8_t a = 0; a < 8; ++a) {
        zdsim_set_adapter_text(a, "serial_number", a == 1 ? "" : ("SN-" + std::to_string(a)).c_str());
    }
    uint8_t adapters = 1;
    _Adapter_Info info{};
    ASSERT_EQ(ZD_Adapter_GetInfo(1, &adapters, &info), 0);
    ASSERT_EQ(info.serial_number[0], 0);

    auto deliver = [&bridge](uint8_t adapter, std::initializer_list<uint32_t> sequences) {
        bridge.selectAdapter(std::to_string(adapter).c_str());
        for (uint32_t s : sequences) queue(adapter, event(0, 1, s));
        return bridge.events();
    };
    EXPECT_EQ(indexes(deliver(0, {5})), (Seq{5}));
    // A serial that starts with NUL never keeps its slot: everything comes again.
    const std::string unnamed = deliver(1, {5});
    EXPECT_EQ(indexes(unnamed), (Seq{5}));
    EXPECT_TRUE(zdtest::contains(unnamed, "<AdapterID>1</AdapterID>"));
    EXPECT_TRUE(zdtest::contains(unnamed, "<Serial></Serial>"));
    EXPECT_EQ(indexes(deliver(1, {5})), (Seq{5}));
    // Adapters 2 to 6 take the five remaining slots.
    for (uint8_t a = 2; a < 7; ++a) EXPECT_EQ(indexes(deliver(a, {5})), (Seq{5})) << "adapter " << int(a);
    // Once six adapters hold every slot, others get nothing.
    EXPECT_EQ(deliver(7, {5}), "<Events />");
    EXPECT_EQ(deliver(1, {5}), "<Events />");
    // Each slot follows its own adapter.
    EXPECT_EQ(indexes(deliver(2, {5, 6})), (Seq{6}));
    EXPECT_EQ(indexes(deliver(6, {6})), (Seq{6}));
}

TEST(Events, ParametersAndSenseData) {
    zdtest::LoadedBridge bridge;
    EventRecord withParams = event(2, 1, 10, 0, 9);
    withParams.params[3] = 4000000000u;
    queue(0, withParams);
    EventRecord laterParams = event(0, 1, 11);  // params[0] 0: no "Params"
    laterParams.params[1] = 5;
    queue(0, laterParams);
    queue(0, event(12, 22, 12));  // counted from one: 0 reads as 1
    queue(0, event(12, 30, 13));  // misc: always "Params"
    EventRecord sense = event(2, 1, 14);
    sense.sense_length = 3;
    sense.sense_data[0] = 0x70;
    sense.sense_data[1] = 0;
    sense.sense_data[2] = 255;
    queue(0, sense);
    EventRecord longSense = event(2, 1, 15);
    longSense.sense_length = 200;  // beyond the record: 30 bytes at most
    for (uint8_t i = 0; i < 30; ++i) longSense.sense_data[i] = i;
    queue(0, longSense);

    const std::vector<std::string> events = eventsOf(bridge.events());
    ASSERT_EQ(events.size(), 6u);
    EXPECT_TRUE(zdtest::contains(events[0], "<Params><Param>9</Param><Param>0</Param><Param>0</Param>"
                                            "<Param>4000000000</Param></Params>"));
    EXPECT_FALSE(zdtest::contains(events[1], "<Params>"));
    EXPECT_TRUE(zdtest::contains(events[2], "<Params><Param>1</Param><Param>0</Param><Param>0</Param>"
                                            "<Param>0</Param></Params>"));
    EXPECT_TRUE(zdtest::contains(events[3], "<Params><Param>0</Param><Param>0</Param><Param>0</Param>"
                                            "<Param>0</Param></Params>"));
    EXPECT_TRUE(zdtest::contains(events[4], "<SenseDataLength>3</SenseDataLength><SenseDatas>"
                                            "<SenseData>112</SenseData><SenseData>0</SenseData>"
                                            "<SenseData>255</SenseData></SenseDatas>"));
    EXPECT_FALSE(zdtest::contains(events[0], "SenseData"));
    EXPECT_TRUE(zdtest::contains(events[5], "<SenseDataLength>30</SenseDataLength>"));
    EXPECT_EQ(zdtest::countOf(events[5], "<SenseData>"), 30u);
    EXPECT_TRUE(zdtest::contains(events[5], "<SenseData>29</SenseData></SenseDatas>"));
}

TEST(Events, VirtualDiskNamesAndLevels) {
    zdtest::LoadedBridge bridge({true, "api_data=1\n"});
    const _LD_Info disk = simtest::vd(0, 0);
    ASSERT_STREQ(disk.name, "Data");

    // A deleted disk's name travels in the parameter bytes.
    EventRecord deleted = event(1, 3, 20);
    std::memcpy(deleted.params, "Gone", 4);
    queue(0, deleted);
    EventRecord garbled = event(1, 3, 21);
    std::memcpy(garbled.params, "Ab\x01" "cd\x80", 6);
    queue(0, garbled);
    queue(0, event(1, 3, 22));  // unnamed
    // Other virtual-disk events look the disk up.
    queue(0, event(1, 2, 23, disk.id));
    queue(0, event(1, 84, 24, disk.id));     // a level change
    queue(0, event(1, 87, 25, disk.id, 6));  // the level from the parameters
    queue(0, event(1, 80, 26, disk.id));     // no migration runs: no levels
    queue(0, event(1, 84, 27, 300));         // an unknown disk

    const std::vector<std::string> events = eventsOf(bridge.events());
    ASSERT_EQ(events.size(), 8u);
    EXPECT_TRUE(zdtest::contains(events[0], "<Name>Gone</Name>"));
    // "Gone" read as a little-endian number.
    EXPECT_TRUE(zdtest::contains(events[0], "<Params><Param>1701736263</Param><Param>0</Param>"));
    EXPECT_TRUE(zdtest::contains(events[1], "<Name>Ab</Name>"));
    EXPECT_FALSE(zdtest::contains(events[2], "<Name>"));
    EXPECT_TRUE(zdtest::contains(events[3], "<Name>Data</Name>"));
    EXPECT_FALSE(zdtest::contains(events[3], "<Before>"));
    EXPECT_TRUE(zdtest::contains(events[4], "<Before>" + std::to_string(disk.raid_level) + "</Before>"));
    EXPECT_FALSE(zdtest::contains(events[4], "<After>"));
    EXPECT_TRUE(zdtest::contains(events[5], "<Before>6</Before>"));
    EXPECT_FALSE(zdtest::contains(events[6], "<Before>"));
    EXPECT_FALSE(zdtest::contains(events[7], "<Name>"));
    EXPECT_FALSE(zdtest::contains(events[7], "<Before>"));

    const std::string log = bridge.log();
    EXPECT_EQ(zdtest::countOf(log, "  EVT_CODE_LD_DELETE:(name error name["), 12u + 12u + 16u);
    EXPECT_TRUE(zdtest::contains(log, "  EVT_CODE_LD_DELETE:(name error name[4] 0x0)\n"));
    EXPECT_TRUE(zdtest::contains(log, "  EVT_CODE_LD_DELETE:(name error name[2] 0x1)\n"));
    EXPECT_TRUE(zdtest::contains(log, "  EVT_CODE_LD_DELETE:(name error name[5] 0xffffff80)\n"));
    EXPECT_TRUE(zdtest::contains(log, "  EVT CODE LD else:(code 2 name error name[4] 0x0)\n"));
}

TEST(Events, SimulatorActivityIsReportedOnce) {
    zdtest::LoadedBridge bridge;
    // A disk of the RAID 5 "Data" fails (these events are read in zdctl's
    // tests); the spare takes over and the rebuild completes a day later:
    // one new event, delivered once.
    ASSERT_EQ(zdsim_fail_disk(0, 1), 0);
    EXPECT_NE(bridge.events(), "<Events />");
    EXPECT_EQ(bridge.events(), "<Events />");
    zdsim_advance_ms(24ull * 3600 * 1000);
    const std::string rebuilt = bridge.events();
    EXPECT_TRUE(zdtest::contains(rebuilt, "<Class>1</Class><Code>31</Code>"));
    EXPECT_TRUE(zdtest::contains(rebuilt, "<Name>Data</Name>"));
    EXPECT_EQ(bridge.events(), "<Events />");
}

TEST(Events, MigrationEventsCarryBothLevels) {
    zdtest::LoadedBridge bridge;
    EXPECT_EQ(bridge.events(), "<Events />");
    ASSERT_EQ(bridge.command("<MigratePackageVD><ID>0</ID><RAID>6</RAID><Disks><Disk>0</Disk><Disk>1</Disk>"
                             "<Disk>2</Disk><Disk>3</Disk><Disk>5</Disk></Disks><ParityNumber>2</ParityNumber>"
                             "</MigratePackageVD>"),
              0);
    const std::string answer = bridge.events();
    EXPECT_TRUE(zdtest::contains(answer, "<After>6</After><Before>5</Before><Class>1</Class><Code>80</Code>"));
    EXPECT_TRUE(zdtest::contains(answer, "<Name>Data</Name>"));
}

TEST(Events, NoAdapterAndFailingReads) {
    zdtest::LoadedBridge bridge({true, "api_data=1\n"});
    // A failing event read ends the drain.
    zdsim_inject_status("ZD_EVT_GetEvent", 4, -1);
    queue(0, event(2, 1, 5));
    zdsim_clear_calls();
    EXPECT_EQ(bridge.events(), "<Events />");
    EXPECT_EQ(zdsim_call_count("ZD_EVT_GetEvent"), 1u);
    zdsim_clear_injections();
    EXPECT_EQ(indexes(bridge.events()), (Seq{5}));

    // With no adapter, even after a rescan, the answer is empty.
    zdsim_remove_adapter(1);
    zdsim_remove_adapter(0);
    ZD_API_RescanAdapter();
    zdsim_clear_calls();
    EXPECT_EQ(bridge.events(), "<Events />");
    EXPECT_EQ(zdsim_call_count("ZD_API_RescanAdapter"), 1u);
    EXPECT_EQ(zdsim_call_count("ZD_EVT_GetEvent"), 0u);
    EXPECT_TRUE(zdtest::contains(bridge.log(), "  getEvent RescanAdapter:\n"));
}

namespace {

// A controller whose event reads report a status and still return records:
// one read per entry (status, sequences), then reads that fail with none.
struct ScriptedRead {
    uint8_t status;
    std::vector<uint32_t> sequences;
};
std::vector<ScriptedRead> g_script;
size_t g_reads = 0;
bool g_endless = false;

uint8_t scriptedEventRead(uint8_t, uint8_t max, uint8_t* count, void* events) {
    const size_t read = g_reads++;
    if (g_endless) {
        const EventRecord record = event(2, 1, static_cast<uint32_t>(read + 100));
        std::memcpy(events, &record, sizeof record);
        *count = 1;
        return 0;
    }
    if (read >= g_script.size()) return 4;  // fails without writing the count
    const ScriptedRead& step = g_script[read];
    EXPECT_LE(step.sequences.size(), max);
    for (size_t i = 0; i < step.sequences.size(); ++i) {
        const EventRecord record = event(2, 1, step.sequences[i]);
        std::memcpy(static_cast<EventRecord*>(events) + i, &record, sizeof record);
    }
    *count = static_cast<uint8_t>(step.sequences.size());
    return step.status;
}

}  // namespace

// Records a read returned are delivered whatever its status; the drain ends
// at the first read that returns none, and a controller that never runs dry
// cannot hold the caller forever.
TEST(Events, RecordsOfAFailingReadAreDelivered) {
    zdtest::TempDir logDir;
    setenv("ZDBRIDGE_LOG_DIR", logDir.path().c_str(), 1);
    zdsim_reset();
    Log* log = Log::getLog();
    EventBookkeeping book;

    g_script = {{4, {5, 6}}, {0, {7}}, {9, {8}}, {0, {}}, {0, {9}}};
    g_reads = 0;
    EventRetrieval retrieval(book, log, scriptedEventRead);
    const auto drained = [&retrieval] {
        std::string answer;
        retrieval.drain(0, answer);
        return answer;
    };
    EXPECT_EQ(indexes(drained()), (Seq{5, 6, 7, 8}));
    EXPECT_EQ(g_reads, 4u);

    g_script = {{4, {10}}};  // then a read that fails without a count
    g_reads = 0;
    EXPECT_EQ(indexes(drained()), (Seq{10}));
    EXPECT_EQ(g_reads, 2u);

    g_endless = true;
    g_reads = 0;
    EXPECT_EQ(indexes(drained()).size(), static_cast<size_t>(EventRetrieval::kMaxReads));
    EXPECT_EQ(g_reads, static_cast<size_t>(EventRetrieval::kMaxReads));
    g_endless = false;
    Log::clear();
}
