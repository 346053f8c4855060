// "Adapter": the description of the RAID adapters.
//
// getSingle(key = adapter index) answers one "Adapter" structure with the
// adapter's versions (including the enclosure's NXP version, asked once per
// adapter and kept in the dispatcher's cache), identity, limits, supported
// stripe sizes and RAID levels, configuration and OEM details; it answers
// whether the adapter's configuration could be read. getArray answers
// "Adapters" with ID, SubDevice, MaxPD and Alias of every adapter.
#pragma once

#include "info/Info.h"

class NxpVersionCache;

class AdapterInfo : public Info {
public:
    explicit AdapterInfo(NxpVersionCache& nxpCache);

    bool getSingle(uint32_t adapterId, const std::string& key, std::string& result) override;
    void getArray(uint32_t adapterId, std::string& result) override;

private:
    NxpVersionCache& m_nxpCache;
};
