// "GetMigrateTarget": the capacity the array whose virtual disk id is the
// key ("ID") would offer after a migration to the requested RAID level
// ("RAID", "ParityNumber") and disks ("Disks").
//
// run() checks the level, the disk count and that the level's rank does not
// fall; the target must keep at least one of the array's disks and must not
// be exactly its own disks; the computed capacity must not shrink below the
// disk group's. The answer is <GetMigrateTarget> with "Available", "Backup"
// and "Unused"; a refused target answers "Available" 0.
#pragma once

#include "condition/TargetCalculation.h"

class MigrateTarget : public TargetCalculation {
public:
    MigrateTarget();
    ~MigrateTarget() override = default;

    void prepare(unsigned char adapterId) override;
    void run() override;

private:
    // Adds the requested disks' sizes and checks them against the members.
    void checkDisks(const _DG_Info& group);
    void logTitle(const char* title);

    bool m_noOldMember = true;
    bool m_noNewDisk = true;
};
