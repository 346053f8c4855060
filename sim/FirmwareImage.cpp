#include "sim/FirmwareImage.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace firmware {
namespace {

constexpr char kMagic[4] = {'Z', 'D', 'F', 'W'};
constexpr size_t kChecksumOffset = 24;

uint16_t readU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t readU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void writeU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void writeU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t imageChecksum(const uint8_t* bytes, size_t size) {
    uint8_t header[kHeaderSize];
    std::memcpy(header, bytes, kHeaderSize);
    writeU32(header + kChecksumOffset, 0);
    uint32_t crc = crc32(header, kHeaderSize);
    return crc32(bytes + kHeaderSize, size - kHeaderSize, crc);
}

}  // namespace

uint32_t crc32(const uint8_t* bytes, size_t size, uint32_t crc) {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

uint8_t parse(const uint8_t* bytes, size_t size, FirmwareInfo& info) {
    if (size < kHeaderSize || std::memcmp(bytes, kMagic, sizeof(kMagic)) != 0) return kStatusInvalid;
    if (readU16(bytes + 4) != kFormatVersion) return kStatusInvalid;
    uint32_t payload = readU32(bytes + 20);
    if (size - kHeaderSize != payload) return kStatusInvalid;
    if (readU32(bytes + kChecksumOffset) != imageChecksum(bytes, size)) return kStatusInvalid;
    info.imageType = bytes[6];
    info.deviceId = readU16(bytes + 8);
    info.version.part1 = readU16(bytes + 12);
    info.version.part2 = readU16(bytes + 14);
    info.version.part3 = readU16(bytes + 16);
    info.version.part4 = readU16(bytes + 18);
    info.payloadLength = payload;
    return 0;
}

uint8_t readFile(const std::string& path, FirmwareInfo& info) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return kStatusUnreadable;
    std::vector<uint8_t> bytes;
    try {  // reading a directory throws from the stream buffer whatever the stream's exception mask
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return kStatusUnreadable;
    }
    if (in.bad()) return kStatusUnreadable;
    return parse(bytes.data(), bytes.size(), info);
}

std::vector<uint8_t> build(const FirmwareInfo& info, uint32_t payloadBytes) {
    std::vector<uint8_t> image(kHeaderSize + payloadBytes, 0);
    std::memcpy(image.data(), kMagic, sizeof(kMagic));
    writeU16(&image[4], kFormatVersion);
    image[6] = info.imageType;
    writeU16(&image[8], info.deviceId);
    writeU16(&image[12], info.version.part1);
    writeU16(&image[14], info.version.part2);
    writeU16(&image[16], info.version.part3);
    writeU16(&image[18], info.version.part4);
    writeU32(&image[20], payloadBytes);
    uint32_t filler = 0x9E3779B9u ^ info.deviceId;
    for (uint32_t i = 0; i < payloadBytes; ++i) {
        filler = filler * 1664525u + 1013904223u;
        image[kHeaderSize + i] = static_cast<uint8_t>(filler >> 24);
    }
    writeU32(&image[kChecksumOffset], imageChecksum(image.data(), image.size()));
    return image;
}

bool writeFile(const std::string& path, const FirmwareInfo& info, uint32_t payloadBytes) {
    std::vector<uint8_t> image = build(info, payloadBytes);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    return static_cast<bool>(out);
}

}  // namespace firmware
