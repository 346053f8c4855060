// The enclosure's OEM interface of one adapter: the 72-byte request/reply
// packets of ZD_Adapter_Get_OEM_Data, ZD_Adapter_Set_OEM_Data and
// ZD_Adapter_Get_OEM_Info. A packet must carry length 72 and the signature
// "1C19".
//
// Get replies, by oem_type (byte 9 = oem_value, byte 10 = oem_id):
//   2 RAID status:   value 0 all arrays optimal, 1 one degraded, 2 one offline; id = disk groups
//   3 drive status:  value 0 all disks fine, 1 one failed; id = disks present
//   6 fan status:    value 0 (fan fine); id = 1 fan
//   9 NXP version:   bytes 9..12 = A.B.C.D (0 in byte 9: none)
//   12 buzzer status: value 1 alarm enabled, 0 disabled
//   13 buzzer ringing: value 1 ringing, 0 quiet
// Set takes type 8 (user request) with the values 0 low power, 1 buzzer
// off, 2 identify, 10 sound the alarm, 4 alarm disabled, 5 alarm enabled.
#pragma once

#include <cstdint>

#include "api/records/Records.h"
#include "sim/AdapterModel.h"

class OemEnclosure {
public:
    explicit OemEnclosure(AdapterModel& adapter) : m_adapter(adapter) {}

    uint8_t get(_Adapter_OEM_Data& packet) const;
    uint8_t set(const _Adapter_OEM_Data& packet);
    uint8_t info(_Adapter_OEM_Info& packet) const;

private:
    AdapterModel& m_adapter;
};
