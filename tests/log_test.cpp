// Bridge log: configuration, line format, dumps, files and threads.
//
// Every test builds its own log instance in a private directory and gives
// all its references back, so the next test reads its own configuration.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/Log.h"
#include "support/TestSupport.h"

namespace {

using zdtest::fileExists;
using zdtest::readFile;
using zdtest::writeFile;

// One log instance over a private directory holding the given bridge.ini
// (none if config is null).
class LogSession {
public:
    explicit LogSession(const char* config, bool trailingSlash = true) {
        if (config != nullptr) writeFile(m_dir.file("bridge.ini"), config);
        setenv("ZDBRIDGE_LOG_DIR", (m_dir.path() + (trailingSlash ? "/" : "")).c_str(), 1);
        m_log = Log::getLog();
    }
    ~LogSession() {
        if (m_log != nullptr) Log::clear();
        unsetenv("ZDBRIDGE_LOG_DIR");
    }
    LogSession(const LogSession&) = delete;
    LogSession& operator=(const LogSession&) = delete;

    Log& log() { return *m_log; }
    // Gives the reference back early (closing the log) but keeps the directory.
    void close() {
        Log::clear();
        m_log = nullptr;
    }
    void reopen() { m_log = Log::getLog(); }
    const zdtest::TempDir& dir() const { return m_dir; }
    std::string logText() const { return readFile(m_dir.file("bridge.log")); }
    std::string dumpName(int n) const { return m_dir.path() + "/" + std::to_string(n) + "_bin.bridge"; }

private:
    zdtest::TempDir m_dir;  // declared first: removed after the log closed
    Log* m_log = nullptr;
};

// The log text with each asctime stamp ("Www Mmm dd hh:mm:ss yyyy\n") replaced by "<time>\n".
std::string withoutTimes(const std::string& text) {
    static const std::regex stamp("(Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                  "[ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n");
    return std::regex_replace(text, stamp, "<time>\n");
}

bool enabledKinds(Log& log, bool apiData, bool interfaceLog, bool util, bool version) {
    return log.enabled(Log::api_data) == apiData && log.enabled(Log::interface_log) == interfaceLog &&
           log.enabled(Log::util) == util && log.enabled(Log::version) == version;
}

}  // namespace

TEST(Log, ConfigurationRules) {
    struct Case {
        const char* config;
        bool apiData, interfaceLog, util, version;
    };
    const Case cases[] = {
        {nullptr, false, false, false, false},  // no bridge.ini
        {"interface_log=1\n", false, true, false, false},
        {"util=2\nutil=0\n", false, false, false, false},
        {"util= 1\n", false, false, true, false},
        {"util =1\n", false, false, false, false},
        {"UTIL=1\n util=1\nutil\n=1\n", false, false, false, false},
        {"version=01\napi_data=1x\n", true, false, false, true},
        {"util=1\r\nversion=1", false, false, true, true},           // CR kept in the value; no final line break
        {"util=1\nutil=0\n", false, false, true, false},             // a kind is never switched off
        {"util=        1\nversion=         1\n", false, false, true, false},  // value: 9 characters at most
        // Long lines count with their first 29 characters only; the rest is
        // skipped and never read as a line of its own.
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaapi_data=1\nutil=1\n", false, false, true, false},
        {"util=1xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\nversion=1\n", false, false, true, true},
    };
    for (const Case& c : cases) {
        const std::string config = c.config ? c.config : "<none>";
        LogSession session(c.config);
        EXPECT_TRUE(enabledKinds(session.log(), c.apiData, c.interfaceLog, c.util, c.version)) << config;
        // Nothing enabled: no file at all, not even a dump.
        session.log().startLine(Log::interface_log, "Title");
        session.log().writeBin("abc", 3);
        session.log().endLine();
        const bool any = c.apiData || c.interfaceLog || c.util || c.version;
        EXPECT_EQ(any, fileExists(session.dir().file("bridge.log"))) << config;
        EXPECT_EQ(c.interfaceLog, fileExists(session.dumpName(1))) << config;
    }

    // Only the first 4 KiB are read: a long line there is skipped, a setting
    // after them is not seen, and a huge sparse file costs no more.
    for (const auto& [lineLength, seen] : {std::pair<size_t, bool>{4000, true}, {4096, false}}) {
        const std::string config = std::string(lineLength, 'x') + "\ninterface_log=1\n";
        LogSession session(config.c_str());
        EXPECT_TRUE(enabledKinds(session.log(), false, seen, false, false)) << lineLength;
    }
    {
        LogSession sparse("api_data=1\n");
        sparse.close();
        ASSERT_EQ(truncate(sparse.dir().file("bridge.ini").c_str(), 4ll << 30), 0);
        sparse.reopen();
        EXPECT_TRUE(enabledKinds(sparse.log(), true, false, false, false));
    }
}

TEST(Log, LineFormatPiecesAndDumps) {
    LogSession session("interface_log=1\n", false);
    Log& log = session.log();
    const std::string dir = session.dir().path() + "/";
    EXPECT_EQ(dir, Log::directory());
    writeFile(session.dumpName(1), "an older and longer dump");

    log.writeBin("skipped", 7);  // no line open: no dump, no number used
    log.startLine(Log::interface_log, "Title");
    log.writeFormatInfo("key is %d", 3);
    log.writeBin("\x01\x02\x00\x03", 4);
    log.writeBin("xyz", 3);
    log.startLine(Log::api_data, "Off");  // a disabled kind leaves the open line alone
    log.writeFormatInfo("%s", "into the open line");
    log.endLine();
    log.startLine(Log::api_data, "Off");
    log.writeFormatInfo("dropped");
    log.writeBin("dropped", 7);
    log.endLine();
    log.startLine(Log::interface_log, "Next");
    log.writeBin("", 0);
    log.endLine();

    EXPECT_EQ("[interface_log] <time>\n  Title:(key is 3)(file " + dir + "1_bin.bridge)(file " + dir +
                  "2_bin.bridge)(into the open line)\n"
                  "[interface_log] <time>\n  Next:(file " + dir + "3_bin.bridge)\n",
              withoutTimes(session.logText()));
    EXPECT_EQ(std::string("\x01\x02\x00\x03", 4), readFile(session.dumpName(1)));
    EXPECT_EQ("xyz", readFile(session.dumpName(2)));
    EXPECT_EQ("", readFile(session.dumpName(3)));
    EXPECT_FALSE(fileExists(session.dumpName(4)));
    EXPECT_EQ("<time>\n", withoutTimes(Log::NowToStr()));
}

TEST(Log, SameThreadRestartContinuesTheLineAndLongPiecesAreCut) {
    LogSession session("util=1\n");
    Log& log = session.log();
    log.startLine(Log::util, "A");
    log.writeFormatInfo("1");
    log.startLine(Log::util, "B");
    log.writeFormatInfo("%s", std::string(5000, 'p').c_str());
    log.endLine();
    log.endLine();  // nothing open: no effect
    log.writeFormatInfo("after");
    EXPECT_EQ("[util] <time>\n  A:(1)[util] <time>\n  B:(" + std::string(1023, 'p') + ")\n",
              withoutTimes(session.logText()));
}

TEST(Log, SecondStartAppendsAndCountsDumpsAfresh) {
    LogSession session("version=1\n");
    session.log().startLine(Log::version, "first");
    session.log().writeBin("one", 3);
    session.log().endLine();
    session.close();
    session.reopen();
    session.log().startLine(Log::version, "second");
    session.log().writeBin("two", 3);
    session.log().endLine();
    const std::string dump = session.dumpName(1);
    EXPECT_EQ("[version] <time>\n  first:(file " + dump + ")\n[version] <time>\n  second:(file " + dump + ")\n",
              withoutTimes(session.logText()));
    EXPECT_EQ("two", readFile(dump));
}

TEST(Log, ReferencesShareOneInstanceUntilTheLast) {
    LogSession session("util=1\n");
    Log* second = Log::getLog();
    EXPECT_EQ(&session.log(), second);
    Log::clear();
    // Still open: the configuration is not read again.
    writeFile(session.dir().file("bridge.ini"), "api_data=1\n");
    EXPECT_TRUE(enabledKinds(session.log(), false, false, true, false));
    session.close();
    Log::clear();  // one too many: ignored
    session.reopen();
    EXPECT_TRUE(enabledKinds(session.log(), true, false, false, false));
}

TEST(Log, ALineBelongsToTheThreadThatStartedIt) {
    LogSession session("util=1\napi_data=1\n");
    Log& log = session.log();

    // Another thread cannot write into, or end, this thread's line.
    log.startLine(Log::util, "Main");
    std::thread intruder([&log] {
        log.writeFormatInfo("intruder");
        log.writeBin("x", 1);
        log.endLine();
    });
    intruder.join();
    log.writeFormatInfo("mine");
    log.endLine();
    EXPECT_EQ("[util] <time>\n  Main:(mine)\n", withoutTimes(session.logText()));

    // A line that is never ended holds others off for a while, then their
    // lines are dropped instead of waiting forever.
    log.startLine(Log::util, "Open");
    std::thread waiter([&log] {
        log.startLine(Log::api_data, "Waiting");
        log.writeFormatInfo("lost");
        log.endLine();
    });
    waiter.join();
    log.endLine();
    EXPECT_EQ("[util] <time>\n  Main:(mine)\n[util] <time>\n  Open:\n", withoutTimes(session.logText()));

    // Two threads writing many lines at once never interleave.
    constexpr int kLines = 300;
    auto writer = [&log](const char* name, Log::log_type kind) {
        for (int i = 0; i < kLines; ++i) {
            log.startLine(kind, name);
            log.writeFormatInfo("%s-%d", name, i);
            log.writeFormatInfo("%s", name);
            log.writeBin(name, 1);
            log.endLine();
        }
    };
    std::thread first(writer, "A", Log::util);
    std::thread second(writer, "B", Log::api_data);
    first.join();
    second.join();

    std::istringstream lines(withoutTimes(session.logText()));
    std::string stampLine, body;
    for (int skipped = 0; skipped < 4; ++skipped) std::getline(lines, body);  // the two lines above
    int counts[2] = {0, 0};
    std::vector<bool> dumpSeen(2 * kLines + 1, false);
    while (std::getline(lines, stampLine)) {
        ASSERT_TRUE(std::getline(lines, body));
        ASSERT_GT(body.size(), 3u) << body;
        const int who = body.substr(0, 3) == "  A" ? 0 : 1;
        const std::string name = who == 0 ? "A" : "B";
        EXPECT_EQ(who == 0 ? "[util] <time>" : "[api_data] <time>", stampLine);
        // "  A:(A-7)(A)(file <dir>/n_bin.bridge)", the pieces of one thread in order.
        const std::string head =
            "  " + name + ":(" + name + "-" + std::to_string(counts[who]) + ")(" + name + ")(file ";
        ASSERT_EQ(head, body.substr(0, head.size()));
        const size_t number = head.size() + session.dir().path().size() + 1;
        const int dump = std::atoi(body.c_str() + std::min(number, body.size()));
        ASSERT_TRUE(dump >= 1 && dump <= 2 * kLines) << body;
        EXPECT_EQ(head + session.dumpName(dump) + ")", body);
        EXPECT_FALSE(dumpSeen[dump]);
        dumpSeen[dump] = true;
        EXPECT_EQ(name, readFile(session.dumpName(dump)));
        ++counts[who];
    }
    EXPECT_EQ(kLines, counts[0]);
    EXPECT_EQ(kLines, counts[1]);
}
