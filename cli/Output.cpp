#include "cli/Output.h"

#include <tinyxml.h>

namespace zdctl {

namespace {

const char* severityName(Output::Severity severity)
{
    return severity == Output::Severity::Error ? "error" : "warning";
}

// The element's XML on one line.
std::string compact(const TiXmlNode& node)
{
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    node.Accept(&printer);
    return printer.Str();
}

// The answer's root element, or its text when it is not well-formed.
void addAnswer(TiXmlElement& parent, const std::string& text)
{
    if (text.empty()) return;
    TiXmlDocument document;
    document.Parse(text.c_str());
    if (!document.Error() && document.RootElement()) {
        parent.InsertEndChild(*document.RootElement());
    } else {
        TiXmlElement raw("Text");
        raw.InsertEndChild(TiXmlText(text));
        parent.InsertEndChild(raw);
    }
}

}  // namespace

void Output::put(const zdfront::Json& keys)
{
    for (auto it = keys.begin(); it != keys.end(); ++it) m_result[it.key()] = it.value();
}

void Output::message(Severity severity, const std::string& text, const std::string& kind, int controllerCode)
{
    m_messages.push_back({severity, text, kind, controllerCode});
}

void Output::exchange(const zdfront::Exchange& exchange)
{
    TiXmlElement element("Exchange");
    element.SetAttribute("call", exchange.call);
    element.SetAttribute("subject", exchange.subject);
    if (exchange.code >= 0) {
        element.SetAttribute("code", exchange.code);
        element.SetAttribute("text", exchange.codeText);
    }
    addAnswer(element, exchange.request);
    addAnswer(element, exchange.answer);
    m_exchanges.push_back(compact(element));
}

void Output::printJson(std::ostream& out, int exitStatus) const
{
    zdfront::Json document;
    document["format_version"] = kFormatVersion;
    document["zdctl_version"] = ZDCTL_VERSION;
    document["bridge_version"] = m_bridgeVersion.empty() ? zdfront::Json(nullptr) : zdfront::Json(m_bridgeVersion);
    document["command"] = m_result.value("command", "");
    for (auto it = m_result.begin(); it != m_result.end(); ++it)
        if (it.key() != "command") document[it.key()] = it.value();
    document["exit_status"] = exitStatus;
    document["messages"] = zdfront::Json::array();
    for (const Message& message : m_messages) {
        zdfront::Json json;
        json["severity"] = severityName(message.severity);
        json["text"] = message.text;
        json["kind"] = message.kind.empty() ? zdfront::Json(nullptr) : zdfront::Json(message.kind);
        json["controller_code"] = message.controllerCode < 0 ? zdfront::Json(nullptr) : zdfront::Json(message.controllerCode);
        document["messages"].push_back(json);
    }
    out << (m_streaming ? document.dump() : document.dump(2)) << '\n';
}

void Output::printXml(std::ostream& out, int exitStatus) const
{
    TiXmlElement root("zdctl");
    root.SetAttribute("version", ZDCTL_VERSION);
    root.SetAttribute("format_version", kFormatVersion);
    if (!m_bridgeVersion.empty()) root.SetAttribute("bridge_version", m_bridgeVersion);
    root.SetAttribute("command", m_result.value("command", ""));
    root.SetAttribute("exit_status", exitStatus);
    std::string open = compact(root);
    open.erase(open.size() - 3);  // "<zdctl ... />" -> "<zdctl ..."
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" << open << ">\n";
    for (const std::string& exchange : m_exchanges) out << exchange << '\n';
    for (const Message& message : m_messages) {
        TiXmlElement element("Message");
        element.SetAttribute("severity", severityName(message.severity));
        if (message.controllerCode >= 0) element.SetAttribute("controller_code", message.controllerCode);
        element.InsertEndChild(TiXmlText(message.text));
        out << compact(element) << '\n';
    }
    out << "</zdctl>\n";
}

}  // namespace zdctl
