#include "daemon/http/Dashboard.h"

#include <httplib.h>

#include <regex>

#include "daemon/DaemonLog.h"
#include "daemon/Version.h"
#include "daemon/http/HttpServer.h"
#include "front/Enclosure.h"
#include "front/Error.h"

namespace zdmond {

namespace {

const char* const kContentSecurityPolicy =
    "default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self' data:; connect-src 'self'; "
    "object-src 'none'; base-uri 'none'; form-action 'self'; frame-ancestors 'none'";

const char* const kUploadPath = "/api/v1/adapters/{adapter}/firmware";

// What a client may reach before it logs in.
bool isPublic(const std::string& method, const std::string& path)
{
    if (method == "GET")
        return path == "/login" || path == "/login.html" || path == "/app.css" || path == "/favicon.svg" ||
               path == "/js/login.js" || path == "/metrics";
    return method == "POST" && path == "/api/v1/session";
}

// The host name of a Host header ("127.0.0.1:9788", "[::1]:9788", "localhost").
std::string hostName(const std::string& header)
{
    if (!header.empty() && header[0] == '[') return header.substr(1, header.find(']') - 1);
    return header.substr(0, header.find(':'));
}

std::string cookieValue(const httplib::Request& request, const std::string& name)
{
    const std::string header = request.get_header_value("Cookie");
    for (size_t at = 0; at < header.size();) {
        size_t end = header.find(';', at);
        if (end == std::string::npos) end = header.size();
        std::string pair = header.substr(at, end - at);
        pair.erase(0, pair.find_first_not_of(' '));
        if (pair.compare(0, name.size() + 1, name + "=") == 0) return pair.substr(name.size() + 1);
        at = end + 1;
    }
    return {};
}

}  // namespace

Dashboard::Dashboard(Monitor& monitor)
    : m_monitor(monitor),
      m_uploadPath(ApiRouter::pattern(kUploadPath)),
      m_flash([this](const Json& state) { m_stream.publishState("firmware", state.dump()); })
{
}

Dashboard::~Dashboard()
{
    m_stream.close();
}

void Dashboard::configure(const Config& config)
{
    auto fresh = std::make_shared<Settings>();
    fresh->token = AccessToken::loadOrCreate(config.tokenPath());
    fresh->assets = WebAssets::load(WebAssets::defaultDirectory());
    fresh->tls = config.tls();
    fresh->loopback = config.listen.loopback();
    fresh->interval = config.interval;
    fresh->history = config.database;
    if (fresh->token.created()) DaemonLog::info("made a new dashboard access token in " + fresh->token.path());
    const size_t slash = config.database.rfind('/');
    const std::string spoolDirectory =
        (slash == std::string::npos ? std::string(".") : config.database.substr(0, slash)) + "/uploads";

    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_settings && !m_settings->token.matches(fresh->token.text())) {
        m_sessions.closeAll();
        DaemonLog::info("the dashboard's access token changed: every session ended");
    }
    if (!m_spool || m_spool->directory() != spoolDirectory) m_spool = std::make_shared<UploadSpool>(spoolDirectory);
    if (!m_settings || m_settings->history != fresh->history) {
        m_history.reset();
        m_lastPublished = -1;
    }
    m_settings = std::move(fresh);
}

std::shared_ptr<const Dashboard::Settings> Dashboard::settings() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_settings) throw zdfront::Error(zdfront::ErrorKind::Failure, "the dashboard is not configured");
    return m_settings;
}

AccessToken Dashboard::token() const
{
    return settings()->token;
}

std::string Dashboard::cookieName() const
{
    // The __Host- prefix makes browsers keep the cookie to this host, over TLS only.
    return settings()->tls ? "__Host-zdmond_session" : "zdmond_session";
}

void Dashboard::install(httplib::Server& server)
{
    const bool tls = settings()->tls;
    httplib::Headers headers = {{"Content-Security-Policy", kContentSecurityPolicy},
                                {"X-Content-Type-Options", "nosniff"},
                                {"X-Frame-Options", "DENY"},
                                {"Referrer-Policy", "no-referrer"},
                                {"Cross-Origin-Opener-Policy", "same-origin"},
                                {"Cross-Origin-Resource-Policy", "same-origin"}};
    if (tls) headers.emplace("Strict-Transport-Security", "max-age=31536000");
    server.set_default_headers(headers);
    server.set_payload_max_length(UploadSpool::kMaxBytes + 64 * 1024);
    server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        return checkRequest(request, response) ? httplib::Server::HandlerResponse::Unhandled
                                               : httplib::Server::HandlerResponse::Handled;
    });
    ApiRouter router(server, [this](int code) {
        try {
            zdfront::Session session = bridge()->session();
            return session.errorText(static_cast<uint64_t>(code));
        } catch (const std::exception&) {
            return std::to_string(code);
        }
    });
    addRoutes(router);
    addPages(server);
}

std::vector<ApiRouter::Route> Dashboard::routes()
{
    httplib::Server scratch;
    ApiRouter router(scratch, [](int) { return std::string(); });
    addRoutes(router);
    return router.routes();
}

void Dashboard::addRoutes(ApiRouter& router)
{
    addLoginRoutes(router);
    router.raw("GET", "/metrics", [this](const httplib::Request&, httplib::Response& response) {
        response.set_content(m_monitor.metricsPage(), "text/plain; version=0.0.4; charset=utf-8");
    });
    addReadRoutes(router);
    addEventStream(router);
    addArrayActions(router);
    addDiskAndAdapterActions(router);
    addScheduleActions(router);
    addFirmwareRoutes(router);
}

bool Dashboard::checkRequest(const httplib::Request& request, httplib::Response& response)
{
    try {
        const std::shared_ptr<const Settings> current = settings();
        // A name that resolves to this machine only by a rebinding trick is not one of its own names.
        if (current->loopback) {
            if (!ListenAddress{hostName(request.get_header_value("Host"))}.loopback())
                throw HttpError(421, "forbidden", "this listener answers only to a loopback address or localhost");
        }
        const bool upload = request.method == "POST" && std::regex_match(request.path, m_uploadPath);
        const uint64_t length = request.get_header_value<uint64_t>("Content-Length");
        if (upload && length > UploadSpool::kMaxBytes)
            throw HttpError(413, "too_large", "the image is larger than " +
                                                  std::to_string(UploadSpool::kMaxBytes / (1024 * 1024)) + " MiB");
        if (!upload) {
            if (request.get_header_value("Transfer-Encoding").find("chunked") != std::string::npos)
                throw HttpError(411, "usage", "send the body with a Content-Length");
            if (length > HttpServer::kMaxBodyBytes)
                throw HttpError(413, "too_large", "the request body is larger than 64 KiB");
        }
        if (isPublic(request.method, request.path)) return true;

        std::optional<Caller> who = caller(request);
        if (!who) {
            if (request.method == "GET" && request.path.rfind("/api/", 0) != 0) {
                response.status = 303;
                response.set_header("Location", "/login");
                return false;
            }
            throw HttpError(401, "unauthorized", "log in first: send the token (Authorization: Bearer) or the session cookie");
        }
        const bool reads = request.method == "GET" || request.method == "HEAD";
        if (who->cookie && !reads && !sameSecret(request.get_header_value(kCsrfHeader), who->session.csrf))
            throw HttpError(403, "forbidden", std::string("a change made with the session cookie needs its ") + kCsrfHeader +
                                                  " header");
        return true;
    } catch (const HttpError& error) {
        sendJson(response, error.status(), errorDocument(error.kind(), error.what()));
        if (error.status() == 429) response.set_header("Retry-After", error.extra().value("retry_after", std::string("1")));
        if (error.status() == 413 || error.status() == 411) response.set_header("Connection", "close");
        return false;
    } catch (const zdfront::Error& error) {
        sendJson(response, 503, errorDocument("failure", error.what()));
        return false;
    }
}

std::optional<Dashboard::Caller> Dashboard::caller(const httplib::Request& request)
{
    const std::string authorization = request.get_header_value("Authorization");
    if (!authorization.empty()) {
        const std::string scheme = "Bearer ";
        if (authorization.compare(0, scheme.size(), scheme) != 0)
            throw HttpError(401, "unauthorized", "the Authorization header takes: Bearer <token>");
        checkToken(request.remote_addr, authorization.substr(scheme.size()));
        return Caller{};
    }
    const std::string id = cookieValue(request, cookieName());
    if (id.empty()) return std::nullopt;
    std::optional<LoginSessions::Entry> session = m_sessions.find(id);
    if (!session) return std::nullopt;
    return Caller{true, *session};
}

void Dashboard::checkToken(const std::string& address, const std::string& candidate)
{
    const std::chrono::seconds wait = m_sessions.waitBeforeLogin(address);
    if (wait.count() > 0)
        throw HttpError(429, "too_many", "too many wrong tokens: try again in " + std::to_string(wait.count()) + " s",
                        {{"retry_after", std::to_string(wait.count())}});
    if (!settings()->token.matches(candidate)) {
        m_sessions.loginFailed(address);
        DaemonLog::warning("dashboard: a wrong access token from " + address);
        throw HttpError(401, "unauthorized", "the token is not the one in zdmond's token file");
    }
    m_sessions.loginSucceeded(address);
}

void Dashboard::startSession(httplib::Response& response, const LoginSessions::Entry& entry)
{
    response.set_header("Set-Cookie", cookieName() + "=" + entry.id + "; Path=/; HttpOnly; SameSite=Strict" +
                                          (settings()->tls ? "; Secure" : ""));
}

void Dashboard::addLoginRoutes(ApiRouter& router)
{
    // The login URL zdmond prints: the token for a cookie, then the dashboard without the token in the address.
    router.raw("GET", "/login", [this](const httplib::Request& request, httplib::Response& response) {
        if (!request.has_param("token")) {
            const WebAssets::File* page = settings()->assets.find("/login.html");
            response.set_header("Cache-Control", "no-store");
            response.set_content(page->content, page->type.c_str());
            return;
        }
        response.status = 303;
        response.set_header("Cache-Control", "no-store");
        try {
            checkToken(request.remote_addr, request.get_param_value("token"));
        } catch (const HttpError& error) {
            response.set_header("Location", error.status() == 429 ? "/login#wait" : "/login#failed");
            return;
        }
        startSession(response, m_sessions.open());
        response.set_header("Location", "/");
    });
    router.post("/api/v1/session", [this](ApiCall& call) {
        checkToken(call.request().remote_addr, text(call.body(), "token"));
        LoginSessions::Entry entry = m_sessions.open();
        startSession(call.response(), entry);
        return Json{{"csrf_token", entry.csrf}};
    });
    router.get("/api/v1/session", [this](ApiCall& call) {
        std::optional<Caller> who = caller(call.request());
        const std::shared_ptr<const Settings> current = settings();
        Json document;
        document["zdmond_version"] = kVersion;
        document["bridge_version"] = m_monitor.bridgeVersion().empty() ? Json() : Json(m_monitor.bridgeVersion());
        document["controller"] = m_monitor.controllerDescription().empty() ? Json() : Json(m_monitor.controllerDescription());
        document["interval"] = current->interval;
        document["tls"] = current->tls;
        document["method"] = who && who->cookie ? "cookie" : "bearer";
        document["csrf_token"] = who && who->cookie ? Json(who->session.csrf) : Json();
        return document;
    });
    router.del("/api/v1/session", [this](ApiCall& call) {
        m_sessions.close(cookieValue(call.request(), cookieName()));
        call.response().set_header("Set-Cookie", cookieName() + "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0" +
                                                     (settings()->tls ? "; Secure" : ""));
        return Json{{"logged_out", true}};
    });
}

void Dashboard::addPages(httplib::Server& server)
{
    server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        const std::shared_ptr<const Settings> current = settings();
        const std::string path = request.path == "/" ? "/index.html" : request.path;
        const WebAssets::File* file = path.rfind("/api/", 0) == 0 ? nullptr : current->assets.find(path);
        if (!file) {
            sendJson(response, 404, errorDocument("not_found", "nothing at " + request.path));
            return;
        }
        response.set_header("Cache-Control", "no-cache");
        response.set_content(file->content, file->type.c_str());
    });
}

std::shared_ptr<UploadSpool> Dashboard::spool() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_spool) throw zdfront::Error(zdfront::ErrorKind::Failure, "the dashboard is not configured");
    return m_spool;
}

std::shared_ptr<zdfront::Bridge> Dashboard::bridge() const
{
    std::shared_ptr<zdfront::Bridge> loaded = m_monitor.bridge();
    if (!loaded)
        throw zdfront::Error(zdfront::ErrorKind::Failure,
                             "the bridge is not loaded (yet): zdmond's log says why; it retries every cycle");
    return loaded;
}

zdfront::Session Dashboard::session(const std::shared_ptr<zdfront::Bridge>& bridge, uint64_t adapter) const
{
    zdfront::Session session = bridge->session(static_cast<unsigned>(adapter));
    session.requireAdapter();
    return session;
}

zdfront::Consent Dashboard::consent(ApiCall& call, const zdfront::Plan& plan)
{
    const Json& body = call.body();
    zdfront::Consent given = zdfront::typedConsent(plan, optionalText(body, "confirm").value_or(""), flag(body, "override"));
    const bool confirmed = !plan.needsConfirmation || given.confirmed;
    const bool overridden = plan.override == zdfront::Override::None || given.overridden;
    if (confirmed && overridden) return given;
    std::string message = !confirmed ? "type \"" + plan.confirmationText + "\" to confirm: " + plan.action
                                     : "this needs the override: " + plan.overrideReason;
    throw HttpError(409, "confirmation_required", message, {{"plan", zdfront::toJson(plan)}});
}

Json Dashboard::changed(ApiCall& call, const zdfront::Outcome& outcome)
{
    try {
        publishEnclosure();
    } catch (const std::exception& error) {
        DaemonLog::warning(std::string("dashboard: cannot read the enclosure after a change: ") + error.what());
    }
    Json document = zdfront::toJson(outcome);
    if (outcome.partial) {
        call.response().status = 502;
        Json error = errorDocument("partial", "only part of the change was made: " + outcome.warnings.front());
        document["error"] = error["error"];
    }
    return document;
}

void Dashboard::publishEnclosure()
{
    publishSnapshot(zdfront::Enclosure::readSnapshot(*bridge()));
}

void Dashboard::publishSnapshot(const zdfront::Snapshot& snapshot)
{
    m_stream.publishState("enclosure", enclosureDocument(snapshot).dump(-1, ' ', false, Json::error_handler_t::replace));
}

}  // namespace zdmond
