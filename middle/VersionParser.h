// A four-part version number as text: the parts as unsigned decimals
// joined by dots, e.g. "1.2.3.4".
//     VersionParser v; v.parse(info->firmware_version); s->addSingle("FWVersion", v.toString());
#pragma once

#include <cstdint>
#include <string>

class VersionParser {
public:
    // Any version record with the four parts part1 to part4 (the
    // controller's _Version_Info and _Version_Info_CIM).
    template <typename Version>
    void parse(const Version& version) {
        m_text = joinParts(version.part1, version.part2, version.part3, version.part4);
    }
    // A version held as four single bytes, bytes[0] first. A null pointer
    // reads as the empty text.
    void parse(const unsigned char* bytes);

    std::string toString() const { return m_text; }

private:
    static std::string joinParts(uint32_t a, uint32_t b, uint32_t c, uint32_t d);

    std::string m_text;
};
