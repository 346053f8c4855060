#include "schedule/AtomicXmlFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>

#include "base/Files.h"
#include "schedule/XmlErrors.h"

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

// Writes the document's text; an injected failure writes half of it and
// fails as a full disk would.
bool writeText(int fd, const xmlChar* data, size_t size) {
    if (takeInjectedFailure()) {
        writeAll(fd, data, size / 2);
        errno = ENOSPC;
        return false;
    }
    return writeAll(fd, data, size);
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the new directory entry itself durable (best effort).
void syncDirectory(const std::string& path) {
    UniqueFd dir(::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::fsync(dir.get());
}

// Rewrites the existing regular file at path in place, for a file that may
// be written in a directory that may not (no temporary file can be made
// beside it). The room is reserved first, so that a full disk fails before
// the old text is touched; the new text then overwrites it from the start
// and the file is cut to its length.
bool rewriteInPlace(const std::string& path, const xmlChar* text, size_t size) {
    UniqueFd file(openRegularFile(path, O_WRONLY | O_NOFOLLOW));
    if (!file.valid()) return false;
    if (size > 0 && ::posix_fallocate(file.get(), 0, static_cast<off_t>(size)) != 0) return false;
    if (!writeText(file.get(), text, size)) return false;
    if (::ftruncate(file.get(), static_cast<off_t>(size)) != 0) return false;
    if (::fsync(file.get()) != 0) return false;
    return file.close();
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

    // A text libxml2 could not write as it is (a character XML cannot hold)
    // is not the document: nothing is saved.
    xmlChar* dumped = nullptr;
    int size = 0;
    XmlErrors errors;
    xmlDocDumpFormatMemory(doc, &dumped, &size, 0);
    std::unique_ptr<xmlChar, XmlFree> text(dumped);
    if (!text || size < 0 || errors.count() != 0) return false;

    std::string pattern = path + ".XXXXXX";
    UniqueFd file(::mkostemp(&pattern[0], O_CLOEXEC));
    if (!file.valid()) {
        // The directory takes no new file: rewrite an existing file in place.
        const bool directoryClosed = errno == EACCES || errno == EPERM;
        return replace && directoryClosed && rewriteInPlace(path, text.get(), static_cast<size_t>(size));
    }
    TemporaryPath temporary(pattern);

    if (::fchmod(file.get(), mode) != 0) return false;
    if (!writeText(file.get(), text.get(), static_cast<size_t>(size))) return false;
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
