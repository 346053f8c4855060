// zdsim-mkimage: writes a valid simulator firmware image.
//
//   zdsim-mkimage --type T --device D --version a.b.c.d --size BYTES OUT
//
// T is the image type (3 for adapter firmware), D the device id, BYTES the
// payload length. Exit status 0 on success, 2 for bad arguments, 1 when the
// file cannot be written.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/zd_sim.h"

namespace {

bool parseNumber(const char* text, unsigned long max, unsigned long& value) {
    char* end = nullptr;
    value = std::strtoul(text, &end, 0);
    return end != text && *end == '\0' && value <= max;
}

bool parseVersion(const char* text, unsigned long (&parts)[4]) {
    std::string rest = text;
    for (int i = 0; i < 4; ++i) {
        size_t dot = rest.find('.');
        if ((i < 3) != (dot != std::string::npos)) return false;
        std::string part = rest.substr(0, dot);
        if (part.empty() || !parseNumber(part.c_str(), 0xFFFF, parts[i])) return false;
        rest = dot == std::string::npos ? "" : rest.substr(dot + 1);
    }
    return true;
}

int usage() {
    std::fprintf(stderr, "usage: zdsim-mkimage --type T --device D --version a.b.c.d --size BYTES OUT\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long type = 3, device = 0, size = 0;
    unsigned long version[4] = {1, 0, 0, 0};
    const char* out = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--type" && hasValue) {
            if (!parseNumber(argv[++i], 0xFF, type)) return usage();
        } else if (arg == "--device" && hasValue) {
            if (!parseNumber(argv[++i], 0xFFFF, device)) return usage();
        } else if (arg == "--version" && hasValue) {
            if (!parseVersion(argv[++i], version)) return usage();
        } else if (arg == "--size" && hasValue) {
            if (!parseNumber(argv[++i], 0xFFFFFFFFul, size)) return usage();
        } else if (out == nullptr && arg.rfind("--", 0) != 0) {
            out = argv[i];
        } else {
            return usage();
        }
    }
    if (out == nullptr) return usage();
    if (zdsim_write_image(out, static_cast<uint8_t>(type), static_cast<uint16_t>(device),
                          static_cast<uint16_t>(version[0]), static_cast<uint16_t>(version[1]),
                          static_cast<uint16_t>(version[2]), static_cast<uint16_t>(version[3]),
                          static_cast<uint32_t>(size)) != 0) {
        std::fprintf(stderr, "zdsim-mkimage: cannot write %s\n", out);
        return 1;
    }
    return 0;
}
