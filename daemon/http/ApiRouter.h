// ApiRouter: the dashboard's JSON API on top of cpp-httplib's routes.
//
// Routes are declared with OpenAPI path templates ("/api/v1/adapters/
// {adapter}/arrays/{array}"); each parameter name has a fixed pattern (ids
// are decimal numbers), so a bad id never reaches a handler. The router
// keeps the list of routes for the test that compares it with
// web/openapi.yaml. A JSON handler answers a document (200) or throws:
// zdfront::Error maps to a status by its kind (usage 400, not found 404,
// refused by the controller 422, bridge missing or lacking the feature 503)
// and HttpError carries its own. Every error answer has the same shape:
//
//   {"error": {"kind": "refused", "message": "...", "controller_code": 4, "controller_text": "..."}}
//
//   router.get("/api/v1/adapters/{adapter}", [&](ApiCall& call) { return read(call.id(0)); });
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "front/Bridge.h"
#include "front/ModelJson.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace zdmond {

using zdfront::Json;

// An answer other than success that the web layer decides itself.
class HttpError : public std::runtime_error {
public:
    HttpError(int status, std::string kind, const std::string& message, Json extra = Json::object())
        : std::runtime_error(message), m_status(status), m_kind(std::move(kind)), m_extra(std::move(extra))
    {
    }
    int status() const { return m_status; }
    const std::string& kind() const { return m_kind; }
    // Keys added beside "error" (a plan that needs confirmation, say).
    const Json& extra() const { return m_extra; }

private:
    int m_status;
    std::string m_kind;
    Json m_extra;
};

// One request to a JSON route.
class ApiCall {
public:
    ApiCall(const httplib::Request& request, httplib::Response& response);

    const httplib::Request& request() const { return m_request; }
    httplib::Response& response() { return m_response; }
    // The path parameter as a number (the patterns admit only digits).
    uint64_t id(size_t index) const;
    std::string param(size_t index) const;
    std::optional<std::string> query(const std::string& name) const;
    // The body as a JSON object; HttpError 400 for anything else.
    const Json& body();

private:
    const httplib::Request& m_request;
    httplib::Response& m_response;
    std::optional<Json> m_body;
};

// Reading the body: each throws HttpError 400 naming the key and what it takes.
uint64_t number(const Json& body, const char* key);
std::optional<uint64_t> optionalNumber(const Json& body, const char* key);
std::string text(const Json& body, const char* key);
std::optional<std::string> optionalText(const Json& body, const char* key);
bool flag(const Json& body, const char* key);
std::vector<uint64_t> idList(const Json& body, const char* key, size_t most);
// A value of one of the bridge's tables, given as its number or a word of it ("raid5").
uint64_t tableValue(zdfront::Session& session, const char* table, const Json& value, const char* key);

class ApiRouter {
public:
    using JsonHandler = std::function<Json(ApiCall&)>;
    using RawHandler = std::function<void(const httplib::Request&, httplib::Response&)>;

    struct Route {
        std::string method;  // GET, POST, DELETE
        std::string path;    // the OpenAPI template
    };

    // errorText(code): the controller's "Error" range text, for error answers.
    // The routes keep working after the router is gone.
    ApiRouter(httplib::Server& server, std::function<std::string(int)> errorText);

    void get(const std::string& path, JsonHandler handler);
    void post(const std::string& path, JsonHandler handler);
    void del(const std::string& path, JsonHandler handler);
    // A route that writes its own answer (the event stream, pages); errors are still mapped.
    void raw(const std::string& method, const std::string& path, RawHandler handler);
    // A POST route whose body is read as a stream (uploads).
    using StreamHandler = std::function<Json(ApiCall&, const std::function<bool(const std::function<bool(const char*, size_t)>&)>&)>;
    void upload(const std::string& path, StreamHandler handler);

    const std::vector<Route>& routes() const { return m_routes; }
    // The path template as the regular expression cpp-httplib matches.
    static std::string pattern(const std::string& path);
    // Writes the error answer for the exception.
    static void answerError(httplib::Response& response, std::exception_ptr error,
                            const std::function<std::string(int)>& errorText);

private:
    void add(const std::string& method, const std::string& path, JsonHandler handler);

    httplib::Server& m_server;
    std::function<std::string(int)> m_errorText;
    std::vector<Route> m_routes;
};

// The standard error document.
Json errorDocument(const std::string& kind, const std::string& message, int controllerCode = -1,
                   const std::string& controllerText = "");
void sendJson(httplib::Response& response, int status, const Json& document);

}  // namespace zdmond
