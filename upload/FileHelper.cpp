#include "upload/FileHelper.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>

#include "base/Files.h"

FileHelper::FileHelper(const std::string& path) {
    fd = openRegularFile(path, O_RDONLY);
    struct stat status;
    if (fd >= 0 && (::fstat(fd, &status) != 0 || status.st_size > std::numeric_limits<uint32_t>::max())) {
        ::close(fd);
        fd = -1;
    }
    opened = fd != -1;
    if (opened) length = static_cast<uint32_t>(status.st_size);
}

FileHelper::~FileHelper() { closeFile(); }

bool FileHelper::ReadFromFile(void* buffer, size_t maxBytes, size_t* count) {
    *count = 0;
    if (!opened) return false;
    ssize_t got;
    do {
        got = ::read(fd, buffer, maxBytes);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return false;
    *count = static_cast<size_t>(got);
    return true;
}

long FileHelper::FileSeek(long offset, int whence) {
    if (!opened) return -1;
    return static_cast<long>(::lseek(fd, offset, whence));
}

void FileHelper::closeFile() {
    if (!opened) return;
    ::close(fd);
    fd = -1;
    opened = false;
}
