#include "front/Validation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "front/Error.h"

namespace zdfront::Validation {

void name(const std::string& text, size_t maxBytes, const std::string& what)
{
    if (text.empty()) throw Error(ErrorKind::Usage, what + " must not be empty");
    if (text.size() > maxBytes)
        throw Error(ErrorKind::Usage, what + " takes at most " + std::to_string(maxBytes) + " bytes; \"" + text +
                                          "\" has " + std::to_string(text.size()) +
                                          " (letters outside ASCII take 2 to 4 bytes)");
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f)
            throw Error(ErrorKind::Usage, what + " must not contain control characters (tab, newline, ...)");
}

void date(const std::string& text, const std::string& what)
{
    bool digits = text.size() == 8;
    for (char c : text) digits = digits && c >= '0' && c <= '9';
    if (!digits) throw Error(ErrorKind::Usage, what + " takes a date as YYYYMMDD, not '" + text + "'");
    int year = std::stoi(text.substr(0, 4)), month = std::stoi(text.substr(4, 2)), day = std::stoi(text.substr(6, 2));
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int days = month >= 1 && month <= 12 ? kDays[month - 1] + (month == 2 && leap ? 1 : 0) : 0;
    if (year < 1970 || days == 0 || day < 1 || day > days)
        throw Error(ErrorKind::Usage, what + " '" + text + "' is not a calendar date");
}

const Disk& disk(const std::vector<Disk>& disks, uint64_t id, unsigned adapter)
{
    for (const Disk& candidate : disks)
        if (candidate.id == id && candidate.present) return candidate;
    throw Error(ErrorKind::NotFound, "disk " + std::to_string(id) + " of adapter " + std::to_string(adapter) +
                                         " not found");
}

std::string regularFile(const std::string& path, const std::string& what)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        int error = errno;
        throw Error(error == ENOENT ? ErrorKind::NotFound : ErrorKind::Usage,
                    "cannot read " + what + " " + path + ": " + std::strerror(error));
    }
    if (S_ISDIR(info.st_mode)) throw Error(ErrorKind::Usage, what + " " + path + " is a directory, not a file");
    if (!S_ISREG(info.st_mode))
        throw Error(ErrorKind::Usage, what + " " + path + " is not a regular file (a FIFO, socket or device)");
    if (access(path.c_str(), R_OK) != 0)
        throw Error(ErrorKind::Usage, "cannot read " + what + " " + path + ": " + std::strerror(errno));
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) throw Error(ErrorKind::NotFound, "cannot resolve " + path);
    return resolved;
}

std::optional<int> compareVersions(const std::string& left, const std::string& right)
{
    auto parts = [](const std::string& text) -> std::optional<std::vector<uint64_t>> {
        std::vector<uint64_t> numbers;
        size_t start = 0;
        for (;;) {
            size_t dot = text.find('.', start);
            std::optional<uint64_t> number =
                Answer::toNumber(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
            if (!number) return std::nullopt;
            numbers.push_back(*number);
            if (dot == std::string::npos) return numbers;
            start = dot + 1;
        }
    };
    std::optional<std::vector<uint64_t>> a = parts(left), b = parts(right);
    if (!a || !b) return std::nullopt;
    if (*a < *b) return -1;
    if (*b < *a) return 1;
    return 0;
}

}  // namespace zdfront::Validation
