// Sizes: capacities as the controller reports them, in 512-byte sectors.
//
// sizeText() shows them in IEC units with one decimal ("3.6 TiB"), or the
// plain sector count when raw sizes (-H / --raw) were asked for.
#pragma once

#include <cstdint>
#include <string>

namespace zdfront {

constexpr uint64_t kSectorBytes = 512;

std::string iecBytes(long double bytes);
std::string sizeText(uint64_t sectors, bool raw);
// The note printed once under output that shows sizes.
std::string sizeNote(bool raw);

}  // namespace zdfront
