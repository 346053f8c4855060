// zdmond's dashboard API end to end: the built daemon over the simulated
// enclosure that zdctl runs share, asked over HTTP(S) as a page or a script
// asks it. Every endpoint, the guards it shares with zdctl, the refusals of
// the gate (token, CSRF, body size, Host, TLS), live updates and firmware.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "DaemonTestSupport.h"

using zdtest::DaemonEnclosure;
using zdtest::kZdmond;
using zdtest::waitUntil;
using zdtest::Zdmond;
using Json = nlohmann::json;
using namespace std::chrono_literals;

namespace {

struct Answer {
    int status = 0;  // 0: no answer
    Json json;
    std::string body;
    httplib::Headers headers;
    std::string header(const std::string& name) const
    {
        auto found = headers.find(name);
        return found == headers.end() ? std::string() : found->second;
    }
};

// A client of one zdmond; with a token it authenticates as a script does (Bearer).
class Client {
public:
    Client(int port, std::string token = "", bool tls = false) : m_token(std::move(token))
    {
        if (tls) {
            auto secure = std::make_unique<httplib::SSLClient>("127.0.0.1", port);
            secure->enable_server_certificate_verification(false);
            m_client = std::move(secure);
        } else {
            m_client = std::make_unique<httplib::ClientImpl>("127.0.0.1", port);
        }
        m_client->set_read_timeout(30, 0);
    }

    Answer get(const std::string& path, httplib::Headers headers = {}) { return call("GET", path, "", headers); }
    Answer post(const std::string& path, const Json& body = Json::object(), httplib::Headers headers = {})
    {
        return call("POST", path, body.dump(), headers);
    }
    Answer del(const std::string& path, httplib::Headers headers = {}) { return call("DELETE", path, "{}", headers); }

    Answer call(const std::string& method, const std::string& path, const std::string& body, httplib::Headers headers,
                const std::string& type = "application/json")
    {
        if (!m_token.empty()) headers.emplace("Authorization", "Bearer " + m_token);
        httplib::Result result = method == "GET"    ? m_client->Get(path.c_str(), headers)
                                 : method == "POST" ? m_client->Post(path.c_str(), headers, body, type.c_str())
                                                    : m_client->Delete(path.c_str(), headers, body, type.c_str());
        Answer answer;
        if (!result) return answer;
        answer.status = result->status;
        answer.body = result->body;
        answer.headers = result->headers;
        answer.json = Json::parse(result->body, nullptr, false);
        return answer;
    }

    httplib::ClientImpl& raw() { return *m_client; }

private:
    std::string m_token;
    std::unique_ptr<httplib::ClientImpl> m_client;
};

// A started zdmond with its token and its bridge loaded, at a cycle a second.
struct Dashboard {
    DaemonEnclosure enclosure;
    std::unique_ptr<Zdmond> zdmond;
    std::string token;
    int port = 0;

    explicit Dashboard(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = enclosure.daemonArgs();
        args.insert(args.end(), extra.begin(), extra.end());
        zdmond = std::make_unique<Zdmond>(enclosure, args);
        port = zdmond->port();
        token = zdtest::readFile(enclosure.file("web-token"));
        while (!token.empty() && token.back() == '\n') token.pop_back();
        // Until the first cycle has loaded the bridge, the API answers 503.
        EXPECT_TRUE(waitUntil([&] { return script().get("/api/v1/enclosure").status == 200; }, "the bridge"));
    }
    Client script() { return Client(port, token); }
    Client anonymous() { return Client(port); }
};

// Sends the text as it is over a new connection; answers what comes back until the server closes.
std::string rawExchange(int port, const std::string& text)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    std::string answer;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size())) {
        char buffer[4096];
        ssize_t got;
        while ((got = recv(fd, buffer, sizeof(buffer), 0)) > 0) answer.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return answer;
}

std::string errorKind(const Answer& answer) { return answer.json.is_object() ? answer.json["error"].value("kind", "") : ""; }

}  // namespace

TEST(DashboardApi, EveryEndpointAnswersThroughTheGuardsZdctlUses)
{
    Dashboard dashboard;
    ASSERT_GT(dashboard.port, 0);
    Client api = dashboard.script();

    Answer session = api.get("/api/v1/session");
    EXPECT_EQ(session.json["method"], "bearer");
    EXPECT_TRUE(session.json["csrf_token"].is_null());
    EXPECT_TRUE(zdtest::contains(session.json.value("controller", ""), "simulator zdsim"));

    // Reads, in zdctl --json's shape.
    Json enclosure = api.get("/api/v1/enclosure").json;
    EXPECT_EQ(enclosure["verdict_text"], "healthy");
    ASSERT_EQ(enclosure["adapters"].size(), 2u);
    EXPECT_EQ(enclosure["adapters"][0]["arrays"][0]["name"], "Data");
    EXPECT_EQ(enclosure["adapters"][0]["arrays"][0]["tone"], "good");
    EXPECT_EQ(enclosure["adapters"][0]["disks"][4]["tone"], "spare");
    EXPECT_EQ(api.get("/api/v1/adapters/0").json["serial"], "ZDT8-2411-1001");
    Json array = api.get("/api/v1/adapters/0/arrays/0").json;
    EXPECT_EQ(array["raid_text"], "RAID 5");
    EXPECT_EQ(array["members"].size(), 4u);
    EXPECT_TRUE(array["schedules"].is_array() && array["events"].is_array());
    EXPECT_EQ(api.get("/api/v1/adapters/0/arrays").json["arrays"].size(), 1u);
    EXPECT_EQ(api.get("/api/v1/adapters/0/disks").json["disks"].size(), 8u);
    Json disk = api.get("/api/v1/adapters/0/disks/3").json;
    EXPECT_EQ(disk["id"], 3);
    EXPECT_TRUE(disk["smart"].contains("verdict_text"));
    EXPECT_TRUE(api.get("/api/v1/adapters/0/schedules").json["schedules"].is_array());
    Json init = api.get("/api/v1/ranges/InitType").json;
    ASSERT_FALSE(init["entries"].empty());
    EXPECT_TRUE(init["entries"][0].contains("default"));

    // Bad ids and names.
    for (const char* path : {"/api/v1/adapters/9", "/api/v1/adapters/0/arrays/77", "/api/v1/adapters/0/disks/99",
                             "/api/v1/ranges/NoSuchTable", "/api/v1/adapters/x", "/api/v1/nothing"}) {
        Answer missing = api.get(path);
        EXPECT_EQ(missing.status, 404) << path;
        EXPECT_EQ(errorKind(missing), "not_found") << path << ": " << missing.body;
    }
    EXPECT_TRUE(zdtest::contains(api.get("/api/v1/adapters/9").json["error"]["message"], "adapter 9 not found"));

    // The capacity preview, as the disks are picked.
    Json preview = api.get("/api/v1/adapters/0/capacity-preview?raid=5&disks=5,6,7").json;
    EXPECT_TRUE(preview["buildable"].get<bool>()) << preview.dump();
    EXPECT_GT(preview["preview"]["available_sectors"].get<uint64_t>(), 0u);
    Json refused = api.get("/api/v1/adapters/0/capacity-preview?raid=raid1&disks=5,6,7").json;
    EXPECT_FALSE(refused["buildable"].get<bool>()) << refused.dump();
    EXPECT_EQ(refused["raid_needs"], "exactly 2 disks, mirrored");
    EXPECT_EQ(api.get("/api/v1/adapters/0/capacity-preview?raid=5&disks=5,9").status, 404);
    EXPECT_EQ(api.get("/api/v1/adapters/0/capacity-preview?raid=5&disks=five").status, 400);
    EXPECT_EQ(api.get("/api/v1/adapters/0/capacity-preview?raid=7&disks=5,6").status, 400);

    // Create, seen by zdctl through the shared enclosure.
    Json wanted = {{"name", "Data2"}, {"raid", 5}, {"disks", {5, 6, 7}}, {"init", "background"}};
    Json dry = wanted;
    dry["dry_run"] = true;
    EXPECT_EQ(api.post("/api/v1/adapters/0/arrays", dry).json["buildable"], true);
    Answer created = api.post("/api/v1/adapters/0/arrays", wanted);
    ASSERT_EQ(created.status, 200) << created.body;
    EXPECT_EQ(created.json["created"]["array"], 1);
    EXPECT_EQ(created.json["partial"], false);
    EXPECT_TRUE(zdtest::contains(created.json["done"][0], "created array 1 \"Data2\" (RAID 5"));
    EXPECT_TRUE(zdtest::contains(dashboard.enclosure.out({"array", "list"}), "Data2"));
    Answer badName = api.post("/api/v1/adapters/0/arrays", {{"name", "a name far too long"}, {"raid", 0}, {"disks", {4}}});
    EXPECT_EQ(badName.status, 400);
    EXPECT_TRUE(zdtest::contains(badName.json["error"]["message"], "15 bytes"));
    EXPECT_EQ(api.post("/api/v1/adapters/0/arrays", {{"name", "X"}, {"raid", 5}, {"disks", {5, 5}}}).status, 400);
    EXPECT_EQ(api.post("/api/v1/adapters/0/arrays", {{"name", "X"}, {"raid", "5"}, {"disks", "5,6"}}).status, 400);

    // A controller refusal carries its code and "Error" text.
    Answer rebuild = api.post("/api/v1/adapters/0/arrays/0/rebuild", {{"disks", {4}}});
    EXPECT_EQ(rebuild.status, 422);
    EXPECT_EQ(rebuild.json["error"]["controller_code"], 60);
    EXPECT_EQ(rebuild.json["error"]["controller_text"], "Specified virtual disk is functional");

    // Activities and their controls.
    Answer check = api.post("/api/v1/adapters/0/arrays/0/check", {{"fix", true}});
    ASSERT_EQ(check.status, 200) << check.body;
    EXPECT_TRUE(zdtest::contains(check.json["done"][0], "Check & Fix of array 0 \"Data\""));
    for (const char* action : {"pause", "resume", "abort"}) {
        Answer control = api.post(std::string("/api/v1/adapters/0/arrays/0/") + action);
        EXPECT_TRUE(control.status == 200 || control.status == 422) << action << ": " << control.body;
    }

    // Spares, read back.
    Answer spare = api.post("/api/v1/adapters/0/disks/7/spare");
    ASSERT_EQ(spare.status, 422) << "disk 7 is a member of Data2 now: " << spare.body;
    EXPECT_EQ(api.post("/api/v1/adapters/0/disks/4/unspare").json["done"][0], "disk 4 is a free disk again (Free)");
    EXPECT_TRUE(zdtest::contains(api.post("/api/v1/adapters/0/disks/4/spare", {{"array", 0}}).json["done"][0],
                                 "disk 4 is now the dedicated spare of array 0 \"Data\""));

    // Wiping a member needs the array's name typed and the override.
    Answer plan = api.post("/api/v1/adapters/0/disks/0/free", {{"dry_run", true}});
    EXPECT_EQ(plan.json["plan"]["override"], "member_disk");
    EXPECT_EQ(plan.json["plan"]["confirmation_text"], "Data");
    Answer notOverridden = api.post("/api/v1/adapters/0/disks/0/free", {{"confirm", "Data"}});
    EXPECT_EQ(notOverridden.status, 409);
    EXPECT_TRUE(zdtest::contains(notOverridden.json["error"]["message"], "needs the override"));
    EXPECT_EQ(nlohmann::json::parse(dashboard.enclosure.out({"--json", "disk", "show", "0"}))["disk"]["array"], 0)
        << "disk 0 was left alone";

    // Settings, read back; the buzzer.
    Answer settings = api.post("/api/v1/adapters/0/settings", {{"settings", {{"rebuild_speed", 90}, {"auto_rebuild", false}}}});
    ASSERT_EQ(settings.status, 200) << settings.body;
    EXPECT_EQ(settings.json["done"], Json({"auto-rebuild=0", "rebuild-speed=90"}));
    EXPECT_EQ(api.post("/api/v1/adapters/0/settings", {{"settings", {{"colour", "red"}}}}).status, 400);
    EXPECT_EQ(api.post("/api/v1/adapters/0/buzzer-off").status, 200);

    // Schedules: an init schedule needs the typed name; removal is read back.
    Answer weekly = api.post("/api/v1/adapters/0/schedules",
                             {{"activity", "check"}, {"array", 0}, {"repeat", "weekly"}, {"time", "2300"}, {"day", 2}});
    ASSERT_EQ(weekly.status, 200) << weekly.body;
    const uint64_t index = weekly.json["created"]["schedule"];
    Json initSchedule = {{"activity", "init"}, {"array", 1}, {"repeat", "daily"}, {"time", "0300"}};
    Answer unconfirmed = api.post("/api/v1/adapters/0/schedules", initSchedule);
    EXPECT_EQ(unconfirmed.status, 409);
    EXPECT_EQ(unconfirmed.json["plan"]["confirmation_text"], "Data2");
    EXPECT_EQ(api.post("/api/v1/adapters/0/schedules", {{"activity", "check"}, {"array", 0}, {"time", "2500"},
                                                       {"date", "20300101"}}).status, 400);
    EXPECT_EQ(api.get("/api/v1/adapters/0/schedules").json["schedules"].size(), 1u);
    EXPECT_EQ(api.del("/api/v1/adapters/0/schedules/" + std::to_string(index)).status, 200);
    EXPECT_EQ(api.del("/api/v1/adapters/0/schedules/" + std::to_string(index)).status, 404);

    // Deleting needs the array's name typed: a wrong one changes nothing.
    Answer asked = api.post("/api/v1/adapters/0/arrays/1/delete");
    EXPECT_EQ(asked.status, 409);
    EXPECT_EQ(asked.json["plan"]["losses"][0], "array 1 \"Data2\" (RAID 5, 7.3 TiB) will be destroyed with all data on it");
    EXPECT_EQ(api.post("/api/v1/adapters/0/arrays/1/delete", {{"confirm", "data2"}}).status, 409);
    EXPECT_TRUE(zdtest::contains(dashboard.enclosure.out({"array", "list"}), "Data2"));
    Answer deleted = api.post("/api/v1/adapters/0/arrays/1/delete", {{"confirm", "Data2"}});
    ASSERT_EQ(deleted.status, 200) << deleted.body;
    EXPECT_FALSE(zdtest::contains(dashboard.enclosure.out({"array", "list"}), "Data2"));

    // The history, filtered.
    ASSERT_TRUE(waitUntil([&] { return !api.get("/api/v1/events?severity=info").json["events"].empty(); }, "events"));
    Json events = api.get("/api/v1/events?adapter=0&since=1h&limit=5").json["events"];
    EXPECT_LE(events.size(), 5u);
    for (const Json& event : events) {
        EXPECT_EQ(event["adapter"], 0);
        EXPECT_TRUE(event.contains("severity_text") && event.contains("tone"));
    }
    EXPECT_EQ(api.get("/api/v1/events?since=yesterday").status, 400);
    EXPECT_EQ(api.get("/api/v1/events?severity=loud").status, 400);
    EXPECT_EQ(api.get("/api/v1/events?array=0").status, 400);
    EXPECT_EQ(dashboard.zdmond->stop(SIGTERM), 0);
}

TEST(DashboardApi, AChangeMadeWithZdctlReachesTheLiveStreamWithinAnInterval)
{
    Dashboard dashboard;
    Client api = dashboard.script();
    std::mutex mutex;
    std::string received;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        Client stream = dashboard.script();
        stream.raw().Get("/api/v1/events/stream", {{"Authorization", "Bearer " + dashboard.token}},
                         [&](const char* data, size_t length) {
                             std::lock_guard<std::mutex> lock(mutex);
                             received.append(data, length);
                             return !done;
                         });
    });
    auto seen = [&](const std::string& part) {
        std::lock_guard<std::mutex> lock(mutex);
        return received.find(part) != std::string::npos;
    };
    ASSERT_TRUE(waitUntil([&] { return seen("event: enclosure\ndata: {"); }, "the enclosure at once"));
    dashboard.enclosure.succeeds({"array", "rename", "0", "Renamed"});
    EXPECT_TRUE(waitUntil([&] { return seen("\"name\":\"Renamed\""); }, "the rename in the stream", 10s));
    dashboard.enclosure.succeeds({"sim", "fail-disk", "1"});
    EXPECT_TRUE(waitUntil([&] { return seen("\"verdict_text\":\"degraded\""); }, "the degraded enclosure", 10s));
    EXPECT_TRUE(waitUntil([&] { return seen("event: history\nid: ") && seen("\"name\":\"DiskFailed\""); },
                          "the stored DiskFailed event", 10s));
    done = true;
    dashboard.enclosure.succeeds({"array", "rename", "0", "Again"});  // one more message ends the reader
    reader.join();
    EXPECT_EQ(dashboard.zdmond->stop(SIGTERM), 0);
}

TEST(DashboardSecurity, TheGateRefusesWhatItMust)
{
    Dashboard dashboard;
    Client anonymous = dashboard.anonymous();
    EXPECT_EQ(zdtest::readFile(dashboard.enclosure.file("web-token")).size(), 65u);
    struct stat info {};
    ASSERT_EQ(stat(dashboard.enclosure.file("web-token").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // Without the token: 401 for the API, the login page for pages; /metrics and the login's files are open.
    Answer denied = anonymous.get("/api/v1/enclosure");
    EXPECT_EQ(denied.status, 401);
    EXPECT_EQ(errorKind(denied), "unauthorized");
    EXPECT_EQ(anonymous.post("/api/v1/adapters/0/buzzer-off").status, 401);
    Answer page = anonymous.get("/");
    EXPECT_EQ(page.status, 303);
    EXPECT_EQ(page.header("Location"), "/login");
    EXPECT_EQ(anonymous.get("/js/main.js").status, 303);
    EXPECT_EQ(anonymous.get("/login").status, 200);
    EXPECT_EQ(anonymous.get("/app.css").status, 200);
    EXPECT_EQ(anonymous.get("/metrics").status, 200);

    // Every answer forbids framing, inline script and sniffing, and allows no other origin.
    Answer headers = anonymous.get("/login", {{"Origin", "http://evil.example"}});
    EXPECT_EQ(headers.header("Content-Security-Policy"),
              "default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self' data:; connect-src 'self'; "
              "object-src 'none'; base-uri 'none'; form-action 'self'; frame-ancestors 'none'");
    EXPECT_EQ(headers.header("X-Content-Type-Options"), "nosniff");
    EXPECT_EQ(headers.header("X-Frame-Options"), "DENY");
    EXPECT_EQ(headers.header("Referrer-Policy"), "no-referrer");
    EXPECT_EQ(headers.header("Access-Control-Allow-Origin"), "");
    auto preflight = anonymous.raw().Options("/api/v1/enclosure", {{"Origin", "http://evil.example"},
                                                                   {"Access-Control-Request-Method", "POST"}});
    ASSERT_TRUE(preflight);
    EXPECT_FALSE(preflight->has_header("Access-Control-Allow-Origin"));
    EXPECT_FALSE(preflight->has_header("Access-Control-Allow-Methods"));

    // A name that only a rebinding trick points here is not answered.
    EXPECT_EQ(anonymous.get("/api/v1/session", {{"Host", "evil.example:80"}}).status, 421);

    // The token for a cookie: HttpOnly, SameSite=Strict; changes with it need the CSRF token.
    Answer login = anonymous.post("/api/v1/session", {{"token", dashboard.token}});
    ASSERT_EQ(login.status, 200) << login.body;
    const std::string cookie = login.header("Set-Cookie");
    EXPECT_TRUE(zdtest::contains(cookie, "; Path=/; HttpOnly; SameSite=Strict"));
    EXPECT_FALSE(zdtest::contains(cookie, "Secure"));
    const std::string sessionCookie = cookie.substr(0, cookie.find(';'));
    const std::string csrf = login.json["csrf_token"];
    httplib::Headers withCookie = {{"Cookie", sessionCookie}};
    EXPECT_EQ(anonymous.get("/api/v1/enclosure", withCookie).status, 200);
    EXPECT_EQ(anonymous.get("/api/v1/session", withCookie).json["csrf_token"], csrf);
    EXPECT_EQ(anonymous.post("/api/v1/adapters/0/buzzer-off", Json::object(), withCookie).status, 403);
    httplib::Headers wrongCsrf = {{"Cookie", sessionCookie}, {"X-CSRF-Token", std::string(64, 'a')}};
    Answer forged = anonymous.post("/api/v1/adapters/0/buzzer-off", Json::object(), wrongCsrf);
    EXPECT_EQ(forged.status, 403);
    EXPECT_TRUE(zdtest::contains(forged.json["error"]["message"], "X-CSRF-Token"));
    httplib::Headers rightCsrf = {{"Cookie", sessionCookie}, {"X-CSRF-Token", csrf}};
    EXPECT_EQ(anonymous.post("/api/v1/adapters/0/buzzer-off", Json::object(), rightCsrf).status, 200);

    // Too large a body, or one without a length.
    Answer large = anonymous.post("/api/v1/adapters/0/settings", {{"settings", {{"alias", std::string(70 * 1024, 'x')}}}},
                                  rightCsrf);
    EXPECT_EQ(large.status, 413);
    EXPECT_EQ(errorKind(large), "too_large");
    Answer notJson = anonymous.call("POST", "/api/v1/adapters/0/buzzer-off", "not json", rightCsrf);
    EXPECT_EQ(notJson.status, 400);
    const std::string chunked = rawExchange(dashboard.port, "POST /api/v1/adapters/0/buzzer-off HTTP/1.1\r\n"
                                            "Host: 127.0.0.1\r\nAuthorization: Bearer " + dashboard.token + "\r\n"
                                            "Transfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n0\r\n\r\n");
    EXPECT_EQ(chunked.rfind("HTTP/1.1 411 ", 0), 0u) << chunked;

    // The login URL: a cookie and the dashboard, or back to the login page.
    Answer byUrl = anonymous.get("/login?token=" + dashboard.token);
    EXPECT_EQ(byUrl.status, 303);
    EXPECT_EQ(byUrl.header("Location"), "/");
    EXPECT_TRUE(zdtest::contains(byUrl.header("Set-Cookie"), "HttpOnly; SameSite=Strict"));

    // Logging out ends the session.
    EXPECT_EQ(anonymous.del("/api/v1/session", rightCsrf).status, 200);
    EXPECT_EQ(anonymous.get("/api/v1/enclosure", withCookie).status, 401);

    // Wrong tokens: two are answered at once, then the client must wait, longer each time (the right token too).
    Client guesser(dashboard.port, std::string(64, '0'));
    EXPECT_EQ(guesser.get("/api/v1/enclosure").status, 401);
    EXPECT_EQ(anonymous.post("/api/v1/session", {{"token", "wrong"}}).status, 401);
    EXPECT_EQ(anonymous.get("/login?token=wrong").header("Location"), "/login#failed");
    EXPECT_EQ(guesser.get("/api/v1/enclosure").status, 429);
    ASSERT_TRUE(waitUntil([&] { return guesser.get("/api/v1/enclosure").status == 401; }, "the first wait's end"));
    Answer slowed = dashboard.script().get("/api/v1/enclosure");
    EXPECT_EQ(slowed.status, 429);
    EXPECT_TRUE(slowed.header("Retry-After") == "2" || slowed.header("Retry-After") == "1") << slowed.header("Retry-After");
    EXPECT_EQ(anonymous.get("/login?token=" + dashboard.token).header("Location"), "/login#wait");
    EXPECT_TRUE(zdtest::contains(dashboard.zdmond->log(), "dashboard: a wrong access token from 127.0.0.1"));
    EXPECT_FALSE(zdtest::contains(dashboard.zdmond->log(), dashboard.token)) << "the token never goes into the log";
}

TEST(DashboardSecurity, OnlyLoopbackWithoutTlsAndTheLoginUrl)
{
    DaemonEnclosure enclosure;
    // By default the listener is bound to 127.0.0.1 alone.
    {
        Zdmond zdmond(enclosure, enclosure.daemonArgs());
        const int port = zdmond.port();
        ASSERT_GT(port, 0);
        char hexPort[8];
        std::snprintf(hexPort, sizeof(hexPort), "%04X", port);
        std::string listening;
        for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
            std::ifstream file(table);
            for (std::string line; std::getline(file, line);)
                if (zdtest::contains(line, std::string(":") + hexPort + " ") && zdtest::contains(line, " 0A "))
                    listening += line.substr(line.find(':') + 2, line.find(':', line.find(':') + 1) - line.find(':') - 2) + " ";
        }
        EXPECT_EQ(listening, "0100007F ") << "zdmond listens on other addresses than 127.0.0.1";

        // --print-url: the login URL with the token of the token file.
        zdtest::Outcome url = enclosure.run(kZdmond, {"--print-url", "--config", enclosure.file("zdmond.conf"), "--db",
                                                      enclosure.database(), "--listen", "127.0.0.1:" + std::to_string(port)});
        EXPECT_EQ(url.code, 0) << url.err;
        std::string token = zdtest::readFile(enclosure.file("web-token"));
        EXPECT_EQ(url.out, "http://127.0.0.1:" + std::to_string(port) + "/login?token=" + token);
        EXPECT_EQ(zdmond.stop(SIGTERM), 0);
    }

    // Any other address needs TLS: refused at start without it.
    std::vector<std::string> open = enclosure.daemonArgs();
    open[std::find(open.begin(), open.end(), "--listen") - open.begin() + 1] = "0.0.0.0:0";
    zdtest::Outcome plain = enclosure.run(kZdmond, open);
    EXPECT_EQ(plain.code, 2);
    EXPECT_TRUE(zdtest::contains(plain.err, "is not a loopback address"));

    // With a certificate and key it serves HTTPS, with a __Host- cookie marked Secure.
    const std::string cert = enclosure.file("cert.pem"), key = enclosure.file("key.pem");
    ASSERT_EQ(enclosure.run("/usr/bin/openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
                                                  cert, "-days", "2", "-subj", "/CN=localhost"}).code, 0);
    zdtest::writeFile(enclosure.file("tls.conf"), "[syslog]\nseverity = off\n[http]\ntls_cert = " + cert +
                                                      "\ntls_key = " + key + "\n");
    std::vector<std::string> secure = open;
    secure[std::find(secure.begin(), secure.end(), "--config") - secure.begin() + 1] = enclosure.file("tls.conf");
    {
        Zdmond zdmond(enclosure, secure);
        const int port = zdmond.port();
        ASSERT_GT(port, 0) << zdmond.log();
        EXPECT_TRUE(zdtest::contains(zdmond.log(), "serving the dashboard on https://0.0.0.0:"));
        std::string token = zdtest::readFile(enclosure.file("web-token"));
        token.pop_back();
        Client tls(port, token, true);
        ASSERT_TRUE(waitUntil([&] { return tls.get("/api/v1/enclosure").status == 200; }, "the dashboard over TLS"));
        Answer login = Client(port, "", true).post("/api/v1/session", {{"token", token}});
        EXPECT_TRUE(zdtest::contains(login.header("Set-Cookie"), "__Host-zdmond_session="));
        EXPECT_TRUE(zdtest::contains(login.header("Set-Cookie"), "; Secure"));
        EXPECT_EQ(login.header("Strict-Transport-Security"), "max-age=31536000");
        EXPECT_EQ(Client(port, token).get("/api/v1/enclosure").status, 0) << "plain HTTP on the TLS port";
        EXPECT_EQ(zdmond.stop(SIGTERM), 0);
    }

    // A key that is a FIFO is refused at start, never waited on.
    ASSERT_EQ(mkfifo(enclosure.file("fifo").c_str(), 0600), 0);
    zdtest::writeFile(enclosure.file("fifo.conf"), "[http]\ntls_cert = " + cert + "\ntls_key = " + enclosure.file("fifo") + "\n");
    std::vector<std::string> fifo = secure;
    fifo[std::find(fifo.begin(), fifo.end(), "--config") - fifo.begin() + 1] = enclosure.file("fifo.conf");
    zdtest::Outcome refused = enclosure.run(kZdmond, fifo);
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(zdtest::contains(refused.err, "is not a regular file"));
}

TEST(DashboardApi, AFirmwareImageIsCheckedCappedAndFlashedToTheEnd)
{
    Dashboard dashboard;
    Client api = dashboard.script();
    const std::string good = dashboard.enclosure.file("good.bin"), foreign = dashboard.enclosure.file("foreign.bin"),
                      older = dashboard.enclosure.file("older.bin");
    dashboard.enclosure.succeeds({"sim", "make-image", good});
    dashboard.enclosure.succeeds({"sim", "make-image", foreign, "--device", "1"});
    dashboard.enclosure.succeeds({"sim", "make-image", older, "--version", "1.0.0.0"});
    const std::string path = "/api/v1/adapters/0/firmware";
    auto upload = [&](const std::string& content, const std::string& type = "application/octet-stream") {
        return api.call("POST", path, content, {}, type);
    };

    EXPECT_EQ(upload(zdtest::readFile(good), "application/json").status, 415);
    // An image over 32 MiB is refused from its length, before any of it is read.
    const std::string huge = rawExchange(dashboard.port, "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                         "Authorization: Bearer " + dashboard.token + "\r\n"
                                         "Content-Type: application/octet-stream\r\nContent-Length: 33554433\r\n\r\nxx");
    EXPECT_EQ(huge.rfind("HTTP/1.1 413 ", 0), 0u) << huge;
    Answer wrongDevice = upload(zdtest::readFile(foreign));
    EXPECT_EQ(wrongDevice.status, 422);
    EXPECT_TRUE(zdtest::contains(wrongDevice.json["error"]["message"], "the image is for device 1"));

    Answer downgrade = upload(zdtest::readFile(older));
    ASSERT_EQ(downgrade.status, 200) << downgrade.body;
    EXPECT_EQ(downgrade.json["firmware"]["verdict"], "downgrade");
    EXPECT_EQ(downgrade.json["plan"]["override"], "downgrade");
    Answer noOverride = api.post(path + "/" + downgrade.json["upload"].get<std::string>() + "/flash",
                                 {{"confirm", downgrade.json["plan"]["confirmation_text"]}});
    EXPECT_EQ(noOverride.status, 409);
    EXPECT_EQ(api.del(path + "/" + downgrade.json["upload"].get<std::string>()).status, 200);

    Answer fits = upload(zdtest::readFile(good));
    ASSERT_EQ(fits.status, 200) << fits.body;
    EXPECT_EQ(fits.json["firmware"]["verdict"], "fits");
    const std::string flash = path + "/" + fits.json["upload"].get<std::string>() + "/flash";
    EXPECT_EQ(api.post(flash, {{"confirm", "not the version"}}).status, 409);
    Answer started = api.post(flash, {{"confirm", fits.json["plan"]["confirmation_text"]}});
    ASSERT_EQ(started.status, 200) << started.body;
    EXPECT_EQ(started.json["state"], "running");
    Json state;
    ASSERT_TRUE(waitUntil([&] {
        state = api.get(path).json;
        return state["state"] != "running";
    }, "the end of the upload"));
    EXPECT_EQ(state["state"], "finished") << state.dump();
    EXPECT_EQ(state["outcome"]["done"][0], "adapter 0 now runs firmware " + fits.json["firmware"]["version"].get<std::string>());
    EXPECT_TRUE(zdtest::contains(dashboard.enclosure.out({"adapter", "show"}), fits.json["firmware"]["version"]));
    EXPECT_EQ(api.post(flash, {{"confirm", "x"}}).status, 404) << "a flashed image is gone";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dashboard.enclosure.file("uploads")), {}), 0);
}
