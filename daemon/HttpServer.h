// HttpServer: zdmond's HTTP listener (cpp-httplib), on which /metrics and
// the web dashboard's routes are served.
//
// Routes are added to routes() before start(); start() binds the address
// (port 0 picks a free one, see port()) and serves from a thread of its own
// until stop() or destruction. Request bodies are limited in size and slow
// clients time out.
//
//   HttpServer server;
//   server.routes().Get("/metrics", handler);
//   server.start(config.listen);       // throws ConfigError when it cannot bind
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "daemon/Config.h"

namespace httplib {
class Server;
}

namespace zdmond {

class HttpServer {
public:
    static constexpr size_t kMaxBodyBytes = 64 * 1024;

    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    httplib::Server& routes() { return *m_server; }
    void start(const ListenAddress& address);
    void stop();
    bool running() const { return m_thread.joinable(); }
    // The bound port (the chosen one when the address asked for port 0).
    int port() const { return m_port; }
    const ListenAddress& address() const { return m_address; }

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    ListenAddress m_address;
    int m_port = 0;
};

}  // namespace zdmond
