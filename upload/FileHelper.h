// Read-only access to one regular file, closed when the object goes away.
//
// The firmware upload worker reads its image through it page by page:
// build it from a path, check isOpen(), then ReadFromFile repeatedly. The
// file is opened without blocking (a FIFO or device at the path is refused,
// never waited on), and only a regular file of at most 4 GiB - 1 bytes opens;
// its length is measured once, when it is opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class FileHelper {
public:
    explicit FileHelper(const std::string& path);
    ~FileHelper();
    FileHelper(const FileHelper&) = delete;
    FileHelper& operator=(const FileHelper&) = delete;

    bool isOpen() const { return opened; }
    uint32_t GetFileLen() const { return length; }
    // Reads up to maxBytes into buffer and stores the number read in count
    // (0 at end of file). Answers false, with count 0, when reading fails.
    bool ReadFromFile(void* buffer, size_t maxBytes, size_t* count);
    // The new position, or -1 when the file is not open or seeking fails.
    long FileSeek(long offset, int whence);
    void closeFile();

private:
    int fd = -1;
    uint32_t length = 0;
    bool opened = false;
};
