// "GetCreateTarget": the capacity a new array of the requested RAID level
// ("RAID", "ParityNumber") on the requested disks ("Disks") would offer.
//
// run() checks the disk count and the level, sums the disks' sizes and asks
// the controller for the capacity with stripe size 64; the answer is
// <GetCreateTarget> with "Available", "Backup" and "Unused", all zero when
// a rule refused the request.
#pragma once

#include "condition/TargetCalculation.h"

class CreateTarget : public TargetCalculation {
public:
    CreateTarget();
    ~CreateTarget() override = default;

    void prepare(unsigned char adapterId) override;
    void run() override;
};
