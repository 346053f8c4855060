// Bridge and Session: the loaded bridge shared by every thread of a front end.
//
// The bridge keeps one selected adapter and one answer buffer for the whole
// process, so a selectAdapter and the calls that follow it must not
// interleave with another thread's. Bridge owns the loaded library; every
// call goes through a Session, which holds the bridge's lock for as long as
// it lives. A Session wraps the calls the way every front end needs them:
// answers parsed into records, "not found" and "not supported by this bridge
// build" told apart, controller refusals turned into Error with the code's
// "Error" range text.
//
//   Bridge bridge(BridgeClient::locate());
//   {
//       Session session = bridge.session(1);     // adapter 1, lock held
//       Record disk = session.single("PD", "3", "disk 3");
//   }                                            // lock released
//
// Keep sessions short in threaded programs: no sleeping while holding one.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "front/Answer.h"
#include "front/BridgeClient.h"
#include "front/RangeTexts.h"
#include "front/Request.h"

namespace zdfront {

class Session;

// One bridge call as a front end may want to show it (zdctl --xml).
struct Exchange {
    std::string call;      // the exported function: "getSingleInfo", "sendCommand", ...
    std::string subject;   // class and key, or the request's root name
    std::string request;   // the request document, empty for information calls
    std::string answer;    // the answer text, empty when none was stored
    int code = -1;         // sendCommand's result, -1 for other calls
    std::string codeText;  // the result's "Error" range text
};
using ExchangeObserver = std::function<void(const Exchange&)>;

class Bridge {
public:
    explicit Bridge(const std::string& libraryPath);  // throws Error
    Bridge(const Bridge&) = delete;
    Bridge& operator=(const Bridge&) = delete;

    const std::string& path() const { return m_client.path(); }
    std::string version();

    // A session on the adapter selected last (for adapter-independent calls).
    Session session();
    // A session with `adapter` selected.
    Session session(unsigned adapter);

    // Called with every exchange of every session, under the lock.
    void observe(ExchangeObserver observer);

private:
    friend class Session;

    BridgeClient m_client;
    std::mutex m_mutex;
    RangeTexts m_ranges;
    unsigned m_selected = 0;
    ExchangeObserver m_observer;
};

class Session {
public:
    Session(Session&&) = default;
    Session& operator=(Session&&) = delete;

    void selectAdapter(unsigned adapter);
    unsigned adapter() const { return m_bridge->m_selected; }
    // Error NotFound unless the selected adapter is one the bridge lists.
    void requireAdapter();

    RangeTexts& ranges() { return m_bridge->m_ranges; }
    const BridgeClient& client() const { return m_bridge->m_client; }

    // One object; Error NotFound (naming `what`) when the provider answers false.
    Record single(const std::string& className, const std::string& key, const std::string& what);
    std::optional<Record> trySingle(const std::string& className, const std::string& key);
    std::vector<Record> list(const std::string& className);
    Record condition(const Request& request);
    // Runs a command; Error Refused with the code and its text when it is not 0.
    void command(const Request& request, const std::string& what);
    uint8_t commandCode(const Request& request);
    std::vector<Record> events();

    std::string errorText(uint64_t code) { return ranges().text("Error", code); }
    // The message of a refused command: "<what> refused by the controller: code N (text)".
    std::string refusal(const std::string& what, uint64_t code);

private:
    friend class Bridge;
    explicit Session(Bridge& bridge);

    void record(const char* call, const std::string& subject, const std::string& request, const std::string& answer,
                int code = -1);
    [[noreturn]] void notSupported(const std::string& what) const;

    Bridge* m_bridge;
    std::unique_lock<std::mutex> m_lock;
};

}  // namespace zdfront
