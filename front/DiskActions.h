// DiskActions: wiping a disk's RAID metadata ("disk free") behind the guard
// that protects the arrays it belongs to (see front/Plan.h).
//
//   DiskFreeing freeing(session, 2);
//   freeing.plan().override == Override::MemberDisk  // disk 2 is in an array
#pragma once

#include <cstdint>

#include "front/Bridge.h"
#include "front/Model.h"
#include "front/Plan.h"

namespace zdfront {

class DiskFreeing {
public:
    DiskFreeing(Session& session, uint64_t id);  // Error NotFound
    const Plan& plan() const { return m_plan; }
    Outcome execute(Session& session, const Consent& consent);

private:
    Disk m_disk;
    Plan m_plan;
};

// How many failed members an array of this RAID level survives.
unsigned failuresTolerated(uint64_t raid);

}  // namespace zdfront
