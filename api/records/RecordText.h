// Reading and writing the fixed-width text fields of controller records.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

// The text of a field of `width` bytes: up to its first NUL, or the whole
// field when it holds none (a full-width text carries no terminator).
inline std::string recordText(const char* field, size_t width) {
    const void* nul = std::memchr(field, '\0', width);
    size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : width;
    return std::string(field, length);
}

// Copies text into a field of `width` bytes, NUL-padded; a text of width
// bytes or more is cut so that the field always ends with a NUL.
inline void setRecordText(char* field, size_t width, const std::string& text) {
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), text.size() < width ? text.size() : width - 1);
}
