#include "middle/SingleTypeParser.h"

#include <sstream>

uint64_t readLeadingNumber(const std::string& text) {
    size_t i = 0;
    const size_t size = text.size();
    auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < size && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < size && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint64_t number = 0;
    for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i) {
        number = number * 10 + static_cast<uint64_t>(text[i] - '0');  // wraps modulo 2^64
    }
    return negative ? 0 - number : number;
}

void U8Parser::parse(const std::string& text) { setFromText(text, static_cast<uint8_t>(readLeadingNumber(text))); }
void U8Parser::parse(const uint8_t& value) { setFromValue(value, std::to_string(static_cast<unsigned>(value))); }

void U16Parser::parse(const std::string& text) { setFromText(text, static_cast<uint16_t>(readLeadingNumber(text))); }
void U16Parser::parse(const uint16_t& value) { setFromValue(value, std::to_string(static_cast<unsigned>(value))); }

void U32Parser::parse(const std::string& text) { setFromText(text, static_cast<uint32_t>(readLeadingNumber(text))); }
void U32Parser::parse(const uint32_t& value) { setFromValue(value, std::to_string(value)); }

void U64Parser::parse(const std::string& text) {
    // Stream extraction: 0 when no number can be read, the largest value
    // when the number does not fit.
    std::istringstream in(text);
    unsigned long long number = 0;
    in >> number;
    setFromText(text, zdU64Make(number));
}

void U64Parser::parse(const ZD_U64& value) { setFromValue(value, std::to_string(zdU64Value(value))); }
