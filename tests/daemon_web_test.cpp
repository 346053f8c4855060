// The dashboard's parts in-process: the access token file, login sessions
// and their back-off, the live event stream, the upload spool, the rule for
// listeners other machines reach, the API's routes against the OpenAPI
// description in web/openapi.yaml, and requests served on other threads
// while the monitor's cycles run.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "daemon/Config.h"
#include "daemon/http/AccessToken.h"
#include "daemon/http/ApiRouter.h"
#include "daemon/http/Dashboard.h"
#include "daemon/http/EventStream.h"
#include "daemon/http/HttpServer.h"
#include "daemon/http/LoginSessions.h"
#include "daemon/http/UploadSpool.h"
#include "support/MonitorUnderTest.h"
#include "support/TestSupport.h"

using namespace zdmond;
using zdtest::TempDir;

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

std::string refusal(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "(nothing was refused)";
}

}  // namespace

TEST(DaemonWeb, TheTokenFileIsMadePrivateAndNeverFollowedOrTakenFromOthers)
{
    TempDir dir;
    const std::string path = dir.file("web-token");
    AccessToken made = AccessToken::loadOrCreate(path);
    EXPECT_TRUE(made.created());
    EXPECT_TRUE(std::regex_match(made.text(), std::regex("[0-9a-f]{64}"))) << made.text();
    EXPECT_EQ(modeOf(path), 0600u);
    AccessToken again = AccessToken::loadOrCreate(path);
    EXPECT_FALSE(again.created());
    EXPECT_EQ(again.text(), made.text());
    EXPECT_TRUE(again.matches(made.text()));
    EXPECT_FALSE(again.matches(made.text().substr(0, 63) + (made.text()[63] == '0' ? "1" : "0")));
    EXPECT_FALSE(again.matches(made.text() + "0"));
    EXPECT_FALSE(again.matches(""));
    EXPECT_NE(AccessToken::loadOrCreate(dir.file("other")).text(), made.text());

    chmod(path.c_str(), 0640);
    EXPECT_TRUE(zdtest::contains(refusal([&] { AccessToken::loadOrCreate(path); }), "others may read or change it"));

    // A link planted where the token goes is neither followed nor written through.
    const std::string target = dir.file("target");
    zdtest::writeFile(target, "");
    ASSERT_EQ(symlink(target.c_str(), dir.file("link").c_str()), 0);
    EXPECT_TRUE(zdtest::contains(refusal([&] { AccessToken::loadOrCreate(dir.file("link")); }), "symbolic link"));
    EXPECT_EQ(zdtest::readFile(target), "");
    ASSERT_EQ(symlink(dir.file("nowhere").c_str(), dir.file("dangling").c_str()), 0);
    EXPECT_TRUE(zdtest::contains(refusal([&] { AccessToken::loadOrCreate(dir.file("dangling")); }), "symbolic link"));
    EXPECT_FALSE(zdtest::fileExists(dir.file("nowhere")));

    // A FIFO is refused at once, not waited on.
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_TRUE(zdtest::contains(refusal([&] { AccessToken::loadOrCreate(dir.file("fifo")); }), "not a regular file"));
    zdtest::writeFile(dir.file("short"), "abc\n");
    chmod(dir.file("short").c_str(), 0600);
    EXPECT_TRUE(zdtest::contains(refusal([&] { AccessToken::loadOrCreate(dir.file("short")); }), "at least 32"));
}

TEST(DaemonWeb, WrongTokensSlowTheirClientDownAndSessionsEnd)
{
    auto now = LoginSessions::Clock::time_point{} + std::chrono::hours(1);
    LoginSessions sessions([&] { return now; });
    const std::string guesser = "192.0.2.7", other = "192.0.2.8";
    // Two free tries, then 1 s, 2 s, 4 s ... up to a minute.
    std::vector<long> waits;
    for (int attempt = 0; attempt < 10; ++attempt) {
        waits.push_back(sessions.waitBeforeLogin(guesser).count());
        sessions.loginFailed(guesser);
    }
    EXPECT_EQ(waits, (std::vector<long>{0, 0, 0, 1, 2, 4, 8, 16, 32, 60}));
    EXPECT_EQ(sessions.waitBeforeLogin(other).count(), 0) << "another client is not held up";
    now += std::chrono::seconds(30);
    EXPECT_EQ(sessions.waitBeforeLogin(guesser).count(), 30);
    now += std::chrono::seconds(30);
    EXPECT_EQ(sessions.waitBeforeLogin(guesser).count(), 0);
    sessions.loginSucceeded(guesser);
    sessions.loginFailed(guesser);
    EXPECT_EQ(sessions.waitBeforeLogin(guesser).count(), 0) << "a success starts the count again";
    for (int i = 0; i < 5; ++i) sessions.loginFailed(other);
    now += LoginSessions::kForget + std::chrono::seconds(1);
    EXPECT_EQ(sessions.waitBeforeLogin(other).count(), 0) << "old failures are forgotten";

    LoginSessions::Entry first = sessions.open();
    EXPECT_EQ(first.id.size(), 64u);
    EXPECT_NE(first.id, first.csrf);
    ASSERT_TRUE(sessions.find(first.id));
    EXPECT_EQ(sessions.find(first.id)->csrf, first.csrf);
    EXPECT_FALSE(sessions.find(first.id.substr(0, 63) + "x"));
    now += LoginSessions::kIdle - std::chrono::minutes(1);
    EXPECT_TRUE(sessions.find(first.id)) << "use renews a session";
    now += LoginSessions::kIdle + std::chrono::minutes(1);
    EXPECT_FALSE(sessions.find(first.id)) << "an idle session ends";
    std::vector<LoginSessions::Entry> many;
    for (size_t i = 0; i <= LoginSessions::kMaxSessions; ++i) {
        now += std::chrono::seconds(1);
        many.push_back(sessions.open());
    }
    EXPECT_FALSE(sessions.find(many.front().id)) << "the oldest gives way";
    EXPECT_TRUE(sessions.find(many.back().id));
    sessions.closeAll();
    EXPECT_FALSE(sessions.find(many.back().id));
}

TEST(DaemonWeb, TheEventStreamSendsThePresentFirstThenEveryMessageOnce)
{
    EventStream stream;
    stream.publishState("enclosure", "{\"v\":1}");
    stream.publishState("enclosure", "{\"v\":2}");
    auto client = stream.subscribe();
    ASSERT_TRUE(client);
    std::string text;
    ASSERT_TRUE(stream.next(*client, text));
    EXPECT_EQ(text, "retry: 3000\n\nevent: enclosure\ndata: {\"v\":2}\n\n") << "only the latest state";
    stream.publish("history", "{\"id\":7}", 7);
    stream.publish("history", "two\nlines");
    ASSERT_TRUE(stream.next(*client, text));
    EXPECT_EQ(text, "event: history\nid: 7\ndata: {\"id\":7}\n\nevent: history\ndata: two\ndata: lines\n\n");

    // A client that falls too far behind skips ahead and is told so.
    for (size_t i = 0; i < EventStream::kBacklog + 5; ++i) stream.publish("history", std::to_string(i));
    ASSERT_TRUE(stream.next(*client, text));
    EXPECT_EQ(text.rfind("event: resync\n", 0), 0u) << text.substr(0, 80);
    EXPECT_TRUE(zdtest::contains(text, "data: " + std::to_string(EventStream::kBacklog + 4) + "\n"));
    EXPECT_FALSE(zdtest::contains(text, "data: 4\n"));

    std::vector<std::shared_ptr<EventStream::Client>> more;
    while (auto extra = stream.subscribe()) more.push_back(extra);
    EXPECT_EQ(stream.clients(), EventStream::kMaxClients);
    stream.unsubscribe(more.back());
    EXPECT_TRUE(stream.subscribe());
    stream.close();
    EXPECT_FALSE(stream.next(*client, text));
    EXPECT_FALSE(stream.subscribe());
}

TEST(DaemonWeb, UploadsArePrivateCappedAndClearedAtStart)
{
    TempDir dir;
    const std::string spoolDir = dir.file("uploads");
    mkdir(spoolDir.c_str(), 0700);
    zdtest::writeFile(spoolDir + "/0123456789abcdef0123456789abcdef.img", "left over");
    zdtest::writeFile(spoolDir + "/keep.txt", "not ours");
    UploadSpool spool(spoolDir);
    EXPECT_FALSE(zdtest::fileExists(spoolDir + "/0123456789abcdef0123456789abcdef.img"));
    EXPECT_TRUE(zdtest::fileExists(spoolDir + "/keep.txt"));
    EXPECT_EQ(modeOf(spoolDir), 0700u);

    auto chunks = [](size_t count, size_t size) {
        return [count, size](const UploadSpool::Sink& sink) {
            std::string chunk(size, 'x');
            for (size_t i = 0; i < count; ++i)
                if (!sink(chunk.data(), chunk.size())) return false;
            return true;
        };
    };
    UploadSpool::Image image = spool.receive(0, chunks(4, 1000));
    EXPECT_EQ(image.bytes, 4000u);
    EXPECT_EQ(modeOf(image.path), 0600u);
    EXPECT_EQ(zdtest::readFile(image.path).size(), 4000u);
    EXPECT_TRUE(spool.find(image.id));

    // One byte too many: refused with 413 and nothing left behind.
    const size_t before = std::distance(std::filesystem::directory_iterator(spoolDir), {});
    try {
        spool.receive(0, chunks(UploadSpool::kMaxBytes / 4096 + 1, 4096));
        ADD_FAILURE() << "an image over the cap was taken";
    } catch (const HttpError& error) {
        EXPECT_EQ(error.status(), 413);
    }
    EXPECT_EQ(static_cast<size_t>(std::distance(std::filesystem::directory_iterator(spoolDir), {})), before);

    spool.remove(image.id);
    EXPECT_FALSE(zdtest::fileExists(image.path));
    EXPECT_FALSE(spool.find(image.id));

    // A spool that is a link, or open to others, is refused.
    ASSERT_EQ(symlink(dir.path().c_str(), dir.file("linked").c_str()), 0);
    EXPECT_TRUE(zdtest::contains(refusal([&] { UploadSpool linked(dir.file("linked")); }), "symbolic link"));
    mkdir(dir.file("open").c_str(), 0777);
    chmod(dir.file("open").c_str(), 0777);
    EXPECT_TRUE(zdtest::contains(refusal([&] { UploadSpool open(dir.file("open")); }), "mode 0700"));
}

TEST(DaemonWeb, TheDashboardReachesOtherMachinesOnlyOverTls)
{
    for (const auto& [host, loopback] : std::vector<std::pair<std::string, bool>>{
             {"127.0.0.1", true}, {"127.3.4.5", true}, {"localhost", true}, {"::1", true},
             {"0.0.0.0", false}, {"::", false}, {"192.0.2.1", false}, {"128.0.0.1", false}, {"example.org", false}})
        EXPECT_EQ((ListenAddress{host, 9788}.loopback()), loopback) << host;

    Config config;
    EXPECT_EQ(config.listen.text(), "127.0.0.1:9788");
    EXPECT_NO_THROW(config.validate());
    config.listen = ListenAddress::parse("0.0.0.0:9788");
    EXPECT_TRUE(zdtest::contains(refusal([&] { config.validate(); }), "is not a loopback address"));
    EXPECT_TRUE(zdtest::contains(refusal([&] { config.validate(); }), "metrics_listen = 0.0.0.0:9788"));
    config.tlsCert = "/etc/cert.pem";
    EXPECT_TRUE(zdtest::contains(refusal([&] { config.validate(); }), "both tls_cert and tls_key"));
    config.tlsKey = "/etc/key.pem";
    EXPECT_NO_THROW(config.validate());
    EXPECT_EQ(config.dashboardUrl(9788), "https://0.0.0.0:9788");

    // A fleet's scraper gets /metrics alone on any address, without TLS.
    TempDir dir;
    zdtest::writeFile(dir.file("zdmond.conf"), "[http]\nmetrics_listen = 0.0.0.0:9100\ntoken_file = /srv/token\n");
    Config fleet = Config::load(dir.file("zdmond.conf"), true);
    ConfigOverrides{}.applyTo(fleet);
    EXPECT_EQ(fleet.metricsListen.text(), "0.0.0.0:9100");
    EXPECT_EQ(fleet.tokenPath(), "/srv/token");
    EXPECT_EQ(Config().tokenPath(), "/var/lib/zdmond/web-token");
    // The installed configuration documents the defaults: with every key uncommented it means the same.
    std::string documented = zdtest::readFile(ZD_SOURCE_DIR "/daemon/zdmond.conf");
    documented = std::regex_replace(documented, std::regex("\n;([a-z_]+ =)"), "\n$1");
    zdtest::writeFile(dir.file("documented.conf"), documented);
    Config defaults = Config::load(dir.file("documented.conf"), true);
    ConfigOverrides{}.applyTo(defaults);
    EXPECT_EQ(defaults.listen.text(), "127.0.0.1:9788");
    EXPECT_FALSE(defaults.metricsListen.enabled());
    EXPECT_FALSE(defaults.tls());
    EXPECT_EQ(defaults.tokenPath(), Config().tokenPath());
    zdtest::writeFile(dir.file("open.conf"), "[http]\nlisten = [::]:9788\n");
    Config open = Config::load(dir.file("open.conf"), true);
    EXPECT_TRUE(zdtest::contains(refusal([&] { ConfigOverrides{}.applyTo(open); }), "only over TLS"));
}

TEST(DaemonWeb, EveryRouteIsDocumentedAndEveryDocumentedRouteExists)
{
    zdtest::MonitorUnderTest under;
    Dashboard dashboard(*under.monitor);
    std::set<std::string> served;
    for (const ApiRouter::Route& route : dashboard.routes()) {
        std::string method = route.method;
        for (char& c : method) c = static_cast<char>(std::tolower(c));
        EXPECT_TRUE(served.insert(method + " " + route.path).second) << "twice: " << route.path;
        EXPECT_NO_THROW(std::regex(ApiRouter::pattern(route.path))) << route.path;
    }
    // web/openapi.yaml: paths at two spaces, their methods at four.
    std::ifstream file(ZD_SOURCE_DIR "/web/openapi.yaml");
    ASSERT_TRUE(file) << "web/openapi.yaml";
    std::set<std::string> documented;
    std::string line, path;
    bool inPaths = false;
    const std::regex pathLine("^  (/[^:]*):\\s*$"), methodLine("^    (get|post|delete|put|patch):.*$");
    std::smatch match;
    while (std::getline(file, line)) {
        if (!line.empty() && line[0] != ' ' && line[0] != '#') inPaths = line == "paths:";
        if (!inPaths) continue;
        if (std::regex_match(line, match, pathLine)) path = match[1];
        else if (std::regex_match(line, match, methodLine)) documented.insert(match[1].str() + " " + path);
    }
    EXPECT_GT(documented.size(), 30u);
    for (const std::string& route : served) EXPECT_TRUE(documented.count(route)) << "not in web/openapi.yaml: " << route;
    for (const std::string& route : documented) EXPECT_TRUE(served.count(route)) << "documented, not served: " << route;
}

TEST(DaemonWeb, RequestsAndLiveStreamsRunBesideTheMonitor)
{
    zdsim_reset();
    zdtest::MonitorUnderTest under;
    under.monitor->setLibraries(ZD_BRIDGE_LIBRARY, "simulator");
    Dashboard dashboard(*under.monitor);
    under.monitor->onSnapshot([&](const zdfront::Snapshot& snapshot) { dashboard.publishSnapshot(snapshot); });
    Config config;
    config.database = under.dir.file("events.db");
    config.listen = ListenAddress{"127.0.0.1", 0};
    dashboard.configure(config);
    HttpServer http([&](httplib::Server& server) { dashboard.install(server); });
    http.start(config.listen);
    ASSERT_TRUE(under.cycle());
    const httplib::Headers bearer = {{"Authorization", "Bearer " + dashboard.token().text()}};

    std::atomic<bool> streamed{false};
    std::thread reader([&] {
        httplib::Client client("127.0.0.1", http.port());
        std::string text;
        client.Get("/api/v1/events/stream", bearer, [&](const char* data, size_t length) {
            text.append(data, length);
            streamed = zdtest::countOf(text, "event: enclosure\n") >= 3;
            return !streamed;
        });
    });
    std::atomic<int> answered{0};
    std::thread asker([&] {
        httplib::Client client("127.0.0.1", http.port());
        for (int i = 0; i < 20; ++i) {
            auto answer = client.Get("/api/v1/enclosure", bearer);
            if (answer && answer->status == 200) ++answered;
        }
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!streamed && std::chrono::steady_clock::now() < deadline) {
        under.cycle();
        dashboard.publishHistory();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    asker.join();
    EXPECT_TRUE(streamed) << "the stream did not get the cycles' enclosures";
    dashboard.closeStreams();
    reader.join();
    http.stop();
    EXPECT_EQ(answered, 20);
}
