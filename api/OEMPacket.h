// The 72-byte OEM request sent to the enclosure through
// ZD_Adapter_Get_OEM_Data / ZD_Adapter_Set_OEM_Data: length 72, the
// signature "1C19" (no NUL), then type, value, id and force; every other
// byte zero. The enclosure answers in the same block.
#pragma once

#include <cstdint>
#include <cstring>

#include "api/records/Records.h"

inline _Adapter_OEM_Data makeOEMPacket(uint8_t type, uint8_t value = 0, uint8_t id = 0, uint8_t force = 0) {
    _Adapter_OEM_Data packet;
    std::memset(&packet, 0, sizeof packet);
    packet.length = ZD_OEM_PACKET_LENGTH;
    std::memcpy(packet.signature, ZD_OEM_SIGNATURE, sizeof packet.signature);
    packet.oem_type = type;
    packet.oem_value = value;
    packet.oem_id = id;
    packet.force = force;
    return packet;
}
