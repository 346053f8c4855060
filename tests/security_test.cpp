// Shared directories: the log directory (default /tmp/) and the schedule
// file's directory may be writable by others, who can plant symbolic links
// at the names the bridge writes. Through the loaded library, a link at the
// log's path, at a dump's path or at the schedule file's path must never be
// followed: not even a dangling link may make the bridge create its target.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/TestSupport.h"

namespace {

using zdtest::fileExists;
using zdtest::readFile;
using zdtest::writeFile;

bool isLink(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

using GetSingleInfo = bool (*)(const char*, const char*, char**);

TEST(SharedDirectories, LinkAtTheLogPathIsNeverFollowed) {
    zdtest::TempDir dir;
    zdtest::TempDir elsewhere;
    const std::string missing = elsewhere.file("created-through-link");
    const std::string existing = elsewhere.file("victim");
    writeFile(existing, "keep");
    writeFile(dir.file("bridge.ini"), "api_data=1\ninterface_log=1\nutil=1\nversion=1\n");

    for (const std::string& target : {missing, existing}) {
        unlink(dir.file("bridge.log").c_str());
        ASSERT_EQ(symlink(target.c_str(), dir.file("bridge.log").c_str()), 0);
        setenv("ZDBRIDGE_LOG_DIR", (dir.path() + "/").c_str(), 1);
        setenv("ZDBRIDGE_DB_PATH", dir.file("db.xml").c_str(), 1);
        zdsim_reset();
        void* handle = dlopen(ZD_BRIDGE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        auto getSingleInfo = reinterpret_cast<GetSingleInfo>(dlsym(handle, "getSingleInfo"));
        ASSERT_NE(getSingleInfo, nullptr);
        char* out = nullptr;
        EXPECT_TRUE(getSingleInfo("Adapter", "0", &out));
        dlclose(handle);
        unsetenv("ZDBRIDGE_LOG_DIR");
        unsetenv("ZDBRIDGE_DB_PATH");

        EXPECT_TRUE(isLink(dir.file("bridge.log")));
        // Without its log file the log writes nothing at all, dumps included.
        EXPECT_FALSE(fileExists(dir.file("1_bin.bridge")));
    }
    EXPECT_FALSE(fileExists(missing));
    EXPECT_EQ(readFile(existing), "keep");
}

// A dump replaces whatever is at its name: a link to a file elsewhere, or a
// hard link shared with another file, is never written through.
TEST(SharedDirectories, LinkAtADumpPathIsNeverFollowed) {
    zdtest::TempDir elsewhere;
    const std::string missing = elsewhere.file("created-through-link");
    const std::string shared = elsewhere.file("shared");
    writeFile(shared, "keep");
    zdtest::LoadedBridge bridge({true, "api_data=1\n"});
    const std::string dump1 = bridge.logDir() + "/1_bin.bridge";
    const std::string dump2 = bridge.logDir() + "/2_bin.bridge";
    ASSERT_EQ(symlink(missing.c_str(), dump1.c_str()), 0);
    ASSERT_EQ(link(shared.c_str(), dump2.c_str()), 0);

    // Each adapter answer dumps the 64-byte configuration record.
    for (int i = 0; i < 2; ++i) {
        bridge.answered("Adapter", "0");
    }
    EXPECT_FALSE(fileExists(missing));
    EXPECT_EQ(readFile(shared), "keep");
    EXPECT_FALSE(isLink(dump1));
    EXPECT_EQ(readFile(dump1).size(), 64u);
    EXPECT_EQ(readFile(dump2).size(), 64u);
    const std::string log = readFile(bridge.logFile());
    EXPECT_TRUE(zdtest::contains(log, "(file " + dump1 + ")"));
    EXPECT_TRUE(zdtest::contains(log, "(file " + dump2 + ")"));
}

TEST(SharedDirectories, ScheduleFileIsNeverReplacedThroughALink) {
    zdtest::TempDir elsewhere;
    const std::string missing = elsewhere.file("created-through-link");
    zdtest::LoadedBridge bridge;
    ASSERT_EQ(symlink(missing.c_str(), bridge.dbPath().c_str()), 0);
    const std::string add =
        "<AddSchedule><AdapterID>0</AdapterID><PackageVDID>0</PackageVDID><VDBGAType>4</VDBGAType>"
        "<ScheduleType>1</ScheduleType><SettingTime>2300</SettingTime><SettingDate>1</SettingDate></AddSchedule>";
    bridge.command(add);
    bridge.command("<InitSchedule/>");
    bridge.command("<CheckSchedule/>");
    bridge.array("Schedule");
    EXPECT_FALSE(fileExists(missing));
    EXPECT_TRUE(isLink(bridge.dbPath()));
}

}  // namespace
