#include "sim/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

FileDescriptor openRegular(const std::string& path, int flags, mode_t mode) {
    FileDescriptor file(open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode));
    struct stat status;
    if (file.valid() && (fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))) {
        file.reset();
        errno = EINVAL;
    }
    return file;
}
