#include "sim/OemEnclosure.h"

#include <cstring>

#include "sim/EventCodes.h"

namespace {

template <typename Packet>
bool validPacket(const Packet& packet) {
    return packet.length == ZD_OEM_PACKET_LENGTH && std::memcmp(packet.signature, ZD_OEM_SIGNATURE, 4) == 0;
}

enum : uint8_t {
    kLowPower = 0,
    kBuzzerOff = 1,
    kIdentify = 2,
    kAlarmDisabled = 4,
    kAlarmEnabled = 5,
    kSoundAlarm = 10,
};

}  // namespace

uint8_t OemEnclosure::get(_Adapter_OEM_Data& p) const {
    if (!validPacket(p)) return 7;
    const EnclosureState& e = m_adapter.enclosure;
    switch (p.oem_type) {
    case ZD_OEM_RAID_STATUS: {
        uint8_t worst = 0;
        for (const auto& [id, g] : m_adapter.groups) {
            if (m_adapter.groupOffline(g)) {
                worst = 2;
            } else if (m_adapter.failedMembers(g) != 0 && worst < 1) {
                worst = 1;
            }
        }
        p.oem_value = worst;
        p.oem_id = static_cast<uint8_t>(m_adapter.groups.size());
        return 0;
    }
    case ZD_OEM_DRIVE_STATUS: {
        uint8_t failed = 0;
        uint8_t present = 0;
        for (const auto& [id, d] : m_adapter.disks) {
            if (!d.present) continue;
            ++present;
            if (d.offline) failed = 1;
        }
        p.oem_value = failed;
        p.oem_id = present;
        return 0;
    }
    case ZD_OEM_FAN_STATUS:
        p.oem_value = 0;
        p.oem_id = 1;
        return 0;
    case ZD_OEM_NXP_VERSION:
        p.oem_value = static_cast<uint8_t>(e.nxpVersion >> 24);
        p.oem_id = static_cast<uint8_t>(e.nxpVersion >> 16);
        p.force = static_cast<uint8_t>(e.nxpVersion >> 8);
        p.oem_byte12 = static_cast<uint8_t>(e.nxpVersion);
        return 0;
    case ZD_OEM_BUZZER_STATUS:
        p.oem_value = e.buzzerStatus;
        p.oem_id = 0;
        return 0;
    case ZD_OEM_BUZZER_RINGING:
        p.oem_value = e.buzzerRinging;
        p.oem_id = 0;
        return 0;
    default: return 7;
    }
}

uint8_t OemEnclosure::set(const _Adapter_OEM_Data& p) {
    if (!validPacket(p)) return 7;
    if (p.oem_type != ZD_OEM_USER_REQUEST) return 19;
    EnclosureState& e = m_adapter.enclosure;
    switch (p.oem_value) {
    case kLowPower: e.lowPower = 1; break;
    case kBuzzerOff: e.buzzerRinging = 0; break;
    case kIdentify: e.identify = 1; break;
    case kAlarmDisabled:
        e.buzzerStatus = 0;
        e.buzzerRinging = 0;
        break;
    case kAlarmEnabled: e.buzzerStatus = 1; break;
    case kSoundAlarm:
        if (e.buzzerStatus != 0) e.buzzerRinging = 1;
        break;
    default: return 7;
    }
    m_adapter.event(kEvtOEM, evt::kOemUserRequest, kSevInfo, 0, {p.oem_value, 0, 0, 0});
    return 0;
}

uint8_t OemEnclosure::info(_Adapter_OEM_Info& p) const {
    if (!validPacket(p)) return 7;
    p.support_bits = m_adapter.enclosure.supportBits;
    p.link_type = m_adapter.enclosure.linkType;
    return 0;
}
