// WebAssets: the dashboard's files (HTML, CSS, JavaScript modules, the
// OpenAPI description), read into memory once.
//
// They live in <datadir>/zdbridge/web of this installation, found from the
// running program (front/InstallLayout.h), so the build tree, /usr and an
// unpacked package all work. Reading them at start (and on SIGHUP) means
// that no request ever touches the file system: no path from a URL is
// opened, and a file edited under a running zdmond is never served half
// written. Only regular files are read; symbolic links are not followed.
//
//   WebAssets assets = WebAssets::load(WebAssets::defaultDirectory());   // throws ConfigError
//   if (const WebAssets::File* file = assets.find("/js/main.js")) ...
#pragma once

#include <map>
#include <string>

namespace zdmond {

class WebAssets {
public:
    struct File {
        std::string content;
        std::string type;  // "text/javascript; charset=utf-8"
    };

    static constexpr size_t kMaxTotalBytes = 8 * 1024 * 1024;

    static std::string defaultDirectory();
    static WebAssets load(const std::string& directory);

    // By URL path ("/index.html", "/js/main.js"); null when there is none.
    const File* find(const std::string& path) const;
    const std::string& directory() const { return m_directory; }
    size_t size() const { return m_files.size(); }

private:
    void readDirectory(const std::string& directory, const std::string& urlPrefix, size_t& total);

    std::string m_directory;
    std::map<std::string, File> m_files;
};

}  // namespace zdmond
