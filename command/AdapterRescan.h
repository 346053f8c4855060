// "Rescan": makes the controller library look for adapters again. Slots of
// the NXP version cache from the new adapter count up to 7 are
// invalidated, so an adapter that appears there later is asked afresh.
#pragma once

#include "command/CommandInterface.h"

class NxpVersionCache;

class AdapterRescan : public CommandInterface {
public:
    explicit AdapterRescan(NxpVersionCache& nxpCache);
    ~AdapterRescan() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;

private:
    NxpVersionCache& m_nxpCache;
};
