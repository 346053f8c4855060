#include "front/Bridge.h"

#include "front/Error.h"

namespace zdfront {

namespace {

// The dispatcher's answer to a request whose command is not registered.
constexpr uint8_t kInvalidRequest = 6;

}  // namespace

Bridge::Bridge(const std::string& libraryPath) : m_client(libraryPath), m_ranges(m_client) {}

std::string Bridge::version()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_client.version();
}

Session Bridge::session() { return Session(*this); }

Session Bridge::session(unsigned adapter)
{
    Session session(*this);
    session.selectAdapter(adapter);
    return session;
}

void Bridge::observe(ExchangeObserver observer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observer = std::move(observer);
}

Session::Session(Bridge& bridge) : m_bridge(&bridge), m_lock(bridge.m_mutex) {}

void Session::selectAdapter(unsigned adapter)
{
    m_bridge->m_selected = adapter;
    m_bridge->m_client.selectAdapter(adapter);
}

void Session::requireAdapter()
{
    std::optional<std::string> text = client().array("Adapter");
    if (!text) return;  // without the adapter list the requests themselves tell
    for (const Record& adapter : Answer::parseList(*text))
        if (adapter.number("ID", UINT64_MAX) == this->adapter()) return;
    throw Error(ErrorKind::NotFound, "adapter " + std::to_string(this->adapter()) + " not found");
}

void Session::record(const char* call, const std::string& subject, const std::string& request,
                     const std::string& answer, int code)
{
    if (!m_bridge->m_observer) return;
    Exchange exchange{call, subject, request, answer, code, code >= 0 ? errorText(static_cast<uint64_t>(code)) : ""};
    m_bridge->m_observer(exchange);
}

void Session::notSupported(const std::string& what) const
{
    throw Error(ErrorKind::Failure, what + ": not supported by this bridge build");
}

Record Session::single(const std::string& className, const std::string& key, const std::string& what)
{
    std::optional<Record> record = trySingle(className, key);
    if (record) return *record;
    // A registered provider answers its list; an unregistered one stores nothing.
    if (!client().array(className)) notSupported("information \"" + className + "\"");
    throw Error(ErrorKind::NotFound, what + " not found");
}

std::optional<Record> Session::trySingle(const std::string& className, const std::string& key)
{
    std::string text;
    bool answered = client().single(className, key, text);
    if (!answered) return std::nullopt;
    record("getSingleInfo", className + " " + key, "", text);
    std::optional<Record> parsed = Answer::parseOne(text);
    return parsed ? parsed : Record(className);
}

std::vector<Record> Session::list(const std::string& className)
{
    std::optional<std::string> text = client().array(className);
    if (!text) notSupported("information \"" + className + "\"");
    record("getArrayInfo", className, "", *text);
    return Answer::parseList(*text);
}

Record Session::condition(const Request& request)
{
    std::optional<std::string> text = client().condition(request.text());
    if (!text) notSupported("condition \"" + request.function() + "\"");
    record("getCondition", request.function(), request.text(), *text);
    std::optional<Record> parsed = Answer::parseOne(*text);
    return parsed ? *parsed : Record(request.function());
}

uint8_t Session::commandCode(const Request& request)
{
    uint8_t code = client().command(request.text());
    record("sendCommand", request.function(), request.text(), "", code);
    return code;
}

std::string Session::refusal(const std::string& what, uint64_t code)
{
    return what + " refused by the controller: code " + std::to_string(code) + " (" + errorText(code) + ")";
}

void Session::command(const Request& request, const std::string& what)
{
    uint8_t code = commandCode(request);
    if (code == 0) return;
    if (code == kInvalidRequest) notSupported("command \"" + request.function() + "\"");
    throw Error(ErrorKind::Refused, refusal(what, code), code);
}

std::vector<Record> Session::events()
{
    std::optional<std::string> text = client().events();
    if (!text) notSupported("event retrieval");
    record("getEvent", "Events", "", *text);
    return Answer::parseList(*text);
}

}  // namespace zdfront
