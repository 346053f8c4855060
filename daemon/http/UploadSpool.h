// UploadSpool: firmware images sent to the dashboard, kept in private files
// until they are flashed or dropped.
//
// The spool is a directory of zdmond's own (mode 0700, "uploads" beside the
// event history; refused when it is a symbolic link or another user's).
// Each image is streamed from the request into a new file created with
// O_EXCL and O_NOFOLLOW, mode 0600, under a random name, and never grows
// beyond kMaxBytes: a larger body is cut off and its file removed. Images
// are dropped after kKeep, when kMaxImages newer ones arrived, or when
// zdmond starts (left-overs of an earlier run).
//
//   UploadSpool spool(directory);                                  // throws ConfigError
//   UploadSpool::Image image = spool.receive(0, [&](auto write) { return reader(write); });
//   std::optional<UploadSpool::Image> found = spool.find(image.id);
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace zdmond {

class UploadSpool {
public:
    static constexpr size_t kMaxBytes = 32 * 1024 * 1024;
    static constexpr size_t kMaxImages = 4;
    static constexpr auto kKeep = std::chrono::minutes(30);

    struct Image {
        std::string id;    // 32 hex digits
        std::string path;
        unsigned adapter = 0;
        size_t bytes = 0;
        std::chrono::steady_clock::time_point received;
    };

    // Receives chunks: answers false to stop reading (too large).
    using Sink = std::function<bool(const char* data, size_t length)>;
    // Feeds the body into the sink; answers false when the body could not be read whole.
    using Source = std::function<bool(const Sink& sink)>;

    explicit UploadSpool(std::string directory);
    ~UploadSpool();
    UploadSpool(const UploadSpool&) = delete;
    UploadSpool& operator=(const UploadSpool&) = delete;

    // HttpError 413 for a body over kMaxBytes, 400 for an empty or broken one;
    // zdfront::Error Failure when it cannot be stored.
    Image receive(unsigned adapter, const Source& source);
    std::optional<Image> find(const std::string& id);
    // Hands the image's file over to the caller (a flash), who removes it when done.
    std::optional<Image> take(const std::string& id);
    void remove(const std::string& id);
    const std::string& directory() const { return m_directory; }

private:
    void expire();

    std::string m_directory;
    std::mutex m_mutex;
    std::map<std::string, Image> m_images;
};

}  // namespace zdmond
