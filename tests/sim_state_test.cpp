// The simulator's state file (ZD_SIM_STATE) as one process sees it: each
// change committed, the file left alone by calls that change nothing, and a
// file that cannot be used never overwritten (the change refused, reads
// served from the last good state). Several processes at once:
// shared_enclosure_test.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
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

    // The names in the state file's directory.
    std::vector<std::string> directory() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.path())) {
            names.push_back(entry.path().filename());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    zdtest::TempDir m_dir;
    std::string m_path = m_dir.file("state.json");
};

struct stat statusOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
    return status;
}

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
    EXPECT_TRUE(zdtest::contains(saved, "\"format_version\": 2"));
    EXPECT_EQ(directory(), (std::vector<std::string>{"state.json", "state.json.lock"}));

    // Reads, refused changes and an empty event drain leave the file alone.
    const struct stat before = statusOf(m_path);
    EXPECT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 0), 56);
    EXPECT_EQ(vd(0, p.ld_id).status, 0);
    EXPECT_EQ(statusOf(m_path).st_ino, before.st_ino);
    EXPECT_FALSE(drainEvents(1).empty());
    const struct stat drained = statusOf(m_path);
    EXPECT_NE(drained.st_ino, before.st_ino);  // draining is a change
    EXPECT_TRUE(drainEvents(1).empty());
    EXPECT_EQ(ZD_Adapter_GetCount(), 2);
    const struct stat after = statusOf(m_path);
    EXPECT_EQ(after.st_ino, drained.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, drained.st_mtim.tv_nsec);
    saved = zdtest::readFile(m_path);

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

TEST_F(SimStateTest, FileThatCannotBeUsedIsLeftAloneAndChangesAreRefused) {
    useStateFile();
    ASSERT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 6), 0);
    const std::string good = zdtest::readFile(m_path);

    // Broken under a running process: reads go on from the state it last
    // read, with one warning; a change is refused and undone.
    zdtest::writeFile(m_path, "{ not json");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(diskStatus(0, 6), 5);
    EXPECT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 7), 4);
    EXPECT_EQ(diskStatus(0, 7), 1);
    std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(zdtest::countOf(message, "zdsim: the state file " + m_path + " cannot be parsed"), 1u) << message;
    EXPECT_EQ(zdtest::countOf(message, "zdsim: the change was not made: the state file " + m_path), 1u) << message;
    EXPECT_EQ(zdtest::readFile(m_path), "{ not json");
    forgetStateFile();

    // A process that starts on such a file shows the built-in enclosure.
    nlohmann::json dangling = nlohmann::json::parse(good);
    dangling["adapters"][0]["vds"][0]["dg"] = 9;  // a group that does not exist
    const std::string elsewhere = m_dir.file("elsewhere.json");
    zdtest::writeFile(elsewhere, good);
    struct Case {
        std::string content;  // empty: a link to another state file
        const char* why;
    };
    for (const Case& c : {Case{"{ not json", "cannot be parsed"},
                          Case{"{\"format_version\": 1}", "is not a state file of format version 2"},
                          Case{dangling.dump(), "cannot be parsed (an adapter refers to ids it does not have)"},
                          Case{"", "is not a regular file"}}) {
        std::filesystem::remove(m_path);
        if (c.content.empty()) {
            std::filesystem::create_symlink(elsewhere, m_path);
        } else {
            zdtest::writeFile(m_path, c.content);
        }
        ::testing::internal::CaptureStderr();
        useStateFile();
        EXPECT_EQ(ZD_Adapter_GetCount(), 2);
        EXPECT_EQ(recordText(group(0, 0).name, 16), "Data");
        EXPECT_EQ(diskStatus(0, 6), 1);
        EXPECT_EQ(ZD_PD_FreeHD2GlobalSpare(0, 7), 4);
        EXPECT_EQ(diskStatus(0, 7), 1);
        message = ::testing::internal::GetCapturedStderr();
        EXPECT_TRUE(zdtest::contains(message, "zdsim: the state file " + m_path + " " + c.why));
        EXPECT_TRUE(zdtest::contains(message, "until it is fixed, moved or deleted"));
        EXPECT_EQ(zdtest::readFile(m_path), c.content.empty() ? good : c.content);
        EXPECT_EQ(std::filesystem::is_symlink(m_path), c.content.empty());
        forgetStateFile();
    }
    EXPECT_EQ(zdtest::readFile(elsewhere), good);
}
