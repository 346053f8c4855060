#include "middle/VersionParser.h"

#include <charconv>

std::string VersionParser::joinParts(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    char text[4 * 10 + 3];
    char* end = text;
    for (const uint32_t part : {a, b, c, d}) {
        if (end != text) *end++ = '.';
        end = std::to_chars(end, text + sizeof text, part).ptr;
    }
    return std::string(text, end);
}

void VersionParser::parse(const unsigned char* bytes) {
    if (bytes == nullptr) {
        m_text.clear();
        return;
    }
    m_text = joinParts(bytes[0], bytes[1], bytes[2], bytes[3]);
}
