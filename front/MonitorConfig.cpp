#include "front/MonitorConfig.h"

#include <fcntl.h>
#include <ini.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "front/Descriptor.h"
#include "front/Error.h"
#include "front/EventHistory.h"

namespace zdfront {

namespace {

int onLine(void* user, const char* section, const char* key, const char* value)
{
    return (*static_cast<const IniValue*>(user))(section, key, value) ? 1 : 0;
}

}  // namespace

std::optional<int> readIniFile(const std::string& path, const IniValue& onValue)
{
    Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        throw Error(ErrorKind::Failure, path + ": " + std::strerror(errno));
    }
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw Error(ErrorKind::Failure, path + ": not a regular file");
    std::unique_ptr<FILE, int (*)(FILE*)> file(fdopen(fd.get(), "r"), std::fclose);
    if (!file) throw Error(ErrorKind::Failure, path + ": " + std::strerror(errno));
    fd.release();
    IniValue handler = onValue;
    return ini_parse_file(file.get(), onLine, &handler);
}

std::string configuredHistory(const std::string& path)
{
    std::string history = EventHistory::defaultPath();
    std::optional<int> bad = readIniFile(path, [&](const std::string& section, const std::string& key,
                                                   const std::string& value) {
        if (section == "monitor" && key == "database" && !value.empty()) history = value;
        return true;
    });
    if (bad && *bad != 0) throw Error(ErrorKind::Failure, path + ":" + std::to_string(*bad) + ": not INI text");
    return history;
}

}  // namespace zdfront
