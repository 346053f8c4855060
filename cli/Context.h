// Context: everything a zdctl command works with.
//
// Holds the loaded bridge and the one session zdctl keeps on it for its
// whole run (zdctl has a single thread), the global options, the output
// streams and the document of --json and --xml (cli/Output.h). Commands
// print tables for people, put their result into the document, and pass
// every plan of the core (front/Plan.h) to confirm() and every outcome to
// report().
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "cli/Output.h"
#include "cli/Terminal.h"
#include "front/Bridge.h"
#include "front/ModelJson.h"
#include "front/Model.h"
#include "front/Plan.h"

namespace zdctl {

using zdfront::Json;
using zdfront::Record;
using zdfront::Request;

enum class OutputFormat { Table, Terse, Json, Xml };

struct GlobalOptions {
    unsigned adapter = 0;
    bool adapterGiven = false;
    OutputFormat format = OutputFormat::Table;
    bool rawSizes = false;
    bool colorAllowed = true;
    bool yes = false;
    std::optional<std::string> history;  // --history: zdmond's event history
};

class Context {
public:
    Context(zdfront::Bridge& bridge, const GlobalOptions& options, Output& output, std::ostream& out,
            std::ostream& err);

    zdfront::Bridge& bridge() { return m_bridge; }
    zdfront::Session& session() { return m_session; }
    zdfront::RangeTexts& ranges() { return m_session.ranges(); }
    const GlobalOptions& options() const { return m_options; }
    const Terminal& terminal() const { return m_terminal; }
    std::ostream& out() { return m_out; }
    std::ostream& err() { return m_err; }
    // Text for people (a table or terse lines) rather than a document.
    bool table() const { return m_options.format == OutputFormat::Table || m_options.format == OutputFormat::Terse; }
    bool json() const { return m_options.format == OutputFormat::Json; }
    bool xml() const { return m_options.format == OutputFormat::Xml; }

    unsigned adapter() const { return m_session.adapter(); }

    // Sectors in IEC units, raw sectors (-H) or bytes (--terse).
    std::string size(uint64_t sectors) const;
    // Adds the command's keys to the --json document.
    void emit(const Json& document) { m_output.put(document); }
    void warn(const std::string& text);
    // A health problem, as a message of the document (the table shows it itself).
    void report(const zdfront::Problem& problem);
    // The command prints JSON lines itself (events --follow).
    void streamLines() { m_output.setStreaming(); }
    // An exchange made outside the session's calls (raw requests), for --xml.
    void recordExchange(const zdfront::Exchange& exchange) { m_output.exchange(exchange); }

    // Asks for what the plan needs: its override (overrideGiven: the
    // command's override flag, named overrideFlag), then a confirmation
    // (--yes, or "y" typed on a terminal after the losses are listed).
    zdfront::Consent confirm(const zdfront::Plan& plan, bool overrideGiven = false,
                             const std::string& overrideFlag = "");
    // Prints what was done, warns of what was not, and puts both and the
    // created ids into the document; answers ExitPartial or ExitOk.
    // printDone false: the command said what was done itself.
    int report(const zdfront::Outcome& outcome, bool printDone = true);

private:
    zdfront::Bridge& m_bridge;
    GlobalOptions m_options;
    Output& m_output;
    std::ostream& m_out;
    std::ostream& m_err;
    Terminal m_terminal;
    zdfront::Session m_session;
};

}  // namespace zdctl
