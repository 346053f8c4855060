// "RemoveSchedule": removes the stored schedule whose index is the key
// ("Index"). An index that is not stored changes nothing; the result is 0,
// or 1 ("Failed") when the schedule file could not be written.
#pragma once

#include "command/Command.h"

class RemoveSchedule : public Command<unsigned char> {
public:
    RemoveSchedule();
    ~RemoveSchedule() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
