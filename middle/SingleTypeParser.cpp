#include "middle/SingleTypeParser.h"

#include <sstream>

#include "base/LeadingNumber.h"

void U8Parser::parse(const std::string& text) { setFromText(text, read(text)); }
uint8_t U8Parser::read(const std::string& text) { return static_cast<uint8_t>(readLeadingNumber(text)); }
void U8Parser::parse(const uint8_t& value) { setFromValue(value, format(value)); }
std::string U8Parser::format(uint8_t value) { return std::to_string(static_cast<unsigned>(value)); }

void U16Parser::parse(const std::string& text) { setFromText(text, read(text)); }
uint16_t U16Parser::read(const std::string& text) { return static_cast<uint16_t>(readLeadingNumber(text)); }
void U16Parser::parse(const uint16_t& value) { setFromValue(value, format(value)); }
std::string U16Parser::format(uint16_t value) { return std::to_string(static_cast<unsigned>(value)); }

void U32Parser::parse(const std::string& text) { setFromText(text, read(text)); }
uint32_t U32Parser::read(const std::string& text) { return static_cast<uint32_t>(readLeadingNumber(text)); }
void U32Parser::parse(const uint32_t& value) { setFromValue(value, format(value)); }
std::string U32Parser::format(uint32_t value) { return std::to_string(value); }

void U64Parser::parse(const std::string& text) { setFromText(text, read(text)); }

uint64_t U64Parser::read(const std::string& text) {
    // Stream extraction: 0 when no number can be read, the largest value
    // when the number does not fit.
    std::istringstream in(text);
    unsigned long long number = 0;
    in >> number;
    return static_cast<uint64_t>(number);
}

void U64Parser::parse(const uint64_t& value) { setFromValue(value, format(value)); }
std::string U64Parser::format(uint64_t value) { return std::to_string(value); }
