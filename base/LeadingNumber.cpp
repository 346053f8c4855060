#include "base/LeadingNumber.h"

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
