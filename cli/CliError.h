// Exit codes of zdctl and the exception that carries one to main().
//
// Commands throw CliError for every outcome that is not success; main()
// prints the message on stderr and exits with the code. The codes are part
// of zdctl's interface for scripts and monitoring (documented in --help).
#pragma once

#include <stdexcept>
#include <string>

namespace zdctl {

enum ExitCode : int {
    ExitOk = 0,
    ExitFailure = 1,    // the bridge could not be loaded, or it lacks the feature
    ExitUsage = 2,      // bad command line, or confirmation missing
    ExitNotFound = 3,   // the adapter, disk, array, schedule or table does not exist
    ExitRefused = 4,    // the controller or the bridge refused the request
    ExitUnhealthy = 5,  // status found a degraded or offline array or a failed disk
};

class CliError : public std::runtime_error {
public:
    CliError(ExitCode code, const std::string& message) : std::runtime_error(message), m_code(code) {}
    ExitCode code() const { return m_code; }

private:
    ExitCode m_code;
};

}  // namespace zdctl
