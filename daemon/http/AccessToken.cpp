#include "daemon/http/AccessToken.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "daemon/Config.h"

namespace zdmond {

namespace {

constexpr size_t kTokenBytes = 32;
constexpr size_t kMinTokenLength = 32;
constexpr off_t kMaxFileBytes = 4096;

std::string failure(const std::string& path, const std::string& what)
{
    return "access token file " + path + ": " + what;
}

std::string readToken(int fd, const std::string& path)
{
    struct stat info {};
    if (fstat(fd, &info) != 0) throw ConfigError(failure(path, std::strerror(errno)));
    if (!S_ISREG(info.st_mode)) throw ConfigError(failure(path, "not a regular file"));
    if (info.st_uid != geteuid()) throw ConfigError(failure(path, "belongs to another user"));
    if (info.st_mode & (S_IRWXG | S_IRWXO))
        throw ConfigError(failure(path, "others may read or change it; chmod 600 it, or delete it for a new token"));
    if (info.st_size > kMaxFileBytes) throw ConfigError(failure(path, "too large to hold a token"));
    std::string text(static_cast<size_t>(info.st_size), '\0');
    ssize_t got = read(fd, text.data(), text.size());
    if (got < 0) throw ConfigError(failure(path, std::strerror(errno)));
    text.resize(static_cast<size_t>(got));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    if (text.size() < kMinTokenLength) throw ConfigError(failure(path, "holds no token of at least 32 characters"));
    for (char c : text)
        if (c <= ' ' || c > '~') throw ConfigError(failure(path, "the token may hold only printable characters"));
    return text;
}

}  // namespace

std::string randomHex(size_t bytes)
{
    std::vector<unsigned char> buffer(bytes);
    size_t filled = 0;
    while (filled < bytes) {
        ssize_t got = getrandom(buffer.data() + filled, bytes - filled, 0);
        if (got < 0 && errno != EINTR) throw ConfigError(std::string("no random numbers: ") + std::strerror(errno));
        if (got > 0) filled += static_cast<size_t>(got);
    }
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : buffer) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

bool sameSecret(const std::string& left, const std::string& right)
{
    // The length is no secret: tokens and session ids have fixed lengths.
    return left.size() == right.size() && CRYPTO_memcmp(left.data(), right.data(), left.size()) == 0;
}

AccessToken AccessToken::loadOrCreate(const std::string& path)
{
    AccessToken token;
    token.m_path = path;
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        try {
            token.m_text = readToken(fd, path);
        } catch (...) {
            close(fd);
            throw;
        }
        close(fd);
        return token;
    }
    if (errno == ELOOP) throw ConfigError(failure(path, "is a symbolic link; zdmond does not follow it"));
    if (errno != ENOENT) throw ConfigError(failure(path, std::strerror(errno)));

    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST) return loadOrCreate(path);  // another process made it meanwhile
        throw ConfigError(failure(path, std::string("cannot create it: ") + std::strerror(errno)));
    }
    token.m_text = randomHex(kTokenBytes);
    const std::string line = token.m_text + "\n";
    bool written = fchmod(fd, 0600) == 0 && write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size()) &&
                   fsync(fd) == 0;
    const int error = errno;
    close(fd);
    if (!written) {
        unlink(path.c_str());
        throw ConfigError(failure(path, std::string("cannot write it: ") + std::strerror(error)));
    }
    token.m_created = true;
    return token;
}

bool AccessToken::matches(const std::string& candidate) const
{
    return !m_text.empty() && sameSecret(candidate, m_text);
}

}  // namespace zdmond
