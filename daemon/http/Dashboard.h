// Dashboard: the web dashboard and its JSON API on zdmond's listener.
//
// Owns what the pages need beside the monitor: the access token, the login
// sessions, the dashboard's files, the live event stream, the upload spool
// and a running firmware flash. install() puts every route on a server:
//
//   - the gate in front of them all (checkRequest): Host of a loopback
//     listener, the token (Authorization: Bearer) or the session cookie with
//     its CSRF token for changes, the body size (64 KiB, uploads 32 MiB);
//   - the pages and their files, /login and /metrics;
//   - the API under /api/v1/ (routes listed by routes(), documented in
//     web/openapi.yaml): reads (DashboardReads.cpp) and changes
//     (DashboardActions.cpp), every change through the front-end core's
//     actions, with their guards and read-backs, as zdctl makes it.
//
// Every response carries a strict Content-Security-Policy and no CORS
// headers. The daemon feeds the live stream after each cycle.
//
//   Dashboard dashboard(monitor);
//   dashboard.configure(config);                                     // throws ConfigError
//   HttpServer http([&](httplib::Server& s) { dashboard.install(s); });
//   monitor.cycle(...); dashboard.publishHistory();
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <variant>
#include <vector>

#include "daemon/Config.h"
#include "daemon/Monitor.h"
#include "daemon/http/AccessToken.h"
#include "daemon/http/ApiRouter.h"
#include "daemon/http/EventStream.h"
#include "daemon/http/FirmwareFlash.h"
#include "daemon/http/LoginSessions.h"
#include "daemon/http/UploadSpool.h"
#include "daemon/http/WebAssets.h"
#include "front/EventHistory.h"
#include "front/Model.h"
#include "front/Plan.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace zdmond {

class Dashboard {
public:
    static constexpr const char* kCsrfHeader = "X-CSRF-Token";

    explicit Dashboard(Monitor& monitor);
    ~Dashboard();

    // Reads the token (creating its file at the first start), the dashboard's
    // files and the upload spool for this configuration; on SIGHUP again.
    void configure(const Config& config);
    void install(httplib::Server& server);
    // The API's routes (method and OpenAPI path), as install() adds them.
    std::vector<ApiRouter::Route> routes();

    // The enclosure as a cycle read it, to every open page.
    void publishSnapshot(const zdfront::Snapshot& snapshot);
    // The events stored in the history since the last call, to every open page.
    void publishHistory();
    // Ends the live streams before the listener stops; reopen after it starts again.
    void closeStreams() { m_stream.close(); }
    void reopenStreams() { m_stream.reopen(); }

    AccessToken token() const;

private:
    struct Settings {
        AccessToken token;
        WebAssets assets;
        bool tls = false;
        bool loopback = true;
        unsigned interval = 60;
        std::string history;
    };
    struct Caller {
        bool cookie = false;  // signed in by the session cookie (not the Bearer token)
        LoginSessions::Entry session;
    };

    std::shared_ptr<const Settings> settings() const;
    std::string cookieName() const;

    // The gate (Dashboard.cpp).
    bool checkRequest(const httplib::Request& request, httplib::Response& response);
    std::optional<Caller> caller(const httplib::Request& request);
    // Checks a token typed or sent by a client, with the back-off of failed tries.
    void checkToken(const std::string& address, const std::string& candidate);
    void startSession(httplib::Response& response, const LoginSessions::Entry& entry);
    // Every route but the pages, on the router.
    void addRoutes(ApiRouter& router);
    void addLoginRoutes(ApiRouter& router);
    void addPages(httplib::Server& server);

    // Reads (DashboardReads.cpp).
    void addReadRoutes(ApiRouter& router);
    void addEventStream(ApiRouter& router);
    Json enclosureDocument(const zdfront::Snapshot& snapshot);
    std::vector<zdfront::HistoryEvent> queryHistory(const zdfront::HistoryQuery& query);

    // Changes (DashboardActions.cpp).
    void addArrayActions(ApiRouter& router);
    void addDiskAndAdapterActions(ApiRouter& router);
    void addScheduleActions(ApiRouter& router);
    void addFirmwareRoutes(ApiRouter& router);
    // A change answers its outcome, or a document as it is (a dry run's plan).
    using Change = std::variant<zdfront::Outcome, Json>;
    // Runs the change on a session of the call's adapter, which ends before
    // changed() reads the enclosure again.
    Json change(ApiCall& call, const std::function<Change(zdfront::Session&)>& action);
    // What every change answers: the outcome (a partial one as 502), and the
    // enclosure read again for every open page.
    Json changed(ApiCall& call, const zdfront::Outcome& outcome);
    // The consent typed into the page ("confirm", "override" of the body),
    // or HttpError 409 with the plan when it does not give what the plan asks.
    zdfront::Consent consent(ApiCall& call, const zdfront::Plan& plan);
    void publishEnclosure();

    // The loaded bridge (Error Failure while there is none) and a session on an adapter that exists.
    std::shared_ptr<zdfront::Bridge> bridge() const;
    zdfront::Session session(const std::shared_ptr<zdfront::Bridge>& bridge, uint64_t adapter) const;

    Monitor& m_monitor;
    const std::regex m_uploadPath;  // made before any request thread reads it
    LoginSessions m_sessions;
    EventStream m_stream;
    FirmwareFlash m_flash;

    mutable std::mutex m_mutex;  // guards the members below
    std::shared_ptr<const Settings> m_settings;
    std::shared_ptr<UploadSpool> m_spool;
    std::shared_ptr<UploadSpool> spool() const;
    std::shared_ptr<zdfront::EventHistory> m_history;
    int64_t m_lastPublished = -1;
};

}  // namespace zdmond
