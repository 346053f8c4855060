// "InitSchedule": accepted for front ends that send it; does nothing and
// answers 0.
#pragma once

#include "command/CommandInterface.h"

class InitSchedule : public CommandInterface {
public:
    InitSchedule();
    ~InitSchedule() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;
};
