// ActivityActions: starting and steering an array's background activities
// (consistency check, rebuild, pause/resume/abort), with the checks and
// read-backs every front end shares (see front/Plan.h).
//
// None of them destroys data, so none asks for consent. Each checks its
// target before the bridge is called (Error NotFound), sends one command
// (Error Refused with the controller's code when it is refused) and reads
// the array back, so the outcome says what the controller now reports.
//
//   Outcome outcome = startCheck(session, 0, /*fix=*/true);
//   outcome = startRebuild(session, 0, {4});
//   outcome = controlActivity(session, 0, "pause");
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "front/Bridge.h"
#include "front/Plan.h"

namespace zdfront {

// "CheckPackageVD": a check only, or a check that repairs what it finds.
Outcome startCheck(Session& session, uint64_t array, bool fix);

// "RebuildPackageVD" onto the given disks, which must exist.
Outcome startRebuild(Session& session, uint64_t array, const std::vector<uint64_t>& disks);

// "PackageVDBGAControl" with a word of the bridge's "BGAControl" table:
// pause, resume or abort. Error Usage for another word.
Outcome controlActivity(Session& session, uint64_t array, const std::string& action);

}  // namespace zdfront
