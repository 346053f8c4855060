// Error: every outcome of a front-end operation that is not success.
//
// The kind says what went wrong in the terms every front end needs: zdctl
// turns it into its exit code, the web API into an HTTP status. A refusal by
// the controller also carries the controller's result code, whose "Error"
// range text is already part of the message.
//
//   throw Error(ErrorKind::NotFound, "disk 9 of adapter 0 not found");
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zdfront {

enum class ErrorKind {
    Failure = 1,   // the bridge or the controller library could not be loaded, or it lacks the feature
    Usage = 2,     // the request itself is invalid, or a confirmation is missing
    NotFound = 3,  // the adapter, disk, array, schedule, table or file does not exist
    Refused = 4,   // the controller or the bridge refused the request
};

class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const std::string& message, int controllerCode = -1)
        : std::runtime_error(message), m_kind(kind), m_controllerCode(controllerCode)
    {
    }
    ErrorKind kind() const { return m_kind; }
    // The controller's result code of a refusal; -1 when there is none.
    int controllerCode() const { return m_controllerCode; }

private:
    ErrorKind m_kind;
    int m_controllerCode;
};

}  // namespace zdfront
