// LoginSessions: who is logged in to the dashboard, and how fast a client
// may guess tokens.
//
// A login (the token exchanged for a session) gets a random session id for
// its HttpOnly cookie and a random CSRF token that the page sends back with
// every change it asks for. Sessions live in memory only (a restart logs
// everyone out), end after kIdle without use, and the oldest is dropped when
// kMaxSessions are open.
//
// Failed token checks are counted per client address: from the third
// failure on, the client must wait before its next try (1 s, doubling up to
// kMaxWait). The wait is answered at once (429 with Retry-After), never by
// holding a server thread. A success, or kForget without failures, clears it.
//
//   LoginSessions sessions;
//   if (auto wait = sessions.waitBeforeLogin(address); wait.count()) ... 429
//   LoginSessions::Entry entry = sessions.open();
//   std::optional<LoginSessions::Entry> found = sessions.find(cookieValue);
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace zdmond {

class LoginSessions {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr size_t kMaxSessions = 64;
    static constexpr auto kIdle = std::chrono::hours(12);
    static constexpr unsigned kFreeFailures = 2;
    static constexpr auto kMaxWait = std::chrono::seconds(60);
    static constexpr auto kForget = std::chrono::minutes(15);
    static constexpr size_t kMaxClients = 1024;

    struct Entry {
        std::string id;
        std::string csrf;
    };

    explicit LoginSessions(std::function<Clock::time_point()> now = Clock::now);

    Entry open();
    // The session, its idle time renewed; nothing when unknown or expired.
    std::optional<Entry> find(const std::string& id);
    void close(const std::string& id);
    void closeAll();

    // How long the client must still wait before a token is checked; zero: now.
    std::chrono::seconds waitBeforeLogin(const std::string& address);
    void loginFailed(const std::string& address);
    void loginSucceeded(const std::string& address);

private:
    struct Session {
        std::string csrf;
        Clock::time_point lastUse;
    };
    struct Client {
        unsigned failures = 0;
        Clock::time_point lastFailure;
        Clock::time_point nextTry;
    };

    std::function<Clock::time_point()> m_now;
    std::mutex m_mutex;
    std::map<std::string, Session> m_sessions;
    std::map<std::string, Client> m_clients;
};

}  // namespace zdmond
