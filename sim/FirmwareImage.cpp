#include "sim/FirmwareImage.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>

#include "sim/FileDescriptor.h"

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

// CRC-32 (the zlib/IEEE 802.3 one) of the header with its checksum field
// read as zero; the payload's bytes continue it.
uLong headerChecksum(const uint8_t* header) {
    uint8_t copy[kHeaderSize];
    std::memcpy(copy, header, kHeaderSize);
    writeU32(copy + kChecksumOffset, 0);
    return crc32_z(crc32_z(0, nullptr, 0), copy, kHeaderSize);
}

// Checks the header's magic and format version and reads the image's
// description from it.
bool readHeader(const uint8_t* header, FirmwareInfo& info) {
    if (std::memcmp(header, kMagic, sizeof(kMagic)) != 0 || readU16(header + 4) != kFormatVersion) return false;
    info.imageType = header[6];
    info.deviceId = readU16(header + 8);
    info.version.part1 = readU16(header + 12);
    info.version.part2 = readU16(header + 14);
    info.version.part3 = readU16(header + 16);
    info.version.part4 = readU16(header + 18);
    info.payloadLength = readU32(header + 20);
    return true;
}

// Reads up to size bytes; answers how many, or -1 on a read error.
ssize_t readFully(int fd, uint8_t* out, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, out + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

}  // namespace

uint8_t parse(const uint8_t* bytes, size_t size, FirmwareInfo& info) {
    FirmwareInfo read;
    if (size < kHeaderSize || !readHeader(bytes, read) || size - kHeaderSize != read.payloadLength) {
        return kStatusInvalid;
    }
    const uLong crc = crc32_z(headerChecksum(bytes), bytes + kHeaderSize, size - kHeaderSize);
    if (readU32(bytes + kChecksumOffset) != crc) return kStatusInvalid;
    info = read;
    return 0;
}

// Checks the file as parse() checks an image, a chunk at a time, so that a
// large image is never held whole.
uint8_t readFile(const std::string& path, FirmwareInfo& info) {
    const FileDescriptor file = openRegular(path, O_RDONLY);
    if (!file.valid()) return kStatusUnreadable;
    uint8_t header[kHeaderSize];
    const ssize_t headerBytes = readFully(file.get(), header, kHeaderSize);
    if (headerBytes < 0) return kStatusUnreadable;
    FirmwareInfo read;
    if (static_cast<size_t>(headerBytes) < kHeaderSize || !readHeader(header, read)) return kStatusInvalid;
    uLong crc = headerChecksum(header);
    uint64_t payload = 0;
    std::vector<uint8_t> chunk(1 << 20);
    for (;;) {
        const ssize_t n = readFully(file.get(), chunk.data(), chunk.size());
        if (n < 0) return kStatusUnreadable;
        if (n == 0) break;
        crc = crc32_z(crc, chunk.data(), static_cast<size_t>(n));
        payload += static_cast<uint64_t>(n);
    }
    if (payload != read.payloadLength || readU32(header + kChecksumOffset) != crc) return kStatusInvalid;
    info = read;
    return 0;
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
    const uLong crc = crc32_z(headerChecksum(image.data()), image.data() + kHeaderSize, payloadBytes);
    writeU32(&image[kChecksumOffset], static_cast<uint32_t>(crc));
    return image;
}

bool writeFile(const std::string& path, const FirmwareInfo& info, uint32_t payloadBytes) {
    std::vector<uint8_t> image = build(info, payloadBytes);
    // Often written into /tmp: a link planted at the name is refused, not followed.
    FileDescriptor out = openRegular(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0644);
    return out.valid() && writeAll(out.get(), image.data(), image.size());
}

}  // namespace firmware
