#include "daemon/HttpServer.h"

#include <httplib.h>

#include <chrono>

namespace zdmond {

HttpServer::HttpServer() : m_server(std::make_unique<httplib::Server>())
{
    m_server->set_payload_max_length(kMaxBodyBytes);
    m_server->set_read_timeout(std::chrono::seconds(10));
    m_server->set_write_timeout(std::chrono::seconds(10));
    m_server->set_keep_alive_max_count(100);
}

HttpServer::~HttpServer()
{
    stop();
}

void HttpServer::start(const ListenAddress& address)
{
    stop();
    int port = address.port == 0 ? m_server->bind_to_any_port(address.host)
                                 : (m_server->bind_to_port(address.host, address.port) ? address.port : -1);
    if (port <= 0) throw ConfigError("cannot listen on " + address.text() + " (address in use or not on this host)");
    m_address = address;
    m_port = port;
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // stop() must find the server running, or listen_after_bind would never return.
    for (int wait = 0; wait < 5000 && !m_server->is_running(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void HttpServer::stop()
{
    if (!m_thread.joinable()) return;
    m_server->stop();
    m_thread.join();
}

}  // namespace zdmond
