#include "daemon/http/UploadSpool.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "daemon/Config.h"
#include "daemon/http/AccessToken.h"
#include "daemon/http/ApiRouter.h"
#include "front/Error.h"

namespace zdmond {

namespace {

constexpr size_t kIdBytes = 16;
constexpr const char* kSuffix = ".img";

// Removes the images an earlier run left behind (only files of our naming).
void clearDirectory(const std::string& directory)
{
    std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(directory.c_str()), &closedir);
    if (!listing) return;
    int fd = dirfd(listing.get());
    while (dirent* entry = readdir(listing.get())) {
        const std::string name = entry->d_name;
        if (name.size() == 2 * kIdBytes + 4 && name.compare(2 * kIdBytes, 4, kSuffix) == 0)
            unlinkat(fd, name.c_str(), 0);
    }
}

}  // namespace

UploadSpool::UploadSpool(std::string directory) : m_directory(std::move(directory))
{
    if (mkdir(m_directory.c_str(), 0700) != 0 && errno != EEXIST)
        throw ConfigError("cannot make the upload directory " + m_directory + ": " + std::strerror(errno));
    struct stat info {};
    if (lstat(m_directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw ConfigError("the upload directory " + m_directory + " is not a directory (or is a symbolic link)");
    if (info.st_uid != geteuid() || (info.st_mode & (S_IRWXG | S_IRWXO)))
        throw ConfigError("the upload directory " + m_directory + " must belong to zdmond's user with mode 0700");
    clearDirectory(m_directory);
}

UploadSpool::~UploadSpool()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& entry : m_images) unlink(entry.second.path.c_str());
}

UploadSpool::Image UploadSpool::receive(unsigned adapter, const Source& source)
{
    Image image;
    image.id = randomHex(kIdBytes);
    image.adapter = adapter;
    image.path = m_directory + "/" + image.id + kSuffix;
    int fd = open(image.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throw zdfront::Error(zdfront::ErrorKind::Failure, "cannot store the image: " + std::string(std::strerror(errno)));
    bool tooLarge = false;
    int writeError = 0;
    const bool read = source([&](const char* data, size_t length) {
        if (image.bytes + length > kMaxBytes) {
            tooLarge = true;
            return false;
        }
        for (size_t done = 0; done < length;) {
            ssize_t wrote = write(fd, data + done, length - done);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) {
                writeError = errno ? errno : EIO;
                return false;
            }
            done += static_cast<size_t>(wrote);
        }
        image.bytes += length;
        return true;
    });
    if (!tooLarge && !writeError && fsync(fd) != 0) writeError = errno;
    close(fd);
    if (tooLarge || writeError || !read || image.bytes == 0) {
        unlink(image.path.c_str());
        if (tooLarge)
            throw HttpError(413, "too_large",
                            "the image is larger than " + std::to_string(kMaxBytes / (1024 * 1024)) + " MiB");
        if (writeError)
            throw zdfront::Error(zdfront::ErrorKind::Failure, "cannot store the image: " + std::string(std::strerror(writeError)));
        throw HttpError(400, "usage", read ? "the image is empty" : "the image did not arrive whole");
    }
    image.received = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    expire();
    while (m_images.size() >= kMaxImages) {
        auto oldest = std::min_element(m_images.begin(), m_images.end(), [](const auto& a, const auto& b) {
            return a.second.received < b.second.received;
        });
        unlink(oldest->second.path.c_str());
        m_images.erase(oldest);
    }
    m_images[image.id] = image;
    return image;
}

std::optional<UploadSpool::Image> UploadSpool::find(const std::string& id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    expire();
    auto found = m_images.find(id);
    if (found == m_images.end()) return std::nullopt;
    return found->second;
}

std::optional<UploadSpool::Image> UploadSpool::take(const std::string& id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    expire();
    auto found = m_images.find(id);
    if (found == m_images.end()) return std::nullopt;
    Image image = found->second;
    m_images.erase(found);
    return image;
}

void UploadSpool::remove(const std::string& id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_images.find(id);
    if (found == m_images.end()) return;
    unlink(found->second.path.c_str());
    m_images.erase(found);
}

void UploadSpool::expire()
{
    const auto now = std::chrono::steady_clock::now();
    for (auto it = m_images.begin(); it != m_images.end();) {
        if (now - it->second.received > kKeep) {
            unlink(it->second.path.c_str());
            it = m_images.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace zdmond
