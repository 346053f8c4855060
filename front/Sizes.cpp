#include "front/Sizes.h"

#include <cstdio>

namespace zdfront {

std::string iecBytes(long double bytes)
{
    static const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    size_t unit = 0;
    while (bytes >= 1024.0L && unit + 1 < sizeof(units) / sizeof(units[0])) {
        bytes /= 1024.0L;
        ++unit;
    }
    char text[32];
    if (unit == 0)
        std::snprintf(text, sizeof(text), "%.0Lf B", bytes);
    else
        std::snprintf(text, sizeof(text), "%.1Lf %s", bytes, units[unit]);
    return text;
}

std::string sizeText(uint64_t sectors, bool raw)
{
    if (raw) return std::to_string(sectors);
    return iecBytes(static_cast<long double>(sectors) * kSectorBytes);
}

std::string sizeNote(bool raw)
{
    return raw ? "Sizes are in 512-byte sectors."
               : "Sizes are IEC units (1 KiB = 1024 bytes) of 512-byte sectors; -H shows raw sectors.";
}

}  // namespace zdfront
