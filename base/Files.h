// Opening the files the library reads and writes safely.
//
// Every path the library opens may name a FIFO, a device or a directory, and
// files in shared directories may be symbolic links planted by someone else.
// openRegularFile never blocks on a FIFO or device (O_NONBLOCK) and hands out
// only regular files; callers add O_NOFOLLOW where a link must not be
// followed. UniqueFd closes its descriptor with its owner.
//
//   UniqueFd file(openRegularFile(path, O_RDONLY));
//   if (!file.valid()) return refused;
#pragma once

#include <sys/types.h>

#include <string>

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes the descriptor held (if any) and holds fd instead.
    void reset(int fd = -1);
    // Closes now; false when the close reported an error (data not written).
    bool close();

private:
    int m_fd;
};

// Opens path with flags | O_CLOEXEC | O_NONBLOCK (the descriptor stays
// non-blocking, which regular files ignore); -1 when that fails or the path
// is not a regular file.
int openRegularFile(const std::string& path, int flags, mode_t mode = 0);

// Whether something other than a regular file (a FIFO, device, socket or
// directory) is at path, following links; a missing path is not.
bool isSpecialFile(const std::string& path);

// Writes all of data; false on an error.
bool writeAll(int fd, const void* data, size_t length);
