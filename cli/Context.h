// Context: everything a zdctl command works with.
//
// Holds the loaded bridge and the one session zdctl keeps on it for its
// whole run (zdctl has a single thread), the global options and the output
// streams. With --xml every exchange with the bridge is printed as it
// happens.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "front/Bridge.h"
#include "front/ModelJson.h"
#include "cli/Terminal.h"

namespace zdctl {

using zdfront::Json;
using zdfront::Record;
using zdfront::Request;

enum class OutputFormat { Table, Json, Xml };

struct GlobalOptions {
    unsigned adapter = 0;
    OutputFormat format = OutputFormat::Table;
    bool rawSizes = false;
    bool colorAllowed = true;
    bool yes = false;
};

class Context {
public:
    static constexpr int kFormatVersion = 1;

    Context(zdfront::Bridge& bridge, const GlobalOptions& options, std::ostream& out, std::ostream& err);

    zdfront::Bridge& bridge() { return m_bridge; }
    zdfront::Session& session() { return m_session; }
    zdfront::RangeTexts& ranges() { return m_session.ranges(); }
    const GlobalOptions& options() const { return m_options; }
    const Terminal& terminal() const { return m_terminal; }
    std::ostream& out() { return m_out; }
    std::ostream& err() { return m_err; }
    bool table() const { return m_options.format == OutputFormat::Table; }
    bool json() const { return m_options.format == OutputFormat::Json; }

    unsigned adapter() const { return m_session.adapter(); }

    std::string size(uint64_t sectors) const;
    // Prints a JSON document with "format_version" first.
    void emit(const Json& document);
    // Prints the size note under human output that showed sizes.
    void sizeNote();
    // Goes on only with --yes/--force or a "y" typed on a terminal.
    void confirm(const std::string& action);

private:
    void transcript(const zdfront::Exchange& exchange);

    zdfront::Bridge& m_bridge;
    GlobalOptions m_options;
    std::ostream& m_out;
    std::ostream& m_err;
    Terminal m_terminal;
    zdfront::Session m_session;
};

}  // namespace zdctl
