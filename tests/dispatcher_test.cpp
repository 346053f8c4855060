// The exported interface and the dispatcher, through the built library as a
// front end loads it: version, adapter selection, unregistered names, null
// arguments, answer lifetime, key handling, the exported symbol set and a
// real unload.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
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

bool libraryMapped() {
    std::string maps = zdtest::readFile("/proc/self/maps");
    return maps.find("libzdbridge.so") != std::string::npos;
}

}  // namespace

TEST(Dispatcher, VersionComesFirstAndLogsAtLoad) {
    zdtest::LoadedBridge bridge({true, "version=1\n"});
    EXPECT_STREQ(bridge.getBridgeVersion(), "1.0.0.38");
    std::string log = zdtest::readFile(bridge.logFile());
    EXPECT_NE(log.find(std::string("  Management::Management:(bridge 1.0.0.38, api ") + ZD_API_Version() + ")\n"),
              std::string::npos)
        << log;
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

    std::string log = zdtest::readFile(bridge.logFile());
    EXPECT_NE(log.find("  Management::select:(adapter id 1)\n"), std::string::npos);
    EXPECT_NE(log.find("  Management::select:(adapter id 0)\n"), std::string::npos);
}

TEST(Dispatcher, RegisteredNamesAreServed) {
    zdtest::LoadedBridge bridge;
    for (const char* name : {"Adapter", "PackageVD", "PD", "Schedule", "Buzzer", "VDDistribution"}) {
        EXPECT_EQ(bridge.array(name).compare(0, std::strlen(name) + 2, std::string("<") + name + "s"), 0) << name;
    }
    for (const char* name : {"GetCreateTarget", "GetMigrateTarget", "GetOEMStatus", "GetFlashFileInfo"}) {
        const std::string request = std::string("<") + name + " />";
        EXPECT_EQ(bridge.condition(request).compare(0, std::strlen(name) + 2, std::string("<") + name + ">"), 0)
            << name;
    }
    EXPECT_EQ(bridge.command("<InitSchedule />"), 0);

    // The selected adapter and the key text reach the provider unchanged.
    bridge.selectAdapter("1");
    zdsim_clear_calls();
    bool answered = false;
    const std::string disk = bridge.single("PD", "2", &answered);
    EXPECT_TRUE(answered);
    EXPECT_NE(disk.find("<AdapterID>1</AdapterID>"), std::string::npos) << disk;
    EXPECT_NE(disk.find("<ID>2</ID>"), std::string::npos);
    const std::vector<std::string> reads = simCallsOf("ZD_PD_GetHDInfo_Ext");
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(reads.front(), "ZD_PD_GetHDInfo_Ext 1");
}

TEST(Dispatcher, UnregisteredNamesAnswerNothing) {
    zdtest::LoadedBridge bridge;
    bool answered = true;
    EXPECT_EQ(bridge.single("NoSuchClass", "1", &answered), "<unset>");
    EXPECT_FALSE(answered);
    EXPECT_EQ(bridge.single("updateprocess", "1", &answered), "<unset>");  // case matters
    EXPECT_FALSE(answered);
    EXPECT_EQ(bridge.array("NoSuchClass"), "<unset>");
    EXPECT_EQ(bridge.range("NoSuchRange"), "<NotFound/>");
    EXPECT_EQ(bridge.condition("<NoSuchCondition><ID>1</ID></NoSuchCondition>"), "<unset>");
    EXPECT_EQ(bridge.condition("not a document"), "<unset>");
    EXPECT_EQ(bridge.condition(""), "<unset>");
    EXPECT_EQ(bridge.command("<NoSuchCommand><ID>1</ID></NoSuchCommand>"), 6);
    EXPECT_EQ(bridge.command("<upload><Address>/x</Address></upload>"), 6);
    EXPECT_EQ(bridge.command("not a document"), 6);
    EXPECT_EQ(bridge.command(""), 6);

    // A registered provider without a list answers an empty text.
    EXPECT_EQ(bridge.array("UpdateProcess"), "");
}

TEST(Dispatcher, NullArgumentsAreRefused) {
    zdtest::LoadedBridge bridge;
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
    bool answered = false;
    EXPECT_EQ(bridge.single("UpdateProcess", "", &answered),
              "<UpdateProcess><LastRet>0</LastRet><Percentage>0</Percentage></UpdateProcess>");
    EXPECT_TRUE(answered);
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
    std::string log = zdtest::readFile(bridge.logFile());
    EXPECT_NE(log.find("  Management::command:(in <NoSuchCommand><ID>4</ID></NoSuchCommand>)\n"), std::string::npos)
        << log;

    // "MediaPatrolPD" is keyed by "ID": a request without it reuses the last.
    if (bridge.command("<MediaPatrolPD><ID>5</ID></MediaPatrolPD>") == 6) {
        GTEST_SKIP() << "MediaPatrolPD not registered";
    }
    zdsim_clear_calls();
    bridge.command("<MediaPatrolPD></MediaPatrolPD>");
    EXPECT_EQ(simCallsOf("ZD_PD_StartMediaPatrol"), std::vector<std::string>{"ZD_PD_StartMediaPatrol 0 5"});
    zdsim_clear_calls();
    bridge.command("<MediaPatrolPD><ID>6</ID></MediaPatrolPD>");
    EXPECT_EQ(simCallsOf("ZD_PD_StartMediaPatrol"), std::vector<std::string>{"ZD_PD_StartMediaPatrol 0 6"});

    log = zdtest::readFile(bridge.logFile());
    EXPECT_NE(log.find("  Management::command:(in <MediaPatrolPD><ID>5</ID></MediaPatrolPD>)( key ID)( is 5)\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("  Management::command:(in <MediaPatrolPD></MediaPatrolPD>)( key ID)\n"), std::string::npos);
    EXPECT_NE(log.find("  Management::command:( ret "), std::string::npos);
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

TEST(Dispatcher, UnloadTearsDownAndReloadStartsFresh) {
    EventRecord record{};
    record.evt_class = 2;
    record.sequence = 5;
    {
        zdtest::LoadedBridge bridge;
        zdsim_queue_event(0, &record);
        EXPECT_NE(bridge.events(), "<Events />");
        zdsim_queue_event(0, &record);
        EXPECT_EQ(bridge.events(), "<Events />");  // already delivered
        bridge.selectAdapter("1");
        zdsim_clear_calls();
    }
    EXPECT_FALSE(libraryMapped());
    EXPECT_EQ(zdsim_call_count("ZD_API_Finalize"), 1u);

    zdtest::LoadedBridge bridge({false, ""});
    EXPECT_EQ(zdsim_call_count("ZD_API_Initialize"), 1u);
    EXPECT_EQ(adapterOfEventRead(bridge), "0");  // selection back to 0
    zdsim_queue_event(0, &record);
    EXPECT_NE(bridge.events(), "<Events />");  // bookkeeping starts afresh
}
