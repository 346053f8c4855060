// A four-part version number as text: the parts as unsigned decimals
// joined by dots, e.g. "1.2.3.4".
//     VersionParser v; v.parse(info->firmware_version); s->addSingle("FWVersion", v.toString());
#pragma once

#include <string>

#include "api/records/Records.h"

class VersionParser {
public:
    void parse(const _Version_Info& version);
    void parse(const _Version_Info_CIM& version);
    // A version held as four single bytes, bytes[0] first. A null pointer
    // reads as the empty text.
    void parse(const unsigned char* bytes);

    std::string toString() const { return m_text; }

private:
    std::string m_text;
};
