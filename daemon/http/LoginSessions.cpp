#include "daemon/http/LoginSessions.h"

#include <algorithm>

#include "daemon/http/AccessToken.h"

namespace zdmond {

namespace {

constexpr size_t kSecretBytes = 32;

template <typename Map, typename Time>
void dropOldest(Map& map, Time key)
{
    auto oldest = std::min_element(map.begin(), map.end(),
                                   [&](const auto& a, const auto& b) { return key(a.second) < key(b.second); });
    if (oldest != map.end()) map.erase(oldest);
}

}  // namespace

LoginSessions::LoginSessions(std::function<Clock::time_point()> now) : m_now(std::move(now)) {}

LoginSessions::Entry LoginSessions::open()
{
    Entry entry{randomHex(kSecretBytes), randomHex(kSecretBytes)};
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_sessions.size() >= kMaxSessions) dropOldest(m_sessions, [](const Session& s) { return s.lastUse; });
    m_sessions[entry.id] = {entry.csrf, m_now()};
    return entry;
}

std::optional<LoginSessions::Entry> LoginSessions::find(const std::string& id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // The map's lookup compares ids byte by byte; the id is checked again in constant time.
    auto found = m_sessions.find(id);
    if (found == m_sessions.end() || !sameSecret(found->first, id)) return std::nullopt;
    const Clock::time_point now = m_now();
    if (now - found->second.lastUse > kIdle) {
        m_sessions.erase(found);
        return std::nullopt;
    }
    found->second.lastUse = now;
    return Entry{found->first, found->second.csrf};
}

void LoginSessions::close(const std::string& id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sessions.erase(id);
}

void LoginSessions::closeAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sessions.clear();
}

std::chrono::seconds LoginSessions::waitBeforeLogin(const std::string& address)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_clients.find(address);
    if (found == m_clients.end()) return std::chrono::seconds(0);
    const Clock::time_point now = m_now();
    if (now - found->second.lastFailure > kForget) {
        m_clients.erase(found);
        return std::chrono::seconds(0);
    }
    if (now >= found->second.nextTry) return std::chrono::seconds(0);
    return std::chrono::ceil<std::chrono::seconds>(found->second.nextTry - now);
}

void LoginSessions::loginFailed(const std::string& address)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_clients.count(address) && m_clients.size() >= kMaxClients)
        dropOldest(m_clients, [](const Client& c) { return c.lastFailure; });
    Client& client = m_clients[address];
    const Clock::time_point now = m_now();
    if (client.failures > 0 && now - client.lastFailure > kForget) client = Client{};
    ++client.failures;
    client.lastFailure = now;
    if (client.failures > kFreeFailures) {
        const unsigned doublings = std::min(client.failures - kFreeFailures - 1, 6u);
        client.nextTry = now + std::min<std::chrono::seconds>(std::chrono::seconds(1u << doublings), kMaxWait);
    }
}

void LoginSessions::loginSucceeded(const std::string& address)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_clients.erase(address);
}

}  // namespace zdmond
