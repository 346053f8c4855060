// Descriptor: a file descriptor closed with its owner.
//
//   Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
//   if (file.get() < 0) ...
//   int kept = file.release();   // the caller closes it now
#pragma once

#include <unistd.h>

namespace zdfront {

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    // Closes the descriptor held (if any) and holds fd instead.
    void reset(int fd = -1)
    {
        if (m_fd >= 0) close(m_fd);
        m_fd = fd;
    }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

}  // namespace zdfront
