#include "daemon/http/HttpServer.h"

#include <fcntl.h>
#include <httplib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace zdmond {

namespace {

// OpenSSL would block on a FIFO and read a device: only regular files are handed to it.
void requireRegularFile(const std::string& path, const char* what)
{
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw ConfigError(std::string(what) + " " + path + ": " + std::strerror(errno));
    struct stat info {};
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    close(fd);
    if (!regular) throw ConfigError(std::string(what) + " " + path + " is not a regular file");
}

std::unique_ptr<httplib::Server> makeServer(const TlsFiles& tls)
{
    if (!tls.enabled()) return std::make_unique<httplib::Server>();
    requireRegularFile(tls.cert, "TLS certificate");
    requireRegularFile(tls.key, "TLS key");
    auto server = std::make_unique<httplib::SSLServer>(tls.cert.c_str(), tls.key.c_str());
    if (!server->is_valid())
        throw ConfigError("cannot use the TLS certificate " + tls.cert + " with the key " + tls.key +
                          " (PEM files of a matching pair expected)");
    return server;
}

}  // namespace

HttpServer::HttpServer(Installer installer) : m_installer(std::move(installer)) {}

HttpServer::~HttpServer()
{
    stop();
}

void HttpServer::start(const ListenAddress& address, const TlsFiles& tls)
{
    stop();
    m_server = makeServer(tls);
    m_server->new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
    m_server->set_read_timeout(std::chrono::seconds(10));
    m_server->set_write_timeout(std::chrono::seconds(10));
    m_server->set_keep_alive_max_count(100);
    m_server->set_payload_max_length(kMaxBodyBytes);
    m_installer(*m_server);
    int port = address.port == 0 ? m_server->bind_to_any_port(address.host)
                                 : (m_server->bind_to_port(address.host, address.port) ? address.port : -1);
    if (port <= 0) throw ConfigError("cannot listen on " + address.text() + " (address in use or not on this host)");
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
