#include "schedule/AtomicXmlFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>

namespace {

std::atomic<int> g_failingWrites{0};

// Takes one injected failure, if any is pending.
bool takeInjectedFailure() {
    int pending = g_failingWrites.load();
    while (pending > 0) {
        if (g_failingWrites.compare_exchange_weak(pending, pending - 1)) return true;
    }
    return false;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now, reporting whether the last buffered data made it out.
    bool close() {
        int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// The temporary file's name; the file is removed unless kept.
class TemporaryPath {
public:
    explicit TemporaryPath(std::string path) : m_path(std::move(path)) {}
    ~TemporaryPath() {
        if (!m_kept) ::unlink(m_path.c_str());
    }
    TemporaryPath(const TemporaryPath&) = delete;
    TemporaryPath& operator=(const TemporaryPath&) = delete;
    const char* c_str() const { return m_path.c_str(); }
    void keep() { m_kept = true; }

private:
    std::string m_path;
    bool m_kept = false;
};

struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

bool writeAll(int fd, const xmlChar* data, size_t size) {
    bool failing = takeInjectedFailure();
    size_t limit = failing ? size / 2 : size;
    size_t done = 0;
    while (done < limit) {
        ssize_t written = ::write(fd, data + done, limit - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<size_t>(written);
    }
    if (failing) errno = ENOSPC;
    return !failing;
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the new directory entry itself durable (best effort).
void syncDirectory(const std::string& path) {
    FileDescriptor dir(::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace

bool AtomicXmlFile::save(const std::string& path, xmlDocPtr doc) { return write(path, doc, true); }

bool AtomicXmlFile::create(const std::string& path, xmlDocPtr doc) { return write(path, doc, false); }

void AtomicXmlFile::failWritesForTesting(int count) { g_failingWrites.store(count < 0 ? 0 : count); }

bool AtomicXmlFile::write(const std::string& path, xmlDocPtr doc, bool replace) {
    if (doc == nullptr || path.empty()) return false;

    mode_t mode = 0644;
    struct stat existing;
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!replace || !S_ISREG(existing.st_mode)) return false;
        // A read-only file stays as it is, even where its directory would let
        // a new file take its place.
        if ((existing.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0) return false;
        mode = existing.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    }

    xmlChar* dumped = nullptr;
    int size = 0;
    xmlDocDumpFormatMemory(doc, &dumped, &size, 0);
    std::unique_ptr<xmlChar, XmlFree> text(dumped);
    if (!text || size < 0) return false;

    std::string pattern = path + ".XXXXXX";
    FileDescriptor file(::mkostemp(&pattern[0], O_CLOEXEC));
    if (file.get() < 0) return false;
    TemporaryPath temporary(pattern);

    if (::fchmod(file.get(), mode) != 0) return false;
    if (!writeAll(file.get(), text.get(), static_cast<size_t>(size))) return false;
    if (::fsync(file.get()) != 0) return false;
    if (!file.close()) return false;

    if (replace) {
        if (::rename(temporary.c_str(), path.c_str()) != 0) return false;
        temporary.keep();
    } else if (::link(temporary.c_str(), path.c_str()) != 0) {
        return false;  // something appeared at path meanwhile: leave it alone
    }
    syncDirectory(path);
    return true;
}
