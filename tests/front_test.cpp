// The shared front-end core against the simulator: the typed model read
// from the bridge's answers, its JSON form, the health verdict, and sessions
// that keep threads from switching the adapter under each other.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "front/AdapterSettings.h"
#include "front/ArrayActions.h"
#include "front/Bridge.h"
#include "front/DiskActions.h"
#include "front/Enclosure.h"
#include "front/Error.h"
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

TEST_F(FrontTest, SnapshotOfTheBuiltInEnclosure)
{
    Snapshot snapshot = Enclosure::readSnapshot(bridge());
    ASSERT_EQ(snapshot.adapters.size(), 2u);
    const AdapterState& first = snapshot.adapters[0];
    EXPECT_EQ(first.adapter.link.text, "TB");
    EXPECT_EQ(first.adapter.device, 2578u);
    ASSERT_EQ(first.arrays.size(), 1u);
    EXPECT_EQ(first.arrays[0].name, "Data");
    EXPECT_EQ(first.arrays[0].disks, (std::vector<uint64_t>{0, 1, 2, 3}));
    ASSERT_EQ(first.disks.size(), 8u);
    EXPECT_EQ(first.disks[2].array, 0u);
    EXPECT_EQ(first.disks[4].status.text, "Global Spare (Free)");
    EXPECT_EQ(first.disks[4].tone(), Tone::Spare);
    EXPECT_EQ(first.disks[0].smart.size(), 17u);
    EXPECT_EQ(smartVerdict(first.disks[0]), SmartVerdict::Passed);
    Disk worn = first.disks[0];
    worn.smart[4].value = worn.smart[4].threshold;  // Reallocated_Sector_Ct down to its threshold
    EXPECT_EQ(smartVerdict(worn), SmartVerdict::Failing);
    EXPECT_EQ(snapshot.verdict(), Verdict::Healthy);

    Json json = toJson(snapshot);
    expectSnakeCase(json);
    EXPECT_EQ(json["verdict_text"], "healthy");
    const Json& array = json["adapters"][0]["arrays"][0];
    EXPECT_EQ(array["status"], 15);
    EXPECT_EQ(array["status_text"], "Functional and initialized");
    EXPECT_EQ(array["raid"], 5);
    EXPECT_EQ(array["size_sectors"], 23442111504u);
    EXPECT_TRUE(array["activity"].is_null());
    EXPECT_EQ(json["adapters"][0]["disks"][0]["smart"]["verdict_text"], "PASSED");

    // A failed member degrades the array; a pulled disk leaves an empty slot.
    ASSERT_EQ(zdsim_set_adapter_value(0, "auto_rebuild", 0), 0);
    ASSERT_EQ(zdsim_fail_disk(0, 1), 0);
    ASSERT_EQ(zdsim_pull_disk(0, 6), 0);
    snapshot = Enclosure::readSnapshot(bridge());
    EXPECT_EQ(snapshot.verdict(), Verdict::Degraded);
    std::vector<Problem> problems = snapshot.problems();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].text, "adapter 0 array 0 is Degrade");
    EXPECT_EQ(problems[1].text, "adapter 0 disk 1 is Offline (Assigned)");
    const Disk& empty = snapshot.adapters[0].disks[6];
    EXPECT_FALSE(empty.present);
    EXPECT_EQ(empty.status.text, "Empty slot");
    EXPECT_EQ(toJson(empty)["present"], false);

    // A second failed member of the RAID 5 takes it offline.
    ASSERT_EQ(zdsim_fail_disk(0, 2), 0);
    EXPECT_EQ(Enclosure::readSnapshot(bridge()).verdict(), Verdict::Offline);
}

TEST_F(FrontTest, SessionsReportNotFoundAndRefusals)
{
    Session session = bridge().session(0);
    try {
        Enclosure::readDisk(session, 77);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::NotFound);
        EXPECT_STREQ(error.what(), "disk 77 of adapter 0 not found");
    }
    try {
        session.command(Request("PDBGAControl").field("PDID", 7).field("BGAControl", 1), "disk activity pause");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::Refused);
        EXPECT_EQ(error.controllerCode(), 62);
        EXPECT_STREQ(error.what(), "disk activity pause refused by the controller: code 62 (Virtual disk has not BGA)");
    }
    session.selectAdapter(9);
    try {
        session.requireAdapter();
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::NotFound);
    }
}

// The plans a page shows before it asks: what is lost, what to type, and no
// change without the consent they ask for.
TEST_F(FrontTest, PlansSayWhatIsLostAndNeedTheirConsent)
{
    Session session = bridge().session(0);
    ArrayDeletion deletion(session, 0);
    EXPECT_EQ(deletion.plan().losses,
              std::vector<std::string>{"array 0 \"Data\" (RAID 5, 10.9 TiB) will be destroyed with all data on it"});
    EXPECT_EQ(deletion.plan().confirmationText, "Data");
    try {
        deletion.execute(session, Consent{});
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::Usage);
    }
    EXPECT_EQ(Enclosure::readArrays(session).size(), 1u);

    DiskFreeing freeing(session, 1);
    EXPECT_EQ(freeing.plan().override, Override::MemberDisk);
    EXPECT_THROW(freeing.execute(session, Consent{true, false}), Error);
    EXPECT_EQ(Enclosure::readDisk(session, 1).array, 0u);
    EXPECT_EQ(DiskFreeing(session, 5).plan().override, Override::None);

    Outcome outcome = deletion.execute(session, Consent{true, false});
    EXPECT_FALSE(outcome.partial);
    EXPECT_TRUE(Enclosure::readArrays(session).empty());
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
