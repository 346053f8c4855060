// zdmond's configuration: documented defaults, the file over them, the
// command line over the file, and every mistake refused with its line.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>

#include "daemon/Config.h"
#include "daemon/Severity.h"
#include "front/Error.h"
#include "front/MonitorConfig.h"
#include "support/TestSupport.h"

using zdmond::Config;
using zdmond::ConfigError;
using zdmond::ListenAddress;

namespace {

// The error message of loading `text`, empty when it loads.
std::string errorOf(const std::string& text)
{
    zdtest::TempDir dir;
    zdtest::writeFile(dir.file("zdmond.conf"), text);
    try {
        Config::load(dir.file("zdmond.conf"), true);
        return "";
    } catch (const ConfigError& error) {
        return error.what();
    }
}

}  // namespace

TEST(DaemonConfig, DefaultsFileAndCommandLineInThatOrder)
{
    zdtest::TempDir dir;
    Config defaults = Config::load(dir.file("absent.conf"), false);
    EXPECT_EQ(defaults.interval, 60u);
    EXPECT_EQ(defaults.database, "/var/lib/zdmond/events.db");
    EXPECT_EQ(defaults.listen.text(), "127.0.0.1:9788");
    EXPECT_EQ(defaults.syslogSeverity, zdmond::kSeverityInfo);
    EXPECT_EQ(defaults.hookSeverity, zdmond::kSeverityWarning);
    EXPECT_EQ(defaults.mailSeverity, zdmond::kSeverityCritical);
    EXPECT_TRUE(defaults.hookProgram.empty());
    EXPECT_THROW(Config::load(dir.file("absent.conf"), true), ConfigError);

    zdtest::writeFile(dir.file("zdmond.conf"), "# comment\n[monitor]\ninterval = 30\ndatabase = /srv/h.db\n"
                                               "[http]\nlisten = [::1]:9100\n[syslog]\nseverity = off\n"
                                               "[hook]\nprogram = /usr/local/bin/alert ; inline comment\n"
                                               "severity = critical\ntimeout = 5\n"
                                               "[mail]\nto = root@localhost\nseverity = warning\n");
    Config config = Config::load(dir.file("zdmond.conf"), true);
    EXPECT_EQ(config.interval, 30u);
    EXPECT_EQ(config.database, "/srv/h.db");
    EXPECT_EQ(config.listen.host, "::1");
    EXPECT_EQ(config.listen.text(), "[::1]:9100");
    EXPECT_EQ(config.syslogSeverity, zdmond::kSeverityNever);
    EXPECT_EQ(config.hookProgram, "/usr/local/bin/alert");
    EXPECT_EQ(config.hookSeverity, zdmond::kSeverityCritical);
    EXPECT_EQ(config.hookTimeout, 5u);
    EXPECT_EQ(config.mailTo, "root@localhost");
    EXPECT_EQ(config.mailSeverity, zdmond::kSeverityWarning);

    zdmond::ConfigOverrides overrides;
    overrides.interval = 1;
    overrides.database = "/tmp/other.db";
    overrides.listen = "off";
    overrides.hookProgram = "/bin/true";
    overrides.applyTo(config);
    EXPECT_EQ(config.interval, 1u);
    EXPECT_EQ(config.database, "/tmp/other.db");
    EXPECT_FALSE(config.listen.enabled());
    EXPECT_EQ(config.hookProgram, "/bin/true");
    EXPECT_EQ(config.hookTimeout, 5u) << "what the command line does not name stays";
}

TEST(DaemonConfig, MistakesAreRefusedWithTheirLine)
{
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"[monitor]\nintervall = 5\n", ":2: unknown key 'intervall' in [monitor]"},
        {"[monitor]\ninterval = 0\n", ":2: [monitor] interval must lie between 1 and 86400"},
        {"[monitor]\ninterval = 5s\n", "interval takes a whole number, not '5s'"},
        {"[monitor]\ndatabase = events.db\n", "database must be an absolute path"},
        {"[web]\nport = 1\n", "unknown key 'port' in [web]"},
        {"\n\n[hook]\nseverity = loud\n", ":4: [hook] severity takes info, warning, critical or off, not 'loud'"},
        {"[http]\nlisten = 9788\n", "listen address '9788' is not HOST:PORT (or off)"},
        {"[http]\nlisten = 127.0.0.1:70000\n", "listen port must lie between 0 and 65535"},
        {"[http]\nlisten = [::1\n", "is not [ADDRESS]:PORT"},
        {"interval = 5\n", "unknown key 'interval' in []"},
        {"[monitor\n", ":1: not INI text"},
    };
    for (const Case& c : cases) EXPECT_TRUE(zdtest::contains(errorOf(c.text), c.error)) << c.text;

    zdtest::TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo.conf").c_str(), 0600), 0);
    try {
        Config::load(dir.file("fifo.conf"), true);
        ADD_FAILURE() << "a FIFO was read as configuration";
    } catch (const ConfigError& error) {
        EXPECT_TRUE(zdtest::contains(error.what(), "not a regular file"));
    }
    EXPECT_THROW(ListenAddress::parse(":9788"), ConfigError);
    EXPECT_EQ(ListenAddress::parse("localhost:0").text(), "localhost:0");
}

// zdctl looks for zdmond's history where zdmond's configuration keeps it,
// so that it never drains the controller while a zdmond with a moved
// history runs; a file it cannot read is an error, not the default.
TEST(DaemonConfig, FrontEndsFindTheHistoryZdmondIsConfiguredFor)
{
    zdtest::TempDir dir;
    EXPECT_EQ(zdfront::configuredHistory(dir.file("absent.conf")), "/var/lib/zdmond/events.db");
    zdtest::writeFile(dir.file("moved.conf"), "[monitor]\ninterval = 30\ndatabase = /srv/zdmond/events.db\n");
    EXPECT_EQ(zdfront::configuredHistory(dir.file("moved.conf")), "/srv/zdmond/events.db");
    EXPECT_EQ(Config::load(dir.file("moved.conf"), true).database, "/srv/zdmond/events.db");
    zdtest::writeFile(dir.file("default.conf"), "[monitor]\n;database = /elsewhere.db\n");
    EXPECT_EQ(zdfront::configuredHistory(dir.file("default.conf")), "/var/lib/zdmond/events.db");

    zdtest::writeFile(dir.file("garbage.conf"), "[monitor\n");
    ASSERT_EQ(mkfifo(dir.file("fifo.conf").c_str(), 0600), 0);
    for (const auto& [name, why] : {std::pair<std::string, std::string>{"garbage.conf", ":1: not INI text"},
                                    {"fifo.conf", ": not a regular file"}}) {
        try {
            zdfront::configuredHistory(dir.file(name));
            ADD_FAILURE() << name << " was taken for the default";
        } catch (const zdfront::Error& error) {
            EXPECT_EQ(error.what(), dir.file(name) + why);
        }
    }
}
