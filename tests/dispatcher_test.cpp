// The exported interface and the dispatcher, through the built library as a
// front end loads it: version, adapter selection, unregistered names, null
// arguments, answer lifetime, key handling and the exported symbol set
// (unloading: unload_test). Registered names are served in the providers'
// own tests.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "api/zd_api.h"
#include "support/TestSupport.h"

namespace {

using zdtest::simCallsOf;

// The adapter the dispatcher addresses, seen through the event read it makes.
std::string adapterOfEventRead(zdtest::LoadedBridge& bridge) {
    zdsim_clear_calls();
    bridge.events();
    std::vector<std::string> reads = simCallsOf("ZD_EVT_GetEvent");
    if (reads.empty()) return "none";
    std::istringstream words(reads.front());
    std::string name, adapter;
    words >> name >> adapter;
    return adapter;
}

}  // namespace

TEST(Dispatcher, VersionComesFirstAndLogsAtLoad) {
    zdtest::LoadedBridge bridge({true, "version=1\n"});
    EXPECT_STREQ(bridge.getBridgeVersion(), "1.0.0.38");
    std::string log = bridge.log();
    EXPECT_TRUE(zdtest::contains(log,
        std::string("  Management::Management:(bridge 1.0.0.38, api ") + ZD_API_Version() + ")\n"));
    EXPECT_EQ(log.compare(0, 10, "[version] "), 0);
}

TEST(Dispatcher, SelectAdapterReadsDecimalText) {
    zdtest::LoadedBridge bridge({true, "interface_log=1\n"});
    EXPECT_EQ(adapterOfEventRead(bridge), "0");
    bridge.selectAdapter("1");
    EXPECT_EQ(adapterOfEventRead(bridge), "1");
    bridge.selectAdapter(nullptr);  // keeps the selection
    EXPECT_EQ(adapterOfEventRead(bridge), "1");
    bridge.selectAdapter("abc");
    EXPECT_EQ(adapterOfEventRead(bridge), "0");
    bridge.selectAdapter("257");  // low 8 bits
    EXPECT_EQ(adapterOfEventRead(bridge), "1");
    bridge.selectAdapter("8");
    EXPECT_EQ(adapterOfEventRead(bridge), "8");
    // Event retrieval serves adapter ids up to 8 only.
    bridge.selectAdapter("9");
    EXPECT_EQ(adapterOfEventRead(bridge), "none");
    EXPECT_EQ(bridge.events(), "<unset>");

    std::string log = bridge.log();
    EXPECT_TRUE(zdtest::contains(log, "  Management::select:(adapter id 1)\n"));
    EXPECT_TRUE(zdtest::contains(log, "  Management::select:(adapter id 0)\n"));
}

TEST(Dispatcher, UnregisteredNamesAndNullArgumentsAnswerNothing) {
    zdtest::LoadedBridge bridge;
    EXPECT_EQ(bridge.unanswered("NoSuchClass", "1"), "<unset>");
    EXPECT_EQ(bridge.unanswered("updateprocess", "1"), "<unset>");  // case matters
    EXPECT_EQ(bridge.array("NoSuchClass"), "<unset>");
    EXPECT_EQ(bridge.range("NoSuchRange"), "<NotFound/>");
    for (const char* request : {"<NoSuchCondition><ID>1</ID></NoSuchCondition>", "not a document", ""})
        EXPECT_EQ(bridge.condition(request), "<unset>") << request;
    for (const char* request :
         {"<NoSuchCommand><ID>1</ID></NoSuchCommand>", "<upload><Address>/x</Address></upload>", "not a document", ""})
        EXPECT_EQ(bridge.command(request), 6) << request;

    // A registered provider without a list answers an empty text.
    EXPECT_EQ(bridge.array("UpdateProcess"), "");

    // Null arguments are refused.
    char unset[] = "<unset>";
    char* out = unset;
    EXPECT_FALSE(bridge.getSingleInfo(nullptr, "1", &out));
    EXPECT_FALSE(bridge.getSingleInfo("UpdateProcess", nullptr, &out));
    EXPECT_FALSE(bridge.getSingleInfo("UpdateProcess", "1", nullptr));
    bridge.getArrayInfo(nullptr, &out);
    bridge.getArrayInfo("UpdateProcess", nullptr);
    bridge.getRange(nullptr, &out);
    bridge.getRange("RAID", nullptr);
    bridge.getCondition(nullptr, &out);
    bridge.getCondition("<GetFlashFileInfo/>", nullptr);
    bridge.getEvent(nullptr);
    EXPECT_EQ(bridge.sendCommand(nullptr), 6);
    EXPECT_EQ(out, unset);

    // Nothing above changed the library's state.
    EXPECT_EQ(bridge.answered("UpdateProcess", ""),
              "<UpdateProcess><LastRet>0</LastRet><Percentage>0</Percentage></UpdateProcess>");
}

TEST(Dispatcher, AnswerTextsLiveUntilTheNextAnsweringCall) {
    zdtest::LoadedBridge bridge;
    char* rangeText = nullptr;
    bridge.getRange("RAID", &rangeText);
    ASSERT_NE(rangeText, nullptr);
    const std::string raid = rangeText;
    EXPECT_EQ(raid.compare(0, 56, "<RAID><Item><Enum>0</Enum><String>RAID 0</String></Item>"), 0) << raid;

    char* single = nullptr;
    ASSERT_TRUE(bridge.getSingleInfo("UpdateProcess", "7", &single));
    const std::string first = single;
    EXPECT_EQ(first, "<UpdateProcess><LastRet>0</LastRet><Percentage>0</Percentage></UpdateProcess>");

    // Calls that do not answer through the shared buffer leave it alone.
    bridge.selectAdapter("0");
    EXPECT_EQ(bridge.sendCommand("<NoSuchCommand/>"), 6);
    char* other = nullptr;
    bridge.getRange("VDCache", &other);
    EXPECT_EQ(std::string(single), first);

    // The next answering call replaces it.
    char* events = nullptr;
    bridge.getEvent(&events);
    ASSERT_NE(events, nullptr);
    EXPECT_STREQ(events, "<Events />");
    if (events == single) {
        EXPECT_STREQ(single, "<Events />");
    }

    // Range texts live as long as the library.
    EXPECT_EQ(std::string(rangeText), raid);
    char* again = nullptr;
    bridge.getRange("RAID", &again);
    EXPECT_EQ(again, rangeText);
}

TEST(Dispatcher, CommandLinesAndKeyOfThePreviousRequest) {
    zdtest::LoadedBridge bridge({true, "interface_log=1\n"});
    EXPECT_EQ(bridge.command("<NoSuchCommand><ID>4</ID></NoSuchCommand>"), 6);
    std::string log = bridge.log();
    EXPECT_TRUE(zdtest::contains(log, "  Management::command:(in <NoSuchCommand><ID>4</ID></NoSuchCommand>)\n"));

    // "MediaPatrolPD" is keyed by "ID": a request without it reuses the last.
    EXPECT_EQ(bridge.command("<MediaPatrolPD><ID>5</ID></MediaPatrolPD>"), 0);
    zdsim_clear_calls();
    bridge.command("<MediaPatrolPD></MediaPatrolPD>");
    EXPECT_EQ(simCallsOf("ZD_PD_StartMediaPatrol"), std::vector<std::string>{"ZD_PD_StartMediaPatrol 0 5"});
    zdsim_clear_calls();
    bridge.command("<MediaPatrolPD><ID>6</ID></MediaPatrolPD>");
    EXPECT_EQ(simCallsOf("ZD_PD_StartMediaPatrol"), std::vector<std::string>{"ZD_PD_StartMediaPatrol 0 6"});

    log = bridge.log();
    EXPECT_TRUE(zdtest::contains(log, "  Management::command:(in <MediaPatrolPD><ID>5</ID>"
                                      "</MediaPatrolPD>)( key ID)( is 5)\n"));
    EXPECT_TRUE(zdtest::contains(log, "  Management::command:(in <MediaPatrolPD></MediaPatrolPD>)( key ID)\n"));
    EXPECT_TRUE(zdtest::contains(log, "  Management::command:( ret "));
}

TEST(Dispatcher, ExportsOnlyTheInterface) {
    FILE* pipe = popen("nm -D --defined-only " ZD_BRIDGE_LIBRARY, "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string word; words >> word;) fields.push_back(word);
        // AddressSanitizer builds add an ODR indicator per exported object.
        if (!fields.empty() && fields.back().compare(0, 11, "__odr_asan.") != 0) names.insert(fields.back());
    }
    ASSERT_EQ(pclose(pipe), 0);
    const std::set<std::string> expected = {"getBridgeVersion", "selectAdapter", "getSingleInfo", "getArrayInfo",
                                            "getRange",         "getCondition",  "sendCommand",   "getEvent",
                                            "management",       "g_db_path"};
    EXPECT_EQ(names, expected);

    zdtest::LoadedBridge bridge;
    const std::string* dbPath = static_cast<const std::string*>(bridge.symbol("g_db_path"));
    ASSERT_NE(dbPath, nullptr);
    EXPECT_TRUE(dbPath->empty());
    EXPECT_NE(bridge.symbol("management"), nullptr);
}

// A front end that breaks the one-thread rule gets its calls served one at a
// time, and each thread's answer stays its own until that thread calls again.
TEST(Dispatcher, CallsFromTwoThreadsAreServedOneAtATime) {
    zdtest::LoadedBridge bridge;
    const std::string pdConfig = "<PDConfig><ID>5</ID><PDCache>1</PDCache></PDConfig>";
    const std::string adapter = bridge.answered("Adapter", "0");
    const std::string disks = bridge.array("PD");
    const std::string target = "<GetCreateTarget><RAID>1</RAID><Disks><ID>5</ID><ID>6</ID></Disks></GetCreateTarget>";
    const std::string targetAnswer = bridge.condition(target);
    ASSERT_EQ(bridge.command(pdConfig), 0);

    std::atomic<int> wrong{0};
    auto work = [&](int thread) {
        for (int i = 0; i < 2000; ++i) {
            char* out = nullptr;
            switch ((i + thread) % 5) {
            case 0:
                if (!bridge.getSingleInfo("Adapter", "0", &out) || adapter != out) ++wrong;
                break;
            case 1:
                bridge.getArrayInfo("PD", &out);
                if (out == nullptr || disks != out) ++wrong;
                break;
            case 2:
                bridge.getCondition(target.c_str(), &out);
                if (out == nullptr || targetAnswer != out) ++wrong;
                break;
            case 3:
                if (bridge.sendCommand(pdConfig.c_str()) != 0) ++wrong;
                break;
            default:
                bridge.getEvent(&out);
                if (out == nullptr || std::strncmp(out, "<Events", 7) != 0) ++wrong;
                break;
            }
        }
    };
    std::thread other(work, 1);
    work(0);
    other.join();
    EXPECT_EQ(wrong.load(), 0);
}

// Requests longer than ZDBRIDGE_MAX_REQUEST bytes are refused as empty
// documents, before they are parsed; one of exactly that length is served.
TEST(Dispatcher, OverlongRequestsAreRefusedUnread) {
    zdtest::LoadedBridge bridge;
    const auto padded = [](const std::string& head, const std::string& tail, size_t total) {
        return head + "<Pad>" + std::string(total - head.size() - tail.size() - 11, 'x') + "</Pad>" + tail;
    };
    const std::string longest = padded("<MediaPatrolPD><ID>5</ID>", "</MediaPatrolPD>", 65536);
    ASSERT_EQ(longest.size(), 65536u);
    zdsim_clear_calls();
    EXPECT_EQ(bridge.command(longest), 0);
    EXPECT_EQ(zdsim_call_count("ZD_PD_StartMediaPatrol"), 1u);
    EXPECT_EQ(bridge.command(longest + " "), 6);
    EXPECT_EQ(zdsim_call_count("ZD_PD_StartMediaPatrol"), 1u);

    const std::string question = "<GetFlashFileInfo><Address>/nonexistent</Address></GetFlashFileInfo>";
    EXPECT_NE(bridge.condition(question), "<unset>");
    EXPECT_EQ(bridge.condition(padded("<GetFlashFileInfo>", "</GetFlashFileInfo>", 65537)), "<unset>");
    EXPECT_EQ(bridge.condition(padded("<GetFlashFileInfo>", "</GetFlashFileInfo>", 16 << 20)), "<unset>");
}
