#include "upload/FileHelper.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

FileHelper::FileHelper(const std::string& path) {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    opened = fd != -1;
    if (!opened) return;
    const off_t current = ::lseek(fd, 0, SEEK_CUR);
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (end > 0) length = static_cast<uint32_t>(end);
    ::lseek(fd, current < 0 ? 0 : current, SEEK_SET);
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
