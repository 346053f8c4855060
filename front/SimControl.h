// SimControl: the controller simulator's control interface, when the
// controller library that the bridge loaded is the simulator.
//
// Looks up the already loaded libzd_api.so (dlopen with RTLD_NOLOAD, so
// it must be created after the BridgeClient) and binds the zdsim_*
// functions of sim/zd_sim.h. Against the vendor's library available() is
// false and every operation throws Error. ZD_SIM_PAGE_DELAY_MS, when set,
// slows the simulator's firmware page writes so that an upload can be watched.
#pragma once

#include <cstdint>
#include <string>

namespace zdfront {

class SimControl {
public:
    SimControl();
    ~SimControl();
    SimControl(const SimControl&) = delete;
    SimControl& operator=(const SimControl&) = delete;

    bool available() const { return m_reset != nullptr; }

    void failDisk(uint8_t adapter, uint16_t disk) const;
    void pullDisk(uint8_t adapter, uint16_t disk) const;
    void insertDisk(uint8_t adapter, uint16_t disk) const;
    void reset() const;
    // Manual clock: activities move only when advanced (every process
    // sharing the state file sees the same clock); otherwise wall time.
    void useManualClock(bool manual) const;
    void advance(uint64_t milliseconds) const;
    // Stripes of the array's virtual disk whose redundancy does not match its data.
    void setInconsistentStripes(uint8_t adapter, uint16_t array, uint32_t stripes) const;
    void writeImage(const std::string& path, uint8_t type, uint16_t deviceId, const uint16_t version[4],
                    uint32_t payloadBytes) const;

private:
    void require() const;

    void* m_handle = nullptr;
    int (*m_failDisk)(uint8_t, uint16_t) = nullptr;
    int (*m_pullDisk)(uint8_t, uint16_t) = nullptr;
    int (*m_insertDisk)(uint8_t, uint16_t) = nullptr;
    int (*m_reset)() = nullptr;
    int (*m_useManualClock)(int) = nullptr;
    int (*m_advance)(uint64_t) = nullptr;
    int (*m_setInconsistentStripes)(uint8_t, uint16_t, uint32_t) = nullptr;
    void (*m_setPageDelay)(uint32_t) = nullptr;
    int (*m_writeImage)(const char*, uint8_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t, uint32_t) = nullptr;
};

}  // namespace zdfront
