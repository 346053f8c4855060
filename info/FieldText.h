// Text forms of record values for the answers of the information providers:
// numbers through the value parsers (unsigned decimal), fixed-width record
// texts read the way the string parser reads them (leading blanks dropped).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "api/records/RecordText.h"
#include "api/records/Records.h"
#include "middle/SingleTypeParser.h"
#include "middle/StringParser.h"

inline std::string u8Text(uint8_t value) {
    U8Parser parser;
    parser.parse(value);
    return parser.toString();
}

inline std::string u16Text(uint16_t value) {
    U16Parser parser;
    parser.parse(value);
    return parser.toString();
}

inline std::string u32Text(uint32_t value) {
    U32Parser parser;
    parser.parse(value);
    return parser.toString();
}

inline std::string u64Text(const ZD_U64& value) {
    U64Parser parser;
    parser.parse(value);
    return parser.toString();
}

// The text of a field of `width` bytes (ending at its first NUL or at its
// end) without its leading blanks.
inline std::string fieldText(const char* field, size_t width) {
    StringParser parser;
    parser.parse(recordText(field, width).c_str());
    return parser.toString();
}
