// The simulator's state file (ZD_SIM_STATE): saved after every change,
// loaded at ZD_API_Initialize, and never overwritten when it cannot be read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "SimTestHelpers.h"
#include "support/TestSupport.h"

using namespace simtest;

namespace {

class SimStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("ZD_SIM_STATE");
        ZD_API_Initialize();
        zdsim_reset();
    }
    void TearDown() override {
        unsetenv("ZD_SIM_STATE");
        ZD_API_Initialize();
    }

    void useStateFile() {
        setenv("ZD_SIM_STATE", m_path.c_str(), 1);
        ZD_API_Initialize();
    }
    void forgetStateFile() {
        unsetenv("ZD_SIM_STATE");
        ZD_API_Initialize();
    }

    zdtest::TempDir m_dir;
    std::string m_path = m_dir.file("state.json");
};

}  // namespace

TEST_F(SimStateTest, RoundTrip) {
    zdsim_reset_empty(1);
    useStateFile();  // missing file: the built-in enclosure
    EXPECT_EQ(ZD_Adapter_GetCount(), 2);
    EXPECT_FALSE(zdtest::fileExists(m_path));

    _CreateOrModify_DG_Param dg = groupParam("Kept", 1, {5, 6});
    ASSERT_EQ(ZD_CreateOrModify_DG(0, &dg, 0), 0);
    _CreateOrModify_VD_Param p = vdParam("Kept", dg.dg_id, 1, 2);
    ASSERT_EQ(ZD_CreateOrModify_VD(0, &p), 0);
    zdsim_advance_ms(10000);
    ASSERT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 7), 0);  // a change: saved with the progress so far
    zdsim_fail_disk(1, 3);
    zdsim_set_disk_text(0, 2, "model", "Model With Forty Characters Exactly 1234");
    ASSERT_TRUE(zdtest::fileExists(m_path));
    std::string saved = zdtest::readFile(m_path);
    EXPECT_NE(saved.find("\"format_version\": 1"), std::string::npos);
    EXPECT_FALSE(zdtest::fileExists(m_path + ".tmp." + std::to_string(getpid())));

    forgetStateFile();
    zdsim_reset_empty(3);
    EXPECT_EQ(zdtest::readFile(m_path), saved);  // not saved without ZD_SIM_STATE
    useStateFile();

    EXPECT_EQ(ZD_Adapter_GetCount(), 2);
    _DG_Info kept = group(0, dg.dg_id);
    EXPECT_EQ(recordText(kept.name, 16), "Kept");
    EXPECT_EQ(kept.member_ids[1], 6);
    _LD_STATUS status = vdStatus(0, p.ld_id);
    EXPECT_EQ(status.bga_type, ZD_BGA_INIT_BACKGROUND);
    EXPECT_EQ(status.percentage, 33);
    EXPECT_EQ(diskStatus(0, 7), 5);
    EXPECT_EQ(diskStatus(1, 3), 9);
    _HD_Info disk{};
    ASSERT_EQ(readOne(ZD_PD_GetHDInfo, 0, 2, disk), 0);
    EXPECT_EQ(recordText(disk.model, 40), "Model With Forty Characters Exactly 1234");
    std::vector<EventRecord> events = drainEvents(0);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().sequence, 1u);
    uint32_t last = events.back().sequence;
    ASSERT_EQ(ZD_PD_Spare2FreeHD(0, 7), 0);
    EXPECT_EQ(drainEvents(0).front().sequence, last + 1);

    zdsim_advance_ms(20000);
    EXPECT_EQ(vd(0, p.ld_id).status, 15);
    forgetStateFile();
    useStateFile();
    EXPECT_EQ(vd(0, p.ld_id).status, 15);  // the completion was saved
}

TEST_F(SimStateTest, UnreadableFileIsLeftAlone) {
    // A parseable file whose virtual disk names a group that does not exist.
    useStateFile();
    ASSERT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 6), 0);
    forgetStateFile();
    nlohmann::json dangling = nlohmann::json::parse(zdtest::readFile(m_path));
    dangling["adapters"][0]["vds"][0]["dg"] = 9;
    zdsim_reset();

    for (std::string content : {std::string("{ not json"), std::string("{\"format_version\": 99}"), dangling.dump()}) {
        zdtest::writeFile(m_path, content);
        ::testing::internal::CaptureStderr();
        useStateFile();
        std::string message = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(message.find(m_path), std::string::npos) << message;
        EXPECT_NE(message.find("Move or delete it"), std::string::npos) << message;
        EXPECT_EQ(ZD_Adapter_GetCount(), 2);
        EXPECT_EQ(recordText(group(0, 0).name, 16), "Data");
        ASSERT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 7), 0);
        EXPECT_EQ(diskStatus(0, 7), 5);  // served in memory
        EXPECT_EQ(zdtest::readFile(m_path), content);
    }
}
