#include "middle/VersionParser.h"

std::string VersionParser::joinParts(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return std::to_string(a) + '.' + std::to_string(b) + '.' + std::to_string(c) + '.' + std::to_string(d);
}

void VersionParser::parse(const unsigned char* bytes) {
    if (bytes == nullptr) {
        m_text.clear();
        return;
    }
    m_text = joinParts(bytes[0], bytes[1], bytes[2], bytes[3]);
}
