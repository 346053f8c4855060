// The NXP version each adapter index 0 to 7 reported last: the one controller
// answer kept across front-end calls (asking the enclosure is slow).
//
// The dispatcher owns one cache. The "Adapter" provider fills a slot the first
// time it describes that adapter; the rescan command forgets the slots from
// the new adapter count up, so an adapter that appears there later is asked
// afresh.
//
//   if (!cache.valid(id)) { bool found = false; const auto& r = *nxp.getData(id, found); cache.store(id, r, found); }
#pragma once

#include <cstdint>

#include "api/records/Records.h"

class NxpVersionCache {
public:
    static constexpr uint8_t kSlots = 8;

    bool valid(uint8_t slot) const { return slot < kSlots && m_valid[slot]; }
    // The OEM reply holding the version (bytes 9 to 12); slot below kSlots.
    const _Adapter_OEM_Data& reply(uint8_t slot) const { return m_replies[slot]; }
    void store(uint8_t slot, const _Adapter_OEM_Data& reply, bool valid) {
        if (slot >= kSlots) return;
        m_replies[slot] = reply;
        m_valid[slot] = valid;
    }
    // Forgets every slot from firstSlot on.
    void forgetFrom(unsigned firstSlot) {
        for (unsigned slot = firstSlot; slot < kSlots; ++slot) m_valid[slot] = false;
    }

private:
    _Adapter_OEM_Data m_replies[kSlots] = {};
    bool m_valid[kSlots] = {};
};
