// "CheckSchedule": starts every stored schedule that is due now.
//
// The front end sends it from time to time; the outcome of each activity
// goes into the schedule file (its "Result"), never into this command's
// result. That is 0, or 1 ("Failed") when the schedule file could not keep
// what the check found (then nothing runs) or what a run did.
#pragma once

#include "command/CommandInterface.h"

class CheckSchedule : public CommandInterface {
public:
    CheckSchedule();
    ~CheckSchedule() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
