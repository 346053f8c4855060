// AccessToken: the secret that opens the dashboard and its API.
//
// zdmond keeps one token in a file of its own (default web-token beside the
// event history, in zdmond's private state directory). The first start
// creates it: 32 random bytes as 64 hex digits, mode 0600, created with
// O_EXCL and O_NOFOLLOW so that no symbolic link or earlier file is ever
// written through. An existing file is used only when it is a regular file
// of zdmond's own user that nobody else may read. Delete the file and
// reload zdmond (SIGHUP) for a new token; every session then ends.
//
//   AccessToken token = AccessToken::loadOrCreate(config.tokenPath());   // throws ConfigError
//   if (token.matches(candidate)) ...                                     // constant time
#pragma once

#include <string>

namespace zdmond {

class AccessToken {
public:
    static AccessToken loadOrCreate(const std::string& path);

    const std::string& path() const { return m_path; }
    const std::string& text() const { return m_text; }
    bool created() const { return m_created; }
    // Compares in time independent of where the texts differ.
    bool matches(const std::string& candidate) const;

private:
    std::string m_path;
    std::string m_text;
    bool m_created = false;
};

// `bytes` random bytes from the kernel as hex digits (session ids, CSRF tokens).
std::string randomHex(size_t bytes);

// Whether two secrets are equal, in time independent of where they differ.
bool sameSecret(const std::string& left, const std::string& right);

}  // namespace zdmond
