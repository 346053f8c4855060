// SpareActions: making a disk a global or dedicated spare and freeing it
// again, each read back from the disk's state (see front/Plan.h).
//
// A spare takes no data away, so these ask for no consent; a disk that the
// controller accepted but does not report as the spare asked for is an
// Error Refused, never a success.
//
//   Outcome outcome = makeSpare(session, 5, std::nullopt);   // global spare
//   outcome = makeSpare(session, 5, 0);                      // dedicated to array 0
//   outcome = releaseSpare(session, 5);
#pragma once

#include <cstdint>
#include <optional>

#include "front/Bridge.h"
#include "front/Plan.h"

namespace zdfront {

Outcome makeSpare(Session& session, uint64_t disk, std::optional<uint64_t> array);
Outcome releaseSpare(Session& session, uint64_t disk);

}  // namespace zdfront
