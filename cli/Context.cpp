#include "cli/Context.h"

#include <iostream>

#include "cli/CliError.h"
#include "front/Sizes.h"

namespace zdctl {

Context::Context(zdfront::Bridge& bridge, const GlobalOptions& options, std::ostream& out, std::ostream& err)
    : m_bridge(bridge),
      m_options(options),
      m_out(out),
      m_err(err),
      m_terminal(options.colorAllowed),
      m_session((bridge.observe([this](const zdfront::Exchange& exchange) { transcript(exchange); }),
                 bridge.session(options.adapter)))
{
}

void Context::transcript(const zdfront::Exchange& exchange)
{
    if (m_options.format != OutputFormat::Xml) return;
    if (exchange.code < 0) {
        m_out << exchange.answer << '\n';
        return;
    }
    m_out << exchange.request << '\n'
          << "<Result><Code>" << exchange.code << "</Code><Text>"
          << zdfront::Request::escape(m_session.errorText(static_cast<uint64_t>(exchange.code))) << "</Text></Result>\n";
}

std::string Context::size(uint64_t sectors) const
{
    return zdfront::sizeText(sectors, m_options.rawSizes);
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
    m_out << "\n" << zdfront::sizeNote(m_options.rawSizes) << '\n';
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
