// Validation: checks of user input that every front end makes before it
// calls the bridge, with messages that say what is accepted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "front/Bridge.h"
#include "front/Model.h"

namespace zdfront::Validation {

// A name of at most `maxBytes` bytes (not characters: UTF-8 letters take
// more than one) with no control characters; Error Usage otherwise.
void name(const std::string& text, size_t maxBytes, const std::string& what);

// A calendar date YYYYMMDD; Error Usage otherwise.
void date(const std::string& text, const std::string& what);

// The disk of the selected adapter, Error NotFound when there is none.
const Disk& disk(const std::vector<Disk>& disks, uint64_t id, unsigned adapter);

// A file the bridge may open: it exists (Error NotFound), is a regular file
// (not a directory, FIFO or device: Error Usage) and is readable. Answers
// its absolute path.
std::string regularFile(const std::string& path, const std::string& what);

// Dotted versions ("2.4.1.7") compared part by part: <0, 0 or >0; nothing
// when either is not a dotted version.
std::optional<int> compareVersions(const std::string& left, const std::string& right);

}  // namespace zdfront::Validation
