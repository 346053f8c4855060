// Load and unload: the bridge is opened and closed with dlopen / dlclose many
// times in one process, serving requests in between, sometimes unloaded in
// the middle of a firmware upload. Every unload must run the whole teardown
// (the worker joined before the controller library is finalised) and leave
// nothing mapped; every load must start afresh.
//
// ZD_UNLOAD_CYCLES sets the number of cycles (default 50); scripts/
// unload_check.sh runs 1,000 of them under valgrind.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "SimTestHelpers.h"

namespace {

constexpr int kDefaultCycles = 50;
constexpr int kUploadEvery = 10;      // every tenth cycle unloads during an upload
constexpr uint32_t kImagePages = 3;   // pages of the test image
constexpr uint32_t kImageHeader = 32;  // the simulator's image header

int cycles() {
    const char* text = std::getenv("ZD_UNLOAD_CYCLES");
    int count = text != nullptr ? std::atoi(text) : 0;
    return count > 0 ? count : kDefaultCycles;
}

bool bridgeMapped() {
    void* handle = dlopen(ZD_BRIDGE_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    dlclose(handle);
    return true;
}

// One load of the bridge: the exported functions, resolved by name.
class Bridge : public zdtest::BridgeExports {
public:
    Bridge() : m_handle(dlopen(ZD_BRIDGE_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {
        if (m_handle != nullptr) zdtest::resolveExports(m_handle, *this);
    }
    ~Bridge() {
        if (m_handle != nullptr) dlclose(m_handle);
    }
    Bridge(const Bridge&) = delete;
    Bridge& operator=(const Bridge&) = delete;

    bool loaded() const { return m_handle != nullptr && getEvent != nullptr; }

private:
    void* m_handle;
};

// The requests of one cycle: a little of every exported function.
void serveRequests(Bridge& bridge) {
    EXPECT_STREQ(bridge.getBridgeVersion(), "1.0.0.38");
    // Every load starts on adapter 0 with its event bookkeeping afresh: the
    // same event, delivered by the previous load, is delivered again.
    simtest::drainEvents(0);
    EventRecord record{};
    record.evt_class = 2;
    record.code = 1;
    record.sequence = 5;
    ASSERT_EQ(zdsim_queue_event(0, &record), 0);
    char* out = nullptr;
    bridge.getEvent(&out);
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(zdtest::contains(out, "<Index>5</Index>"));
    out = nullptr;
    EXPECT_TRUE(bridge.getSingleInfo("Adapter", "0", &out));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::string(out).rfind("<Adapter>", 0), 0u) << out;
    out = nullptr;
    bridge.getArrayInfo("PD", &out);
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(zdtest::contains(out, "<PD>"));
    out = nullptr;
    bridge.getRange("RAID", &out);
    ASSERT_NE(out, nullptr);
    out = nullptr;
    bridge.getCondition("<GetCreateTarget><RAID>0</RAID><Disks><ID>5</ID><ID>6</ID></Disks></GetCreateTarget>", &out);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::string(out).rfind("<GetCreateTarget>", 0), 0u) << out;
    EXPECT_EQ(bridge.sendCommand("<PDConfig><ID>5</ID><PDCache>1</PDCache></PDConfig>"), 0);
    EXPECT_EQ(bridge.sendCommand("<NoSuchCommand/>"), 6);
}

TEST(Unload, EveryCycleTearsDownIncludingDuringAnUpload) {
    zdtest::TempDir dir;
    zdtest::writeFile(dir.file("bridge.ini"), "version=1\n");
    setenv("ZDBRIDGE_LOG_DIR", (dir.path() + "/").c_str(), 1);
    setenv("ZDBRIDGE_DB_PATH", dir.file("db.xml").c_str(), 1);
    const std::string image = dir.file("fw.bin");
    ASSERT_EQ(zdsim_write_image(image.c_str(), 3, 0x1234, 1, 2, 3, 4, kImagePages * 32768 - kImageHeader), 0);
    const std::string upload = "<Upload><Address>" + image + "</Address></Upload>";

    zdsim_reset();
    const int total = cycles();
    int uploads = 0;
    uint32_t initializes = 0;
    uint32_t finalizes = 0;
    for (int cycle = 0; cycle < total && !HasFatalFailure(); ++cycle) {
        const bool uploading = cycle % kUploadEvery == kUploadEvery - 1;
        zdsim_clear_calls();
        {
            Bridge bridge;
            ASSERT_TRUE(bridge.loaded()) << dlerror();
            serveRequests(bridge);
            if (uploading) {
                zdsim_set_page_delay_ms(2);
                ASSERT_EQ(bridge.sendCommand(upload.c_str()), 0);
                ++uploads;
            }
            bridge.selectAdapter("1");  // the next load starts on adapter 0 again
        }
        zdsim_set_page_delay_ms(0);
        ASSERT_FALSE(bridgeMapped()) << "cycle " << cycle;
        initializes += zdsim_call_count("ZD_API_Initialize");
        finalizes += zdsim_call_count("ZD_API_Finalize");
        const std::vector<std::string> calls = zdtest::simCalls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back(), "ZD_API_Finalize") << "cycle " << cycle;
        if (uploading) {
            EXPECT_EQ(zdsim_call_count("ZD_Flash_Bin"), kImagePages) << "cycle " << cycle;
        }
    }
    unsetenv("ZDBRIDGE_LOG_DIR");
    unsetenv("ZDBRIDGE_DB_PATH");

    EXPECT_GT(uploads, 0);
    EXPECT_EQ(initializes, static_cast<uint32_t>(total));
    EXPECT_EQ(finalizes, static_cast<uint32_t>(total));
    // One version line per load: the log was built afresh by every load.
    const std::string log = zdtest::readFile(dir.file("bridge.log"));
    EXPECT_EQ(zdtest::countOf(log, "  Management::Management:(bridge 1.0.0.38, api "), static_cast<size_t>(total));
}

}  // namespace
