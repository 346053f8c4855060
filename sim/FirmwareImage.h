// The simulator's firmware image format.
//
// An image is a 32-byte little-endian header followed by the payload:
//
//   offset  width  field
//   0       4      magic "ZDFW"
//   4       u16    format version (1)
//   6       u8     image type (3 = adapter firmware)
//   7       1      reserved, zero
//   8       u16    device id
//   10      2      reserved, zero
//   12      4×u16  version a.b.c.d
//   20      u32    payload length in bytes
//   24      u32    CRC-32 of the header (this field taken as zero) and payload
//   28      4      reserved, zero
//
// A file is valid when it is exactly header plus payload long, carries the
// magic and format version, and its checksum matches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "api/records/Records.h"

struct FirmwareInfo {
    uint8_t imageType = 0;
    uint16_t deviceId = 0;
    _Version_Info_CIM version{};
    uint32_t payloadLength = 0;
};

namespace firmware {

constexpr size_t kHeaderSize = 32;
constexpr uint16_t kFormatVersion = 1;
enum : uint8_t { kStatusUnreadable = 4, kStatusInvalid = 185 };

// Checks a whole image; answers 0 and fills info, or kStatusInvalid.
uint8_t parse(const uint8_t* bytes, size_t size, FirmwareInfo& info);
// Reads and checks an image file; kStatusUnreadable when it cannot be read
// or is not a regular file (a FIFO or device is refused without waiting).
uint8_t readFile(const std::string& path, FirmwareInfo& info);
// A valid image of payloadBytes bytes of filler payload.
std::vector<uint8_t> build(const FirmwareInfo& info, uint32_t payloadBytes);
// Writes build(...) to path; false when the file cannot be written.
bool writeFile(const std::string& path, const FirmwareInfo& info, uint32_t payloadBytes);

}  // namespace firmware
