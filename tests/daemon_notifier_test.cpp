// Alerts through the hook program and sendmail: the arguments and ZD_*
// variables a hook gets, time limits that kill a stuck helper without ever
// holding up the caller, failures counted, and the test alert.
#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "daemon/Alert.h"
#include "daemon/ChildProcess.h"
#include "daemon/Config.h"
#include "daemon/Notifier.h"
#include "daemon/Severity.h"
#include "support/TestSupport.h"

using namespace std::chrono_literals;

namespace {

std::string script(const zdtest::TempDir& dir, const std::string& name, const std::string& body)
{
    const std::string path = dir.file(name);
    zdtest::writeFile(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0700);
    return path;
}

zdmond::Alert degraded()
{
    zdmond::Alert alert;
    alert.event = "ArrayDegraded";
    alert.severity = zdmond::kSeverityCritical;
    alert.device = "adapter0/array1";
    alert.component = "adapter0/disk2";
    alert.message = "array 1 \"Data\" is degraded";
    alert.time = 1700000000;
    alert.historyId = 42;
    alert.details = {{"ARRAY_NAME", "Data"}};
    return alert;
}

uint64_t sent(const zdmond::Notifier& notifier, const std::string& channel, bool failed = false)
{
    for (const zdmond::ChannelCount& count : notifier.counts())
        if (count.channel == channel) return failed ? count.failed : count.sent;
    return 0;
}

}  // namespace

TEST(DaemonNotifier, HookGetsTheEventDeviceComponentAndDetails)
{
    signal(SIGPIPE, SIG_IGN);
    zdtest::TempDir dir;
    zdmond::Config config;
    config.syslogSeverity = zdmond::kSeverityNever;
    config.hookProgram = script(dir, "hook", "echo \"$# $1 $2 $3\" >> " + dir.file("calls") +
                                                 "\nenv | grep '^ZD_' | sort > " + dir.file("env") + "\n");
    config.hookSeverity = zdmond::kSeverityWarning;
    zdmond::Notifier notifier(config);
    zdmond::Alert info = degraded();
    info.severity = zdmond::kSeverityInfo;
    notifier.notify(info);  // below the hook's severity
    notifier.notify(degraded());
    ASSERT_TRUE(notifier.waitIdle(10s));
    EXPECT_EQ(zdtest::readFile(dir.file("calls")), "3 ArrayDegraded adapter0/array1 adapter0/disk2\n");
    const std::string env = zdtest::readFile(dir.file("env"));
    for (const char* line : {"ZD_EVENT=ArrayDegraded\n", "ZD_SEVERITY=critical\n", "ZD_SEVERITY_LEVEL=6\n",
                             "ZD_DEVICE=adapter0/array1\n", "ZD_COMPONENT=adapter0/disk2\n",
                             "ZD_MESSAGE=array 1 \"Data\" is degraded\n", "ZD_TIME=1700000000\n",
                             "ZD_EVENT_ID=42\n", "ZD_ARRAY_NAME=Data\n", "ZD_HOST="})
        EXPECT_TRUE(zdtest::contains(env, line));
    EXPECT_EQ(sent(notifier, "hook"), 1u);
}

TEST(DaemonNotifier, AStuckOrFailingHelperNeverHoldsUpTheCaller)
{
    signal(SIGPIPE, SIG_IGN);
    zdtest::TempDir dir;
    zdmond::Config config;
    config.syslogSeverity = zdmond::kSeverityNever;
    config.hookProgram = script(dir, "hook", "echo started >> " + dir.file("calls") + "\nsleep 30 &\nsleep 30\n");
    config.hookTimeout = 1;
    zdmond::Notifier notifier(config);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i) notifier.notify(degraded());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms) << "notify() waited for the hook";
    ASSERT_TRUE(notifier.waitIdle(20s));
    EXPECT_EQ(zdtest::countOf(zdtest::readFile(dir.file("calls")), "started"), 3u);
    EXPECT_EQ(sent(notifier, "hook", true), 3u);

    zdmond::ChildOutcome failed = zdmond::ChildProcess::run(
        {script(dir, "fails", "echo first\necho 'no route to pager' >&2\nexit 3\n")}, {}, "", 5s);
    EXPECT_EQ(failed.exitCode, 3);
    EXPECT_EQ(failed.describe(), "exited with status 3");
    EXPECT_TRUE(zdtest::contains(failed.output, "no route to pager"));
    zdmond::ChildOutcome missing = zdmond::ChildProcess::run({dir.file("absent")}, {}, "", 5s);
    EXPECT_FALSE(missing.started);
    EXPECT_TRUE(zdtest::contains(missing.describe(), "could not start"));
}

TEST(DaemonNotifier, MailGoesThroughSendmailAndTheTestAlertThroughEveryChannel)
{
    signal(SIGPIPE, SIG_IGN);
    zdtest::TempDir dir;
    zdmond::Config config;
    config.hookProgram = script(dir, "hook", "echo \"$1\" >> " + dir.file("calls") + "\n");
    config.mailTo = "ops@example.org";
    config.mailFrom = "zdmond@host";
    config.sendmail = script(dir, "sendmail", "echo \"$@\" > " + dir.file("mail-args") + "\ncat > " +
                                                  dir.file("mail") + "\n");
    zdmond::Notifier notifier(config);
    zdmond::Alert alert = degraded();
    alert.device = "adapter0/array1\nBcc: someone@else";
    notifier.notify(alert);
    ASSERT_TRUE(notifier.waitIdle(10s));
    EXPECT_EQ(zdtest::readFile(dir.file("mail-args")), "-t -oi\n");
    const std::string mail = zdtest::readFile(dir.file("mail"));
    EXPECT_TRUE(zdtest::contains(mail, "To: ops@example.org\nFrom: zdmond@host\nSubject: zdmond critical: "
                                       "ArrayDegraded on "));
    const std::string headers = mail.substr(0, mail.find("\n\n") + 1);
    EXPECT_FALSE(zdtest::contains(headers, "\nBcc:")) << "a line break in a value cannot add a header";
    EXPECT_TRUE(zdtest::contains(mail, "Component: adapter0/disk2\n"));
    EXPECT_TRUE(zdtest::contains(mail, "Stored as event 42"));

    zdmond::Alert test;
    test.event = "TestMessage";
    test.severity = zdmond::kSeverityInfo;  // below the hook's and mail's severities: sent all the same
    test.device = "zdmond";
    test.message = "test alert";
    std::vector<zdmond::ChannelResult> results = notifier.sendTest(test);
    ASSERT_EQ(results.size(), 3u);
    for (const zdmond::ChannelResult& result : results) EXPECT_TRUE(result.ok) << result.channel << result.detail;
    EXPECT_TRUE(zdtest::contains(zdtest::readFile(dir.file("calls")), "TestMessage"));

    config.sendmail = dir.file("no-sendmail");
    notifier.reconfigure(config);
    results = notifier.sendTest(test);
    EXPECT_FALSE(results.at(2).ok);
    EXPECT_TRUE(zdtest::contains(results.at(2).detail, "could not start"));
}
