// The text form of the shared enclosure, as the state file (ZD_SIM_STATE)
// holds it: a JSON document with "format_version" 2, the clock (manual or
// wall, the manual counter, the time scale), the next adapter uid and every
// adapter with its disks, arrays, activities and queued events.
//
// decode() checks what it reads: a document of another format version, or
// one whose records refer to ids that do not exist, is refused with the
// reason, so that a hand-edited file cannot make the simulator follow a
// dangling reference.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/AdapterModel.h"
#include "sim/SimClock.h"

namespace state {

constexpr int kFormatVersion = 2;

// Everything processes share: the file's content as objects.
struct SharedState {
    SimClock::Setting clock;
    uint32_t nextAdapterUid = 1;
    std::vector<std::shared_ptr<AdapterModel>> adapters;
};

std::string encode(const SimClock& clock, uint32_t nextAdapterUid,
                   const std::vector<std::shared_ptr<AdapterModel>>& adapters);
// The state the text holds, its adapters running on `clock`; nothing, with
// the reason in why, when the text is not a valid state.
std::optional<SharedState> decode(const std::string& text, const SimClock* clock, std::string& why);

}  // namespace state
