// HttpServer: one HTTP or HTTPS listener of zdmond (cpp-httplib).
//
// The routes come from an installer that is run on every start, because a
// start may switch between plain HTTP and TLS (cpp-httplib's SSLServer with
// OpenSSL), which takes a new server object. start() binds the address (port
// 0 picks a free one, see port()) and serves from a thread of its own until
// stop() or destruction. Slow clients time out; requests are served by a
// pool large enough for the dashboard's live streams beside ordinary calls.
//
//   HttpServer server([&](httplib::Server& routes) { routes.Get("/metrics", handler); });
//   server.start(config.listen, tls);    // throws ConfigError when it cannot bind or load the TLS files
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "daemon/Config.h"

namespace httplib {
class Server;
}

namespace zdmond {

struct TlsFiles {
    std::string cert, key;  // PEM; both empty for plain HTTP
    bool enabled() const { return !cert.empty(); }
};

class HttpServer {
public:
    using Installer = std::function<void(httplib::Server&)>;

    static constexpr size_t kThreads = 16;
    // Request bodies beyond this are refused (413) unless the installer allows more.
    static constexpr size_t kMaxBodyBytes = 64 * 1024;

    explicit HttpServer(Installer installer);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    void start(const ListenAddress& address, const TlsFiles& tls = {});
    void stop();
    bool running() const { return m_thread.joinable(); }
    // The bound port (the chosen one when the address asked for port 0).
    int port() const { return m_port; }

private:
    Installer m_installer;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
};

}  // namespace zdmond
