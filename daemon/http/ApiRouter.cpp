#include "daemon/http/ApiRouter.h"

#include <httplib.h>

#include <map>

#include "front/Error.h"
#include "front/EventHistory.h"

namespace zdmond {

namespace {

// The pattern of each path parameter.
const std::map<std::string, std::string>& parameterPatterns()
{
    static const std::map<std::string, std::string> patterns = {
        {"adapter", "([0-9]{1,3})"}, {"array", "([0-9]{1,5})"}, {"disk", "([0-9]{1,5})"},
        {"index", "([0-9]{1,19})"}, {"upload", "([0-9a-f]{32})"}, {"table", "([A-Za-z]{1,40})"},
    };
    return patterns;
}

int statusOf(zdfront::ErrorKind kind)
{
    switch (kind) {
    case zdfront::ErrorKind::Usage: return 400;
    case zdfront::ErrorKind::NotFound: return 404;
    case zdfront::ErrorKind::Refused: return 422;
    case zdfront::ErrorKind::Failure: return 503;
    }
    return 500;
}

const char* kindOf(zdfront::ErrorKind kind)
{
    switch (kind) {
    case zdfront::ErrorKind::Usage: return "usage";
    case zdfront::ErrorKind::NotFound: return "not_found";
    case zdfront::ErrorKind::Refused: return "refused";
    case zdfront::ErrorKind::Failure: return "failure";
    }
    return "failure";
}

[[noreturn]] void badBody(const char* key, const std::string& takes)
{
    throw HttpError(400, "usage", std::string("'") + key + "' takes " + takes);
}

}  // namespace

Json errorDocument(const std::string& kind, const std::string& message, int controllerCode,
                   const std::string& controllerText)
{
    Json error;
    error["kind"] = kind;
    error["message"] = message;
    error["controller_code"] = controllerCode >= 0 ? Json(controllerCode) : Json(nullptr);
    error["controller_text"] = controllerCode >= 0 ? Json(controllerText) : Json(nullptr);
    return {{"error", error}};
}

void sendJson(httplib::Response& response, int status, const Json& document)
{
    response.status = status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(document.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n",
                         "application/json; charset=utf-8");
}

ApiCall::ApiCall(const httplib::Request& request, httplib::Response& response)
    : m_request(request), m_response(response)
{
}

uint64_t ApiCall::id(size_t index) const { return std::stoull(param(index)); }

std::string ApiCall::param(size_t index) const
{
    return index + 1 < m_request.matches.size() ? m_request.matches[index + 1].str() : std::string();
}

std::optional<std::string> ApiCall::query(const std::string& name) const
{
    if (!m_request.has_param(name)) return std::nullopt;
    return m_request.get_param_value(name);
}

const Json& ApiCall::body()
{
    if (!m_body) {
        Json parsed = m_request.body.empty() ? Json::object() : Json::parse(m_request.body, nullptr, false);
        if (parsed.is_discarded() || !parsed.is_object())
            throw HttpError(400, "usage", "the request body must be a JSON object");
        m_body = std::move(parsed);
    }
    return *m_body;
}

uint64_t number(const Json& body, const char* key)
{
    std::optional<uint64_t> value = optionalNumber(body, key);
    if (!value) badBody(key, "a whole number, and is required");
    return *value;
}

std::optional<uint64_t> optionalNumber(const Json& body, const char* key)
{
    if (!body.contains(key) || body[key].is_null()) return std::nullopt;
    if (!body[key].is_number_unsigned()) badBody(key, "a whole number of 0 or more");
    return body[key].get<uint64_t>();
}

std::string text(const Json& body, const char* key)
{
    std::optional<std::string> value = optionalText(body, key);
    if (!value) badBody(key, "a text, and is required");
    return *value;
}

std::optional<std::string> optionalText(const Json& body, const char* key)
{
    if (!body.contains(key) || body[key].is_null()) return std::nullopt;
    if (!body[key].is_string()) badBody(key, "a text");
    return body[key].get<std::string>();
}

bool flag(const Json& body, const char* key)
{
    if (!body.contains(key) || body[key].is_null()) return false;
    if (!body[key].is_boolean()) badBody(key, "true or false");
    return body[key].get<bool>();
}

std::vector<uint64_t> idList(const Json& body, const char* key, size_t most)
{
    if (!body.contains(key) || !body[key].is_array()) badBody(key, "a list of ids, and is required");
    const Json& list = body[key];
    if (list.size() > most) badBody(key, "at most " + std::to_string(most) + " ids");
    std::vector<uint64_t> ids;
    for (const Json& item : list) {
        if (!item.is_number_unsigned()) badBody(key, "a list of ids (whole numbers)");
        uint64_t id = item.get<uint64_t>();
        for (uint64_t seen : ids)
            if (seen == id) badBody(key, "each id once (" + std::to_string(id) + " is listed twice)");
        ids.push_back(id);
    }
    return ids;
}

uint64_t tableValue(zdfront::Session& session, const char* table, const Json& value, const char* key)
{
    if (value.is_number_unsigned()) return value.get<uint64_t>();
    if (value.is_string()) {
        if (std::optional<uint64_t> number = session.ranges().lookup(table, value.get<std::string>())) return *number;
        badBody(key, "one of: " + session.ranges().choices(table));
    }
    badBody(key, "a number or a word of the bridge's \"" + std::string(table) + "\" table");
}

ApiRouter::ApiRouter(httplib::Server& server, std::function<std::string(int)> errorText)
    : m_server(server), m_errorText(std::move(errorText))
{
}

std::string ApiRouter::pattern(const std::string& path)
{
    std::string regex;
    for (size_t at = 0; at < path.size();) {
        if (path[at] != '{') {
            if (path[at] == '.' || path[at] == '-') regex += '\\';
            regex += path[at++];
            continue;
        }
        const size_t close = path.find('}', at);
        const std::string name = path.substr(at + 1, close - at - 1);
        regex += parameterPatterns().at(name);
        at = close + 1;
    }
    return regex;
}

void ApiRouter::answerError(httplib::Response& response, std::exception_ptr error,
                            const std::function<std::string(int)>& errorText)
{
    try {
        std::rethrow_exception(error);
    } catch (const HttpError& failure) {
        Json document = errorDocument(failure.kind(), failure.what());
        for (const auto& [key, value] : failure.extra().items()) document[key] = value;
        sendJson(response, failure.status(), document);
    } catch (const zdfront::Error& failure) {
        const int code = failure.controllerCode();
        sendJson(response, statusOf(failure.kind()),
                 errorDocument(kindOf(failure.kind()), failure.what(), code, code >= 0 ? errorText(code) : ""));
    } catch (const zdfront::HistoryError& failure) {
        sendJson(response, 503, errorDocument("failure", std::string("event history: ") + failure.what()));
    } catch (const std::exception& failure) {
        sendJson(response, 500, errorDocument("failure", failure.what()));
    }
}

void ApiRouter::add(const std::string& method, const std::string& path, JsonHandler handler)
{
    raw(method, path, [method, handler = std::move(handler)](const httplib::Request& request, httplib::Response& response) {
        ApiCall call(request, response);
        if (method != "GET") call.body();  // a change with a body that is not JSON is refused, read or not
        Json document = handler(call);
        sendJson(response, response.status > 0 ? response.status : 200, document);
    });
}

void ApiRouter::get(const std::string& path, JsonHandler handler) { add("GET", path, std::move(handler)); }
void ApiRouter::post(const std::string& path, JsonHandler handler) { add("POST", path, std::move(handler)); }
void ApiRouter::del(const std::string& path, JsonHandler handler) { add("DELETE", path, std::move(handler)); }

void ApiRouter::raw(const std::string& method, const std::string& path, RawHandler handler)
{
    m_routes.push_back({method, path});
    // The routes outlive the router: they keep copies of what they use.
    auto guarded = [errorText = m_errorText, handler = std::move(handler)](const httplib::Request& request,
                                                                          httplib::Response& response) {
        try {
            handler(request, response);
        } catch (...) {
            answerError(response, std::current_exception(), errorText);
        }
    };
    const std::string regex = pattern(path);
    if (method == "GET")
        m_server.Get(regex, guarded);
    else if (method == "POST")
        m_server.Post(regex, guarded);
    else if (method == "DELETE")
        m_server.Delete(regex, guarded);
    else
        throw std::logic_error("no such method: " + method);
}

void ApiRouter::upload(const std::string& path, StreamHandler handler)
{
    m_routes.push_back({"POST", path});
    m_server.Post(pattern(path), [errorText = m_errorText, handler = std::move(handler)](
                                     const httplib::Request& request, httplib::Response& response,
                                     const httplib::ContentReader& reader) {
        try {
            ApiCall call(request, response);
            Json document = handler(call, [&](const std::function<bool(const char*, size_t)>& sink) {
                return reader([&](const char* data, size_t length) { return sink(data, length); });
            });
            sendJson(response, response.status > 0 ? response.status : 200, document);
        } catch (...) {
            answerError(response, std::current_exception(), errorText);
            // The rest of a refused body is never read: the connection cannot carry another request.
            response.set_header("Connection", "close");
        }
    });
}

}  // namespace zdmond
