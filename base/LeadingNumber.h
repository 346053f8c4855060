// The number at the start of a text, read the way atoi reads it.
//
// Used wherever the bridge reads a number from text it was given: the value
// parsers of request fields and the log configuration.
#pragma once

#include <cstdint>
#include <string>

// Leading white space, an optional sign, then digits; wrapped modulo 2^64
// instead of overflowing (callers keep the low bits they need). A text
// without digits reads as 0.
uint64_t readLeadingNumber(const std::string& text);
