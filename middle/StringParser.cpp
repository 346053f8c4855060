#include "middle/StringParser.h"

#include <algorithm>
#include <cstring>

void StringParser::parse(const unsigned char* text) { parse(reinterpret_cast<const char*>(text)); }

void StringParser::parse(const char* text) {
    if (text == nullptr) {
        m_text.clear();
        return;
    }
    while (*text == ' ') ++text;
    m_text = text;
}

void StringParser::parse(const std::string& text) { m_text = text; }

void StringParser::setValue(unsigned char* target) const { setValue(reinterpret_cast<char*>(target)); }

void StringParser::setValue(char* target) const {
    if (target == nullptr) return;
    std::memcpy(target, m_text.c_str(), m_text.size() + 1);
}

void StringParser::setValue(unsigned char* target, unsigned n) const { setValue(reinterpret_cast<char*>(target), n); }

void StringParser::setValue(char* target, unsigned n) const {
    if (target == nullptr) return;
    const size_t copied = std::min<size_t>(n, m_text.size());
    std::memcpy(target, m_text.data(), copied);
    std::memset(target + copied, 0, n + 1 - copied);
}
