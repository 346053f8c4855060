// Exit codes of zdctl and the exception that carries one to main().
//
// Commands throw CliError (or the core's zdfront::Error, whose kinds have
// the same numbers) for every outcome that is not success; main() reports
// the message and exits with the code. The codes are part of zdctl's
// interface for scripts and monitoring (documented in --help and the README).
#pragma once

#include <stdexcept>
#include <string>

namespace zdctl {

enum ExitCode : int {
    ExitOk = 0,
    ExitFailure = 1,    // the bridge could not be loaded, or it lacks the feature
    ExitUsage = 2,      // bad command line, invalid input, or confirmation missing
    ExitNotFound = 3,   // the adapter, disk, array, schedule, table or file does not exist
    ExitRefused = 4,    // the controller or the bridge refused the request
    ExitDegraded = 5,   // status: an array lost redundancy, or a disk failed
    ExitOffline = 6,    // status: an array is offline (its data is out of reach)
    ExitPartial = 7,    // only part of the change was made (the messages say which)
    ExitInterrupted = 130,  // Ctrl-C while following an activity, which goes on
};

class CliError : public std::runtime_error {
public:
    CliError(ExitCode code, const std::string& message) : std::runtime_error(message), m_code(code) {}
    ExitCode code() const { return m_code; }

private:
    ExitCode m_code;
};

}  // namespace zdctl
