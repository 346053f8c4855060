// Reading request fields into fixed-size parameter records.
//
// Commands and conditions copy the fields a request carries into their
// parameter records and leave every other field as the previous request
// left it. Texts and disk lists have a fixed room in the records: a "Name"
// takes at most kMaxRecordName characters (16 bytes with the NUL) and a
// "Disks" list at most the length of the record's id array. A request that
// does not fit is refused as a whole (result 7, "Invalid request parameter")
// instead of being cut, so callers read into a copy of their record and
// commit it only when every field fitted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "api/records/RecordText.h"
#include "middle/SingleTypeParser.h"
#include "middle/StructMiddle.h"
#include "request/ResultCodes.h"

namespace request {

// Result of a request whose fields do not fit their records.
constexpr uint8_t kInvalidParameter = result::kInvalidParameter;
// Longest "Name" a 16-byte name field holds with its NUL.
constexpr size_t kMaxRecordName = 15;

// Parses the single field `name`, if the request carries it, with Parser
// (U8Parser, U16Parser, ...) into target.
template <typename Parser, typename T>
void readNumber(const StructMiddle* para, const char* name, T& target) {
    if (para == nullptr) return;
    if (const std::string* text = para->findSingle(name)) {
        target = Parser::read(*text);
    }
}

// The text of the single field `name`, or nullptr when it is absent.
inline const std::string* findText(const StructMiddle* para, const char* name) {
    return para == nullptr ? nullptr : para->findSingle(name);
}

// Whether a "Name" text fits a 16-byte record name.
inline bool nameFits(const std::string& text) { return text.size() <= kMaxRecordName; }

// Writes a "Name" text into a 16-byte record name, NUL-padded.
inline void writeName(char (&field)[16], const std::string& text) { setRecordText(field, sizeof(field), text); }

// Reads the "Disks" list, if the request carries it, into ids and count:
// every value as a 16-bit id in order, the unused rest of ids cleared, and
// count set to the number of values. Answers false, writing nothing, when
// the list is longer than ids holds.
template <size_t N>
bool readDiskList(const StructMiddle* para, uint16_t (&ids)[N], uint8_t& count) {
    static_assert(N < 256, "a disk count is one byte");
    if (para == nullptr) return true;
    const std::vector<std::string>* values = para->findArray("Disks");
    if (values == nullptr) return true;
    if (values->size() > N) return false;
    for (size_t i = 0; i < N; ++i) {
        ids[i] = 0;
        if (i < values->size()) {
            ids[i] = U16Parser::read((*values)[i]);
        }
    }
    count = static_cast<uint8_t>(values->size());
    return true;
}

}  // namespace request
