// The shared front-end core against the simulator, where zdctl's and the
// dashboard's end-to-end tests cannot look: the model's JSON keys, the SMART
// verdict, the buzzer's read-back, and sessions that keep threads from
// switching the adapter under each other.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "front/AdapterSettings.h"
#include "front/Bridge.h"
#include "front/Enclosure.h"
#include "front/ModelJson.h"
#include "support/TestSupport.h"

namespace {

using namespace zdfront;

// The built bridge loaded by dlopen over the in-process simulator, reset to
// its built-in enclosure, with its files in a private directory.
class FrontTest : public ::testing::Test {
protected:
    FrontTest()
    {
        zdsim_reset();
        setenv("ZDBRIDGE_LOG_DIR", (m_dir.path() + "/").c_str(), 1);
        setenv("ZDBRIDGE_DB_PATH", m_dir.file("db.xml").c_str(), 1);
        setenv("ZDBRIDGE_RESCAN_DELAY_MS", "0", 1);
        m_bridge = std::make_unique<Bridge>(ZD_BRIDGE_LIBRARY);
    }
    Bridge& bridge() { return *m_bridge; }

    zdtest::TempDir m_dir;
    std::unique_ptr<Bridge> m_bridge;
};

// Every key of the document, at any depth, is snake_case.
void expectSnakeCase(const Json& json, const std::string& where = "")
{
    if (json.is_array()) {
        for (const Json& item : json) expectSnakeCase(item, where + "[]");
        return;
    }
    if (!json.is_object()) return;
    for (auto it = json.begin(); it != json.end(); ++it) {
        for (char c : it.key())
            EXPECT_TRUE(std::islower(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) ||
                        c == '_')
                << where << "." << it.key();
        expectSnakeCase(it.value(), where + "." + it.key());
    }
}

// What zdctl's and the dashboard's tests do not see: every key of the
// enclosure's JSON form, and a SMART value down to its threshold.
TEST_F(FrontTest, SnapshotJsonIsSnakeCaseAndAWornDiskFailsSmart)
{
    Snapshot snapshot = Enclosure::readSnapshot(bridge());
    expectSnakeCase(toJson(snapshot));
    Disk worn = snapshot.adapters.at(0).disks.at(0);
    ASSERT_EQ(worn.smart.size(), 17u);
    EXPECT_EQ(smartVerdict(worn), SmartVerdict::Passed);
    worn.smart[4].value = worn.smart[4].threshold;  // Reallocated_Sector_Ct down to its threshold
    EXPECT_EQ(smartVerdict(worn), SmartVerdict::Failing);
}

// Silencing the buzzer is read back: one that rings on is a partial outcome.
TEST_F(FrontTest, BuzzerOffIsReadBack)
{
    Session session = bridge().session(0);
    ASSERT_EQ(zdsim_set_adapter_value(0, "buzzer_ringing", 1), 0);
    Outcome silenced = silenceBuzzer(session);
    EXPECT_FALSE(silenced.partial);
    EXPECT_EQ(silenced.done, std::vector<std::string>{"buzzer of adapter 0 silent"});
    ASSERT_EQ(zdsim_set_adapter_value(0, "buzzer_ringing", 1), 0);
    zdsim_inject_status("ZD_Adapter_Set_OEM_Data", 0, 1);  // accepted, not done
    Outcome ringing = silenceBuzzer(session);
    EXPECT_TRUE(ringing.partial);
    EXPECT_EQ(ringing.warnings, std::vector<std::string>{"the adapter accepted buzzer-off, but its buzzer still rings"});
}

// Two threads read different adapters through one bridge: each sees only its
// own adapter, however their sessions interleave.
TEST_F(FrontTest, SessionsKeepTheirAdapterAcrossThreads)
{
    std::atomic<int> wrong{0};
    auto reader = [&](unsigned adapter, uint64_t disks) {
        for (int round = 0; round < 200; ++round) {
            Session session = bridge().session(adapter);
            if (Enclosure::readAdapter(session).id != adapter) ++wrong;
            if (session.list("PD").size() != disks) ++wrong;
        }
    };
    std::thread first(reader, 0u, 8u);
    std::thread second(reader, 1u, 4u);
    first.join();
    second.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
