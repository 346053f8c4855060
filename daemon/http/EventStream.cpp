#include "daemon/http/EventStream.h"

namespace zdmond {

std::string EventStream::format(const std::string& event, const std::string& data, int64_t id)
{
    std::string text = "event: " + event + "\n";
    if (id >= 0) text += "id: " + std::to_string(id) + "\n";
    // JSON is one line; any line break of other data starts a data line of its own.
    size_t start = 0;
    for (;;) {
        size_t end = data.find('\n', start);
        text += "data: " + data.substr(start, end == std::string::npos ? std::string::npos : end - start) + "\n";
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return text + "\n";
}

void EventStream::publish(const std::string& event, const std::string& data, int64_t id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back(format(event, data, id));
    while (m_messages.size() > kBacklog) {
        m_messages.pop_front();
        ++m_first;
    }
    m_changed.notify_all();
}

void EventStream::publishState(const std::string& event, const std::string& data)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_states[event] = format(event, data, -1);
    }
    publish(event, data);
}

std::shared_ptr<EventStream::Client> EventStream::subscribe()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed || m_clients >= kMaxClients) return nullptr;
    ++m_clients;
    auto client = std::make_shared<Client>();
    client->next = m_first + m_messages.size();
    return client;
}

void EventStream::unsubscribe(const std::shared_ptr<Client>& client)
{
    if (!client) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_clients > 0) --m_clients;
}

bool EventStream::next(Client& client, std::string& text)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    text.clear();
    if (m_closed) return false;
    if (!client.greeted) {
        client.greeted = true;
        text = "retry: 3000\n\n";
        for (const auto& [event, message] : m_states) text += message;
        return true;
    }
    const auto pending = [&] { return m_closed || client.next < m_first + m_messages.size(); };
    if (!m_changed.wait_for(lock, kKeepAlive, pending)) {
        text = ": keep-alive\n\n";
        return true;
    }
    if (m_closed) return false;
    if (client.next < m_first) {
        client.next = m_first;
        text = format("resync", "{}", -1);
    }
    for (; client.next < m_first + m_messages.size(); ++client.next) text += m_messages[client.next - m_first];
    return true;
}

void EventStream::close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    m_changed.notify_all();
}

void EventStream::reopen()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = false;
}

size_t EventStream::clients() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_clients;
}

}  // namespace zdmond
