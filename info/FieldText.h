// Text forms of record values for the answers of the information providers:
// numbers through the value parsers (unsigned decimal), fixed-width record
// texts read the way the string parser reads them (leading blanks dropped).
// Also the ids that request keys name, read by the same parsers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "api/records/RecordText.h"
#include "api/records/Records.h"
#include "middle/SingleTypeParser.h"
#include "middle/StringParser.h"

inline std::string u8Text(uint8_t value) { return U8Parser::format(value); }
inline std::string u16Text(uint16_t value) { return U16Parser::format(value); }
inline std::string u32Text(uint32_t value) { return U32Parser::format(value); }
inline std::string u64Text(const ZD_U64& value) { return U64Parser::format(zdU64Value(value)); }

// The text of a field of `width` bytes (ending at its first NUL or at its
// end) without its leading blanks.
inline std::string fieldText(const char* field, size_t width) {
    StringParser parser;
    parser.parse(recordText(field, width).c_str());
    return parser.toString();
}

// The id a request key names; 0 when the key is not a number of that width.
inline uint8_t u8Key(const std::string& key) {
    return U8Parser::read(key);
}

inline uint16_t u16Key(const std::string& key) {
    return U16Parser::read(key);
}
