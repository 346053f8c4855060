// One simulated enclosure shared by several processes through its state
// file: forked copies of this program (each with the simulator linked in,
// like every front end) and spawned zdctl runs change it at once. Every
// change is kept, conflicting changes are decided one after the other, an
// event is queued once, a killed process never leaves a torn file, and a
// state file that cannot be written makes changes fail, never pass.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "SimTestHelpers.h"
#include "sim/EventCodes.h"
#include "sim/EventQueue.h"
#include "support/TestSupport.h"

using namespace simtest;

namespace {

// Child processes forked from this one, each running a function whose
// answer is its exit status. They wait at a gate until release(), so that
// they start together.
class Children {
public:
    Children() {
        if (pipe(m_gate) != 0) throw std::runtime_error("pipe");
    }
    ~Children() {
        release();
        for (pid_t pid : m_pids) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    pid_t start(const std::function<int()>& body) {
        const pid_t pid = fork();
        if (pid == 0) {
            close(m_gate[1]);
            char byte;
            while (read(m_gate[0], &byte, 1) < 0) {
            }
            _exit(body());
        }
        m_pids.push_back(pid);
        return pid;
    }

    void release() {
        if (m_gate[1] >= 0) close(m_gate[1]);
        m_gate[1] = -1;
    }

    // Every child's exit status (-1: it did not exit), in start order.
    std::vector<int> wait() {
        release();
        std::vector<int> codes;
        for (pid_t pid : m_pids) {
            const int status = zdtest::waitForExit(pid);
            codes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        }
        m_pids.clear();
        return codes;
    }

private:
    int m_gate[2] = {-1, -1};
    std::vector<pid_t> m_pids;
};

// In a child: a failed step ends it with the step's number as exit status.
#define STEP(number, condition)                                                              \
    if (!(condition)) {                                                                      \
        std::fprintf(stderr, "child %d: step %d failed: %s\n", getpid(), number, #condition); \
        return number;                                                                       \
    }

class SharedEnclosureTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("ZD_SIM_STATE", m_path.c_str(), 1);
        ZD_API_Initialize();
        zdsim_reset();  // the built-in enclosure on the manual clock, committed
    }
    void TearDown() override {
        unsetenv("ZD_SIM_STATE");
        ZD_API_Initialize();
    }

    zdtest::TempDir m_dir;
    std::string m_path = m_dir.file("enclosure.json");
};

std::string vdName(uint8_t adapter, uint16_t id) {
    return recordText(readOne<_LD_Config>(ZD_LD_GetConfig, adapter, id).name, 16);
}

}  // namespace

TEST_F(SharedEnclosureTest, InterleavedChangesOfManyProcessesAreAllKept) {
    // Four workers own four disks each; disks 16 and 17 carry an array
    // initialising in the background, which the workers' clock steps finish.
    constexpr int kWorkers = 4, kRounds = 5;
    zdsim_reset_empty(1);
    for (int i = 0; i < 18; ++i) ASSERT_EQ(zdsim_add_disk(0, k2TB), i);
    _Create_PackageVD_Param background = packageParam("Background", 1, {16, 17}, 2);
    ASSERT_EQ(ZD_Create_PackageVD(0, &background), 0);
    const uint16_t backgroundVd = background.vd.ld_id;
    drainEvents(0);

    Children children;
    for (int w = 0; w < kWorkers; ++w) {
        children.start([w] {
            const uint16_t disk = static_cast<uint16_t>(4 * w);
            for (int round = 0; round < kRounds; ++round) {
                const std::string name = "w" + std::to_string(w) + "r" + std::to_string(round);
                _Create_PackageVD_Param array = packageParam(name.c_str(), 1, {disk, uint16_t(disk + 1)});
                STEP(1, ZD_Create_PackageVD(0, &array) == 0);
                _LD_Config config = readOne<_LD_Config>(ZD_LD_GetConfig, 0, array.vd.ld_id);
                setRecordText(config.name, sizeof(config.name), "W" + std::to_string(w) + "R" + std::to_string(round));
                STEP(2, ZD_LD_SetConfig(0, array.vd.ld_id, &config) == 0);
                STEP(3, ZD_PD_FreeHD2GlobalSpare(0, disk + 2) == 0);
                zdsim_advance_ms(1000);
                if (round == kRounds - 1) break;
                STEP(4, ZD_PD_Spare2FreeHD(0, disk + 2) == 0);
                STEP(5, ZD_LD_Delete(0, array.vd.ld_id, 1) == 0);
                STEP(6, ZD_DG_Delete(0, array.dg.dg_id) == 0);
            }
            STEP(7, zdsim_fail_disk(0, disk + 3) == 0);
            return 0;
        });
    }
    // An observer: the initialisation's progress never goes back, and it ends.
    children.start([backgroundVd] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
        uint16_t seen = 0;
        for (;;) {
            const _LD_STATUS status = vdStatus(0, backgroundVd);
            if (status.bga_type == 0) break;
            STEP(10, status.percentage >= seen);
            seen = status.percentage;
            STEP(11, std::chrono::steady_clock::now() < deadline);
        }
        STEP(12, vd(0, backgroundVd).status == 15);
        return 0;
    });
    EXPECT_EQ(children.wait(), std::vector<int>(kWorkers + 1, 0));

    std::map<std::string, std::vector<uint16_t>> arrays;  // name -> members
    for (const _DG_Info& group : readAll<_DG_Info>(ZD_DG_GetInfo, 0)) {
        arrays[vdName(0, group.ld_ids[0])] = {group.member_ids[0], group.member_ids[1]};
    }
    std::map<std::string, std::vector<uint16_t>> expected{{"Background", {16, 17}}};
    for (int w = 0; w < kWorkers; ++w) {
        const uint16_t disk = static_cast<uint16_t>(4 * w);
        expected["W" + std::to_string(w) + "R" + std::to_string(kRounds - 1)] = {disk, uint16_t(disk + 1)};
        EXPECT_EQ(diskStatus(0, disk + 2), 5) << "global spare";
        EXPECT_EQ(diskStatus(0, disk + 3), 9) << "offline";
    }
    EXPECT_EQ(arrays, expected);
    EXPECT_EQ(vd(0, backgroundVd).status, 15);

    // Each event once, in one strictly rising sequence.
    std::map<std::pair<uint16_t, uint16_t>, int> counts;  // (class, code) -> events
    auto count = [&](uint16_t evtClass, uint16_t code) { return counts[{evtClass, code}]; };
    std::vector<EventRecord> events = drainEvents(0);
    ASSERT_FALSE(events.empty());
    for (size_t i = 0; i < events.size(); ++i) {
        if (i > 0) {
            EXPECT_EQ(events[i].sequence, events[i - 1].sequence + 1);
        }
        ++counts[{events[i].evt_class, events[i].code}];
    }
    EXPECT_EQ(count(kEvtVD, evt::kVdCreated), kWorkers * kRounds);
    EXPECT_EQ(count(kEvtVD, evt::kVdSettings), kWorkers * kRounds);
    EXPECT_EQ(count(kEvtVD, evt::kVdDeleted), kWorkers * (kRounds - 1));
    EXPECT_EQ(count(kEvtDiskArray, evt::kDgDeleted), kWorkers * (kRounds - 1));
    EXPECT_EQ(count(kEvtHD, evt::kHdGlobalSpare), kWorkers * kRounds);
    EXPECT_EQ(count(kEvtHD, evt::kHdFailed), kWorkers);
    EXPECT_EQ(count(kEvtVD, evt::kVdInitBase + evt::kCompleted), 1);
}

TEST_F(SharedEnclosureTest, RacingCreatesOnTheSameDisksMakeOneArray) {
    constexpr int kRacers = 6;
    Children children;
    for (int i = 0; i < kRacers; ++i) {
        children.start([] {
            _Create_PackageVD_Param array = packageParam("Race", 5, {5, 6, 7});
            const uint8_t status = ZD_Create_PackageVD(0, &array);
            return status == 0 ? 0 : status == 56 ? 1 : 2;  // 56: "HD is assigned already"
        });
    }
    std::vector<int> codes = children.wait();
    std::sort(codes.begin(), codes.end());
    std::vector<int> expected(kRacers, 1);
    expected[0] = 0;
    EXPECT_EQ(codes, expected);
    std::vector<_DG_Info> groups = readAll<_DG_Info>(ZD_DG_GetInfo, 0);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(recordText(groups[1].name, 16), "Race");
}

TEST_F(SharedEnclosureTest, KilledWhileCommittingLeavesAWholeFile) {
    for (int round = 0; round < 16; ++round) {
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        Children children;
        const pid_t writer = children.start([&] {
            close(progress[0]);
            for (int n = 0;; ++n) {
                const std::string alias = "alias " + std::to_string(n) + std::string(static_cast<size_t>(n % 13), '.');
                STEP(1, zdsim_set_adapter_text(0, "alias", alias.c_str()) == 0);
                const bool spare = diskStatus(0, 5) == 5;
                STEP(2, (spare ? ZD_PD_Spare2FreeHD(0, 5) : ZD_PD_FreeHD2GlobalSpare(0, 5)) == 0);
                STEP(3, write(progress[1], "+", 1) == 1);
            }
        });
        close(progress[1]);
        children.release();
        char byte;
        for (int done = 0; done < 1 + round % 4; ++done) ASSERT_EQ(read(progress[0], &byte, 1), 1);
        kill(writer, SIGKILL);  // most likely in the middle of a commit
        EXPECT_EQ(children.wait(), std::vector<int>{-1});
        close(progress[0]);

        ::testing::internal::CaptureStderr();
        _Adapter_Config_V2 config{};
        uint8_t count = 1;
        ASSERT_EQ(ZD_Adapter_GetConfig(0, &count, &config), 0);
        EXPECT_EQ(recordText(config.alias, sizeof(config.alias)).rfind("alias ", 0), 0u);
        EXPECT_EQ(zdsim_set_adapter_text(0, "alias", "Survivor"), 0);  // the lock died with the writer
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    }
    ZD_API_Initialize();  // a process starting now clears what the killed ones left
    EXPECT_EQ(zdsim_set_adapter_text(0, "alias", "Last"), 0);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"enclosure.json", "enclosure.json.lock"}));
}

TEST_F(SharedEnclosureTest, PlantedLinksAreNeverWrittenThrough) {
    const std::string victim = m_dir.file("victim");
    zdtest::writeFile(victim, "not to be overwritten");

    // A link waiting at the name a temporary file could have.
    Children children;
    const pid_t child = children.start([] { return zdsim_set_adapter_text(0, "alias", "Child") == 0 ? 0 : 1; });
    std::filesystem::create_symlink(victim, m_path + ".tmp." + std::to_string(child));
    EXPECT_EQ(children.wait(), std::vector<int>{0});
    _Adapter_Config_V2 config{};
    uint8_t count = 1;
    ASSERT_EQ(ZD_Adapter_GetConfig(0, &count, &config), 0);
    EXPECT_EQ(recordText(config.alias, sizeof(config.alias)), "Child");
    EXPECT_FALSE(std::filesystem::is_symlink(m_path));

    // A link in place of the lock file: no lock, so no change.
    std::filesystem::remove(m_path + ".lock");
    std::filesystem::create_symlink(victim, m_path + ".lock");
    ::testing::internal::CaptureStderr();
    ZD_API_Initialize();
    EXPECT_EQ(zdsim_set_adapter_text(0, "alias", "Refused"), ZDSIM_NOT_SAVED);
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(zdtest::countOf(message, "zdsim:"), 2u) << message;  // no lock, so no change
    EXPECT_TRUE(zdtest::contains(message, "zdsim: the change was not made: the state file " + m_path +
                                              " cannot be locked (its lock file " + m_path + ".lock cannot be opened"));
    ASSERT_EQ(ZD_Adapter_GetConfig(0, &count, &config), 0);
    EXPECT_EQ(recordText(config.alias, sizeof(config.alias)), "Child");
    EXPECT_EQ(zdtest::readFile(victim), "not to be overwritten");
}

// zdctl against a state file that cannot be changed: the change fails with
// a clear message and a non-zero exit, and reads go on.
TEST(SharedEnclosure, ZdctlReportsAChangeThatCannotBeSaved) {
    zdtest::Enclosure enclosure;
    const std::string state = enclosure.file("enclosure.json");
    enclosure.succeeds({"--yes", "sim", "reset"});  // writes the state file
    const std::string saved = zdtest::readFile(state);
    ASSERT_EQ(chmod(state.c_str(), 0444), 0);

    zdtest::Outcome create = enclosure.zdctl({"array", "create", "--name", "New", "--raid", "1", "--disks", "5,6"});
    EXPECT_EQ(create.code, 4);
    EXPECT_FALSE(zdtest::contains(create.out, "Created"));
    EXPECT_TRUE(zdtest::contains(create.err, "zdsim: the change was not made: the state file " + state +
                                                 " is read-only.\n"));
    EXPECT_TRUE(zdtest::contains(create.err, "code 4 (Resource not available)"));
    EXPECT_EQ(enclosure.zdctl({"array", "rename", "0", "Renamed"}).code, 4);
    zdtest::Outcome fail = enclosure.zdctl({"sim", "fail-disk", "1"});
    EXPECT_EQ(fail.code, 1);
    EXPECT_TRUE(zdtest::contains(fail.err, "simulator: the change could not be saved"));
    EXPECT_EQ(zdtest::readFile(state), saved);
    zdtest::Outcome status = enclosure.zdctl({"--no-color", "status"});
    EXPECT_EQ(status.code, 0);
    EXPECT_TRUE(zdtest::contains(status.out, "Data  RAID 5"));
    EXPECT_EQ(status.err, "");

    // A file that cannot be parsed: reads from the built-in enclosure with
    // one warning, changes refused.
    ASSERT_EQ(chmod(state.c_str(), 0644), 0);
    zdtest::writeFile(state, "{ torn");
    status = enclosure.zdctl({"--no-color", "status"});
    EXPECT_EQ(status.code, 0);
    EXPECT_EQ(zdtest::countOf(status.err, "zdsim:"), 1u) << status.err;
    EXPECT_TRUE(zdtest::contains(status.err, "zdsim: the state file " + state + " cannot be parsed"));
    EXPECT_EQ(enclosure.zdctl({"array", "rename", "0", "Renamed"}).code, 4);
    EXPECT_EQ(zdtest::readFile(state), "{ torn");
}
