#include "daemon/http/WebAssets.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "daemon/Config.h"
#include "front/InstallLayout.h"

namespace zdmond {

namespace {

// The types served; other files in the directory are left out.
const char* typeOf(const std::string& name)
{
    static const std::map<std::string, const char*> types = {
        {".html", "text/html; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".svg", "image/svg+xml"},
        {".yaml", "application/yaml; charset=utf-8"},
    };
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return nullptr;
    auto found = types.find(name.substr(dot));
    return found == types.end() ? nullptr : found->second;
}

std::string readRegularFile(int directory, const std::string& name, const std::string& path, size_t& total)
{
    int fd = openat(directory, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw ConfigError("cannot read " + path + ": " + std::strerror(errno));
    std::unique_ptr<int, void (*)(int*)> closer(&fd, [](int* f) { close(*f); });
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) throw ConfigError(path + " is not a regular file");
    total += static_cast<size_t>(info.st_size);
    if (total > WebAssets::kMaxTotalBytes) throw ConfigError("the dashboard's files in " + path + " are too large");
    std::string content(static_cast<size_t>(info.st_size), '\0');
    size_t filled = 0;
    while (filled < content.size()) {
        ssize_t got = read(fd, content.data() + filled, content.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw ConfigError("cannot read " + path + ": " + (got < 0 ? std::strerror(errno) : "it shrank"));
        filled += static_cast<size_t>(got);
    }
    return content;
}

}  // namespace

std::string WebAssets::defaultDirectory()
{
    const std::string data = zdfront::dataDirectory();
    return data.empty() ? std::string() : data + "/zdbridge/web";
}

WebAssets WebAssets::load(const std::string& directory)
{
    if (directory.empty()) throw ConfigError("the dashboard's files cannot be found beside zdmond");
    WebAssets assets;
    assets.m_directory = directory;
    size_t total = 0;
    assets.readDirectory(directory, "", total);
    if (!assets.find("/index.html") || !assets.find("/login.html"))
        throw ConfigError("the dashboard's files are incomplete in " + directory + " (index.html, login.html)");
    return assets;
}

void WebAssets::readDirectory(const std::string& directory, const std::string& urlPrefix, size_t& total)
{
    int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) throw ConfigError("cannot read the dashboard's files in " + directory + ": " + std::strerror(errno));
    std::unique_ptr<DIR, int (*)(DIR*)> listing(fdopendir(fd), &closedir);
    if (!listing) {
        close(fd);
        throw ConfigError("cannot list " + directory + ": " + std::strerror(errno));
    }
    while (dirent* entry = readdir(listing.get())) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        struct stat info {};
        if (fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        const std::string path = directory + "/" + name;
        if (S_ISDIR(info.st_mode)) {
            readDirectory(path, urlPrefix + "/" + name, total);
        } else if (S_ISREG(info.st_mode)) {
            if (const char* type = typeOf(name))
                m_files[urlPrefix + "/" + name] = File{readRegularFile(fd, name, path, total), type};
        }
    }
}

const WebAssets::File* WebAssets::find(const std::string& path) const
{
    auto found = m_files.find(path);
    return found == m_files.end() ? nullptr : &found->second;
}

}  // namespace zdmond
