// One record of a controller list read with a one-record request and copied
// out of the wrapper: `found` tells whether the controller answered it
// (otherwise the copy is the wrapper's empty record).
//
//   bool found = false;
//   const _DG_Info group = readSingleRecord<APIDGInfoData>(adapter, groupId, found);
#pragma once

#include <cstdint>

template <typename ListData>
auto readSingleRecord(uint8_t adapter, uint16_t key, bool& found) {
    ListData list;
    list.readSingle(adapter);
    return *list.getData(key, found);
}
