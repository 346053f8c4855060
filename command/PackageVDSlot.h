// The virtual disk of a package VD.
//
// A disk group has 32 virtual-disk slots (an empty slot holds 0xFFFF); the
// package VD's virtual disk is the one in the first slot that is not empty.
#pragma once

#include <cstdint>

#include "api/records/Records.h"

// Index of the first used slot, or ZD_DG_LD_SLOTS when every slot is empty.
inline unsigned packageVDSlot(const _DG_Info& group) {
    unsigned slot = 0;
    while (slot < ZD_DG_LD_SLOTS && group.ld_ids[slot] == ZD_EMPTY_ID) ++slot;
    return slot;
}

// The package VD's virtual disk id, or `none` when every slot is empty.
inline uint16_t packageVDId(const _DG_Info& group, uint16_t none) {
    unsigned slot = packageVDSlot(group);
    return slot < ZD_DG_LD_SLOTS ? group.ld_ids[slot] : none;
}
