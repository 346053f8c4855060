// Owns one open file descriptor and closes it when it goes out of scope or
// is replaced; -1 means none. openRegular opens the files the simulator reads
// and writes without ever waiting on a FIFO or a device; writeAll writes a
// buffer whole.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <string>
#include <utility>

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset(int fd = -1) {
        if (m_fd >= 0) close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

// Opens path (open(2) flags and mode; O_NONBLOCK and O_CLOEXEC are added)
// and answers it only when it is a regular file: a FIFO or a device is
// refused at once, with errno EINVAL. Invalid on failure, errno set.
FileDescriptor openRegular(const std::string& path, int flags, mode_t mode = 0);

// Writes all size bytes, resuming after interruptions; false on an error.
bool writeAll(int fd, const void* data, size_t size);
