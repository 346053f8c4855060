#include "cli/Context.h"

#include <iostream>

#include "cli/CliError.h"
#include "cli/Sizes.h"

namespace zdctl {

namespace {

// The dispatcher's answer to a request whose command is not registered.
constexpr uint8_t kInvalidRequest = 6;

}  // namespace

Context::Context(const BridgeClient& bridge, const GlobalOptions& options, std::ostream& out, std::ostream& err)
    : m_bridge(bridge), m_options(options), m_out(out), m_err(err), m_terminal(options.colorAllowed), m_ranges(bridge)
{
    selectAdapter(options.adapter);
}

void Context::selectAdapter(unsigned adapter)
{
    m_adapter = adapter;
    m_bridge.selectAdapter(adapter);
}

void Context::requireAdapter()
{
    std::optional<std::string> text = m_bridge.array("Adapter");
    if (!text) return;  // without the adapter list the requests themselves tell
    for (const Record& adapter : Answer::parseList(*text))
        if (adapter.number("ID", UINT64_MAX) == m_adapter) return;
    throw CliError(ExitNotFound, "adapter " + std::to_string(m_adapter) + " not found");
}

void Context::transcript(const std::string& text)
{
    if (m_options.format == OutputFormat::Xml) m_out << text << '\n';
}

void Context::notSupported(const std::string& what) const
{
    throw CliError(ExitFailure, what + ": not supported by this bridge build");
}

Record Context::single(const std::string& className, const std::string& key, const std::string& what)
{
    std::optional<Record> record = trySingle(className, key);
    if (record) return *record;
    // A registered provider answers its list; an unregistered one stores nothing.
    if (!m_bridge.array(className)) notSupported("information \"" + className + "\"");
    throw CliError(ExitNotFound, what + " not found");
}

std::optional<Record> Context::trySingle(const std::string& className, const std::string& key)
{
    std::string text;
    bool answered = m_bridge.single(className, key, text);
    if (!answered) return std::nullopt;
    transcript(text);
    std::optional<Record> record = Answer::parseOne(text);
    return record ? record : Record(className);
}

std::vector<Record> Context::list(const std::string& className)
{
    std::optional<std::string> text = m_bridge.array(className);
    if (!text) notSupported("information \"" + className + "\"");
    transcript(*text);
    return Answer::parseList(*text);
}

Record Context::condition(const Request& request)
{
    std::optional<std::string> text = m_bridge.condition(request.text());
    if (!text) notSupported("condition \"" + request.function() + "\"");
    transcript(*text);
    std::optional<Record> record = Answer::parseOne(*text);
    return record ? *record : Record(request.function());
}

uint8_t Context::commandCode(const Request& request)
{
    uint8_t code = m_bridge.command(request.text());
    if (m_options.format == OutputFormat::Xml)
        m_out << request.text() << '\n' << "<Result><Code>" << unsigned(code) << "</Code><Text>"
              << Request::escape(errorText(code)) << "</Text></Result>\n";
    return code;
}

void Context::command(const Request& request, const std::string& what)
{
    uint8_t code = commandCode(request);
    if (code == 0) return;
    if (code == kInvalidRequest) notSupported("command \"" + request.function() + "\"");
    throw CliError(ExitRefused, what + " refused by the controller: code " + std::to_string(code) + " (" +
                                    errorText(code) + ")");
}

std::vector<Record> Context::events()
{
    std::optional<std::string> text = m_bridge.events();
    if (!text) notSupported("event retrieval");
    transcript(*text);
    return Answer::parseList(*text);
}

std::string Context::size(uint64_t sectors) const
{
    return sizeText(sectors, m_options.rawSizes);
}

void Context::emit(const Json& document)
{
    Json full;
    full["format_version"] = kFormatVersion;
    for (auto it = document.begin(); it != document.end(); ++it) full[it.key()] = it.value();
    m_out << full.dump(2) << '\n';
}

void Context::sizeNote()
{
    m_out << "\n" << zdctl::sizeNote(m_options.rawSizes) << '\n';
}

void Context::confirm(const std::string& action)
{
    if (m_options.yes) return;
    if (!m_terminal.inputIsTerminal())
        throw CliError(ExitUsage, "refusing to " + action + " without --yes (standard input is not a terminal)");
    m_err << "About to " << action << ". Continue? [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    if (answer != "y" && answer != "Y" && answer != "yes") throw CliError(ExitUsage, "cancelled");
}

}  // namespace zdctl
