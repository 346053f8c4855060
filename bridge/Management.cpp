#include "bridge/Management.h"

#include <cstring>

#include "zdbridge.h"

#include "api/zd_api.h"
#include "base/Log.h"
#include "command/CommandInterface.h"
#include "condition/ConditionInterface.h"
#include "info/Info.h"
#include "middle/StructMiddle.h"
#include "middle/XMLMiddle.h"
#include "upload/FWOperation.h"

namespace {
const char kBridgeVersion[] = "1.0.0.38";
constexpr unsigned char kInvalidRequest = 6;
constexpr unsigned char kDeviceBusy = 181;
// Adapter ids above this one get no event answer.
constexpr uint8_t kLastEventAdapter = 8;
// Longer requests are refused as empty documents: no request the bridge
// knows comes near it, and parsing an arbitrarily long one would cost
// arbitrary time and memory.
constexpr size_t kMaxRequestBytes = ZDBRIDGE_MAX_REQUEST;

bool tooLong(const char* request) { return strnlen(request, kMaxRequestBytes + 1) > kMaxRequestBytes; }

void logRefused(Log* log, const char* title) {
    log->startLine(Log::interface_log, title);
    log->writeFormatInfo("request of more than %zu bytes refused", kMaxRequestBytes);
    log->endLine();
}

// Hands the request's key field to the handler when the handler has a key
// field and the request carries it; a missing key keeps the previous
// request's. Appends to the dispatcher's open log line.
template <typename Handler>
void applyKey(Handler& handler, const StructMiddle& para, Log* log) {
    const std::string& keyName = handler.getKey();
    if (keyName.empty()) return;
    if (log->anyEnabled()) log->writeFormatInfo(" key %s", keyName.c_str());
    if (const std::string* value = para.findSingle(keyName)) {
        if (log->anyEnabled()) log->writeFormatInfo(" is %s", value->c_str());
        handler.setKey(*value);
    }
}

// Ends the log line it started when the scope ends, however it ends.
class LogLine {
public:
    LogLine(Log* log, Log::log_type kind, const char* title) : m_log(log) { m_log->startLine(kind, title); }
    ~LogLine() { m_log->endLine(); }
    LogLine(const LogLine&) = delete;
    LogLine& operator=(const LogLine&) = delete;

private:
    Log* m_log;
};

// Reads a command or condition request into request and answers the handler
// its root element names (nullptr when there is none), with the key handed
// over. Logs one line titled title: the request and the key.
template <typename Handler>
Handler* findHandler(const std::map<std::string, Handler*>& handlers, const char* requestText, XMLMiddle& request,
                     const char* title, Log* log) {
    LogLine line(log, Log::interface_log, title);
    if (log->anyEnabled()) log->writeFormatInfo("in %s", requestText);
    request.fromStructString(requestText);
    if (request.getStructs().empty()) return nullptr;
    auto found = handlers.find(request.getFunction());
    if (found == handlers.end()) return nullptr;
    applyKey(*found->second, *request.getStructs().front(), log);
    return found->second;
}
}  // namespace

Management::Management()
    : m_adapterId(0), m_log(Log::getLog()), m_fwOperation(nullptr) {
    ZD_API_Initialize();
    registerInfos();
    registerCommands();
    registerConditions();
    m_fwOperation = FWOperation::getInstance();
    m_log->startLine(Log::version, "Management::Management");
    m_log->writeFormatInfo("bridge %s, api %s", kBridgeVersion, ZD_API_Version());
    m_log->endLine();
}

Management::~Management() {
    for (auto& entry : m_infos) delete entry.second;
    m_infos.clear();
    for (auto& entry : m_commands) delete entry.second;
    m_commands.clear();
    FWOperation::clear();
    m_fwOperation = nullptr;
    for (auto& entry : m_conditions) delete entry.second;
    m_conditions.clear();
    ZD_API_Finalize();
    Log::clear();
}

const char* Management::getVersion() const { return kBridgeVersion; }

void Management::select(const char* adapterIdText) {
    m_adapterParser.parse(std::string(adapterIdText));
    m_adapterParser.setValue(m_adapterId);
    m_log->startLine(Log::interface_log, "Management::select");
    m_log->writeFormatInfo("adapter id %d", m_adapterId);
    m_log->endLine();
}

bool Management::getSingle(const char* className, const char* key, char** out) {
    auto found = m_infos.find(className);
    if (found == m_infos.end()) return false;
    Info* info = found->second;
    std::string& result = m_results.forThisThread();
    result.clear();
    if (!info->noCheck() && m_fwOperation->getPercentage() != 0) return false;
    const bool answered = info->getSingle(m_adapterId, key, result);
    *out = result.data();
    return answered;
}

void Management::getArray(const char* className, char** out) {
    if (const uint16_t percentage = m_fwOperation->getPercentage()) {
        m_log->startLine(Log::api_data, "Management::getArray");
        m_log->writeFormatInfo("adapter flash %d%%", percentage);
        m_log->endLine();
        return;
    }
    auto found = m_infos.find(className);
    m_log->startLine(Log::interface_log, "Management::getArray");
    m_log->writeFormatInfo("class_name %s", className);
    m_log->endLine();
    if (found == m_infos.end()) return;
    std::string& result = m_results.forThisThread();
    result.clear();
    found->second->getArray(m_adapterId, result);
    *out = result.data();
}

const char* Management::range(const char* rangeName) { return m_ranges.getData(rangeName); }

unsigned char Management::command(const char* requestText) {
    if (const uint16_t percentage = m_fwOperation->getPercentage()) {
        m_log->startLine(Log::api_data, "Management::command");
        m_log->writeFormatInfo("adapter flash %d%%", percentage);
        m_log->endLine();
        return kDeviceBusy;
    }
    if (tooLong(requestText)) {
        logRefused(m_log, "Management::command");
        return kInvalidRequest;
    }
    XMLMiddle request;
    CommandInterface* handler = findHandler(m_commands, requestText, request, "Management::command", m_log);
    if (handler == nullptr) return kInvalidRequest;
    StructMiddle* para = request.getStructs().front();
    handler->prepare(m_adapterId);
    handler->replacePara(para);
    handler->run();
    const unsigned char code = handler->getRet();
    m_log->startLine(Log::interface_log, "Management::command");
    if (m_log->anyEnabled()) m_log->writeFormatInfo(" ret %d", code);
    m_log->endLine();
    return code;
}

void Management::condition(const char* requestText, char** out) {
    if (const uint16_t percentage = m_fwOperation->getPercentage()) {
        m_log->startLine(Log::api_data, "Management::condition");
        m_log->writeFormatInfo("adapter flash %d%%", percentage);
        m_log->endLine();
        return;
    }
    if (tooLong(requestText)) {
        logRefused(m_log, "Management::condition");
        return;
    }
    XMLMiddle request;
    ConditionInterface* handler = findHandler(m_conditions, requestText, request, "Management::condition", m_log);
    if (handler == nullptr) return;
    StructMiddle* para = request.getStructs().front();
    handler->prepare(m_adapterId);
    handler->replacePara(para);
    handler->run();
    std::string& result = m_results.forThisThread();
    result.clear();
    handler->setRet(result);
    m_log->startLine(Log::interface_log, "Management::condition");
    m_log->writeFormatInfo(" ret %s", result.c_str());
    m_log->endLine();
    *out = result.data();
}

void Management::getEvent(char** out) {
    if (m_adapterId > kLastEventAdapter || m_fwOperation->getPercentage() != 0) return;
    EventRetrieval retrieval(m_events, m_log);
    std::string& result = m_results.forThisThread();
    retrieval.drain(m_adapterId, result);
    *out = result.data();
}
