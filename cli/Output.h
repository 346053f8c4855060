// Output: the one document zdctl prints for a command with --json or --xml.
//
// Commands add their result (put), warnings and the bridge exchanges as
// they go; main() adds the exit status and any error and prints the whole
// document once at the end, so a script always gets exactly one parseable
// document, failures included.
//
// JSON: {"format_version", "zdctl_version", "bridge_version", "command",
// ...the command's keys..., "exit_status", "messages": [{"severity",
// "text", "kind", "controller_code"}]} (cli/zdctl-output.schema.json).
// XML: <zdctl version=... format_version=... command=... exit_status=...>
// with one <Exchange> per bridge call and one <Message> per message.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "front/Bridge.h"
#include "front/ModelJson.h"

namespace zdctl {

class Output {
public:
    static constexpr int kFormatVersion = 1;

    enum class Severity { Warning, Error };

    void setBridgeVersion(std::string version) { m_bridgeVersion = std::move(version); }
    // The command printed JSON lines of its own: the document becomes one more line.
    void setStreaming() { m_streaming = true; }
    // Merges the command's keys into the document ("command" names it).
    void put(const zdfront::Json& keys);
    void message(Severity severity, const std::string& text, const std::string& kind = "", int controllerCode = -1);
    void exchange(const zdfront::Exchange& exchange);

    void printJson(std::ostream& out, int exitStatus) const;
    void printXml(std::ostream& out, int exitStatus) const;

private:
    struct Message {
        Severity severity;
        std::string text, kind;
        int controllerCode;
    };
    zdfront::Json m_result = zdfront::Json::object();
    std::vector<Message> m_messages;
    std::vector<std::string> m_exchanges;  // printed <Exchange> elements
    std::string m_bridgeVersion;
    bool m_streaming = false;
};

}  // namespace zdctl
