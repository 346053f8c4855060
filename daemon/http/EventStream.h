// EventStream: the dashboard's live updates as Server-Sent Events.
//
// zdmond publishes what changed (the enclosure after every cycle and every
// change made through the API, each new history event, firmware progress);
// every open stream gets each message once, in order. The last message of
// each "state" kind (the enclosure, the firmware) is kept and sent first to
// a stream that opens later, so a page shows the present at once. A stream
// that falls more than kBacklog messages behind skips ahead and is told
// with a "resync" event to read everything again. Streams get a comment
// line as a keep-alive every kKeepAlive, and end at close().
//
//   stream.publishState("enclosure", json.dump());
//   stream.publish("history", event.dump(), event["id"]);
//   auto client = stream.subscribe();          // null when kMaxClients are open
//   while (stream.next(*client, text)) send(text);
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace zdmond {

class EventStream {
public:
    static constexpr size_t kMaxClients = 8;
    static constexpr size_t kBacklog = 256;
    static constexpr auto kKeepAlive = std::chrono::seconds(15);

    struct Client {
        uint64_t next = 0;  // the sequence number of the next message it gets
        bool greeted = false;
    };

    // A message of the event type; id (>= 0) becomes the event's id line.
    void publish(const std::string& event, const std::string& data, int64_t id = -1);
    // The same, and kept as the latest of its kind for streams that open later.
    void publishState(const std::string& event, const std::string& data);

    std::shared_ptr<Client> subscribe();
    void unsubscribe(const std::shared_ptr<Client>& client);
    // The text to send next: messages, or a keep-alive after kKeepAlive
    // without one. False once the stream is closed.
    bool next(Client& client, std::string& text);
    // Ends every stream (the listener stops); subscriptions are refused until reopen().
    void close();
    void reopen();
    size_t clients() const;

private:
    static std::string format(const std::string& event, const std::string& data, int64_t id);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_messages;  // m_messages[i] has sequence number m_first + i
    uint64_t m_first = 0;
    std::map<std::string, std::string> m_states;
    size_t m_clients = 0;
    bool m_closed = false;
};

}  // namespace zdmond
