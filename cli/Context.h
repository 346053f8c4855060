// Context: everything a zdctl command works with.
//
// Holds the loaded bridge, the range texts, the global options and the output
// streams, and wraps the bridge calls the way every command needs them:
// answers parsed into records, "not found" and "not supported by this bridge
// build" told apart, controller refusals turned into CliError with the code's
// "Error" text, and (with --xml) every raw answer printed as it arrives.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Answer.h"
#include "cli/BridgeClient.h"
#include "cli/RangeTexts.h"
#include "cli/Request.h"
#include "cli/Terminal.h"

namespace zdctl {

using Json = nlohmann::ordered_json;

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

    Context(const BridgeClient& bridge, const GlobalOptions& options, std::ostream& out, std::ostream& err);

    const BridgeClient& bridge() const { return m_bridge; }
    RangeTexts& ranges() { return m_ranges; }
    const GlobalOptions& options() const { return m_options; }
    const Terminal& terminal() const { return m_terminal; }
    std::ostream& out() { return m_out; }
    std::ostream& err() { return m_err; }
    bool table() const { return m_options.format == OutputFormat::Table; }
    bool json() const { return m_options.format == OutputFormat::Json; }

    void selectAdapter(unsigned adapter);
    unsigned adapter() const { return m_adapter; }
    // CliError "not found" unless the selected adapter is one the bridge lists.
    void requireAdapter();

    // One object; CliError "not found" (what names it) when the provider answers false.
    Record single(const std::string& className, const std::string& key, const std::string& what);
    std::optional<Record> trySingle(const std::string& className, const std::string& key);
    std::vector<Record> list(const std::string& className);
    Record condition(const Request& request);
    // Runs a command; CliError with the code and its text when it is not 0.
    void command(const Request& request, const std::string& what);
    uint8_t commandCode(const Request& request);
    std::vector<Record> events();

    std::string errorText(uint64_t code) { return m_ranges.text("Error", code); }
    std::string size(uint64_t sectors) const;
    // Prints a JSON document with "format_version" first.
    void emit(const Json& document);
    // Prints the size note under human output that showed sizes.
    void sizeNote();
    // Goes on only with --yes/--force or a "y" typed on a terminal.
    void confirm(const std::string& action);

private:
    void transcript(const std::string& text);
    [[noreturn]] void notSupported(const std::string& what) const;

    const BridgeClient& m_bridge;
    GlobalOptions m_options;
    std::ostream& m_out;
    std::ostream& m_err;
    Terminal m_terminal;
    RangeTexts m_ranges;
    unsigned m_adapter = 0;
};

}  // namespace zdctl
