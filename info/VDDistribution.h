// How the raw capacity of an array's member disks divides into usable space
// ("Available", the virtual disk's size), redundancy ("Backup", by RAID level)
// and what is left ("Unused").
//
//     VDDistribution d;
//     d.reset(raidLevel, diskCount, parityCount);
//     d.setVDSize(vd.size);
//     for (each member disk) d.add_disk(disk.size);
//     d.distribution(structure);   // adds Available, Backup, Unused
//
// Sizes stay in the controller's unit; arithmetic is unsigned 64-bit with
// truncating division, every divisor guarded.
#pragma once

#include <cstdint>

#include "api/records/Records.h"

class StructMiddle;

class VDDistribution {
public:
    VDDistribution();

    // Starts a new array; total and virtual disk size go back to 0.
    void reset(uint8_t raidLevel, uint8_t diskCount, uint8_t parityCount);
    void setVDSize(const ZD_U64& size);
    void add_disk(const ZD_U64& size);
    // Adds "Available", "Backup" and "Unused" to the structure.
    void distribution(StructMiddle* structure) const;

private:
    uint64_t backup() const;

    ZD_U64 m_total;
    uint8_t m_raidLevel;
    ZD_U64 m_vdSize;
    uint8_t m_diskCount;
    uint8_t m_parityCount;
};
