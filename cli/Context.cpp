#include "cli/Context.h"

#include <iostream>

#include "cli/CliError.h"
#include "front/Sizes.h"

namespace zdctl {

namespace {

zdfront::Session observedSession(zdfront::Bridge& bridge, const GlobalOptions& options, Output& output)
{
    if (options.format == OutputFormat::Xml)
        bridge.observe([&output](const zdfront::Exchange& exchange) { output.exchange(exchange); });
    return bridge.session(options.adapter);
}

}  // namespace

Context::Context(zdfront::Bridge& bridge, const GlobalOptions& options, Output& output, std::ostream& out,
                 std::ostream& err)
    : m_bridge(bridge),
      m_options(options),
      m_output(output),
      m_out(out),
      m_err(err),
      m_terminal(options.colorAllowed, options.format == OutputFormat::Terse),
      m_session(observedSession(bridge, options, output))
{
}

std::string Context::size(uint64_t sectors) const
{
    if (m_terminal.terse()) return std::to_string(sectors * zdfront::kSectorBytes);
    return zdfront::sizeText(sectors, m_options.rawSizes);
}

void Context::warn(const std::string& text)
{
    m_output.message(Output::Severity::Warning, text);
    m_err << "zdctl: warning: " << text << '\n';
}

void Context::report(const zdfront::Problem& problem)
{
    m_output.message(problem.verdict == zdfront::Verdict::Offline ? Output::Severity::Error : Output::Severity::Warning,
                     problem.text, zdfront::Health::verdictText(problem.verdict));
}

zdfront::Consent Context::confirm(const zdfront::Plan& plan, bool overrideGiven, const std::string& overrideFlag)
{
    zdfront::Consent consent;
    if (plan.override != zdfront::Override::None) {
        if (!overrideGiven)
            throw CliError(ExitUsage, "refusing to " + plan.action + ": " + plan.overrideReason + "; only " +
                                          overrideFlag + " goes ahead");
        consent.overridden = true;
    }
    if (!plan.needsConfirmation) return consent;
    std::string losses;
    for (const std::string& loss : plan.losses) losses += "\n  " + loss;
    for (const std::string& note : plan.notes) losses += "\n  " + note;
    if (!m_options.yes) {
        if (!m_terminal.inputIsTerminal())
            throw CliError(ExitUsage, "refusing to " + plan.action +
                                          " without --yes (standard input is not a terminal):" + losses);
        m_err << "About to " << plan.action << ":" << losses << "\nContinue? [y/N] " << std::flush;
        std::string answer;
        std::getline(std::cin, answer);
        if (answer != "y" && answer != "Y" && answer != "yes") throw CliError(ExitUsage, "cancelled");
    } else if (table()) {
        m_err << "zdctl: " << plan.action << ":" << losses << '\n';
    }
    consent.confirmed = true;
    return consent;
}

int Context::report(const zdfront::Outcome& outcome, bool printDone)
{
    Json created = Json::object();
    for (const auto& entry : outcome.created) created[entry.first] = entry.second;
    emit({{"created", created}, {"done", outcome.done}, {"partial", outcome.partial}});
    if (table() && printDone)
        for (const std::string& line : outcome.done) m_out << char(std::toupper(line[0])) << line.substr(1) << ".\n";
    for (const std::string& warning : outcome.warnings) warn(warning);
    if (outcome.partial) {
        m_output.message(Output::Severity::Error, "only part of the change was made", "partial");
        return ExitPartial;
    }
    return ExitOk;
}

}  // namespace zdctl
