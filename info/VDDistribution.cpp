#include "info/VDDistribution.h"

#include "base/Log.h"
#include "info/FieldText.h"
#include "middle/StructMiddle.h"

namespace {

// RAID levels of the "RAID" table with redundancy.
enum : uint8_t { kRaid1 = 1, kRaid5 = 5, kRaid6 = 6, kRaid10 = 16, kRaid50 = 80, kRaid60 = 96 };

}  // namespace

VDDistribution::VDDistribution()
    : m_total{0, 0}, m_raidLevel(0), m_vdSize{0, 0}, m_diskCount(0), m_parityCount(0) {}

void VDDistribution::reset(uint8_t raidLevel, uint8_t diskCount, uint8_t parityCount) {
    m_raidLevel = raidLevel;
    m_diskCount = diskCount;
    m_parityCount = parityCount;
    m_total = ZD_U64{0, 0};
    m_vdSize = ZD_U64{0, 0};

    Log* log = Log::getLog();
    log->startLine(Log::api_data, "VDDistribution reset");
    log->writeFormatInfo("raid 0x%x,pd_count %d,NumParityDisk %d", raidLevel, diskCount, parityCount);
    log->endLine();
    Log::clear();
}

void VDDistribution::setVDSize(const ZD_U64& size) {
    m_vdSize = size;

    Log* log = Log::getLog();
    log->startLine(Log::api_data, "VDDistribution setVDSize");
    log->writeFormatInfo("size 0x%llx", static_cast<unsigned long long>(zdU64Value(size)));
    log->endLine();
    Log::clear();
}

void VDDistribution::add_disk(const ZD_U64& size) { m_total = zdU64Make(zdU64Value(m_total) + zdU64Value(size)); }

uint64_t VDDistribution::backup() const {
    const uint64_t size = zdU64Value(m_vdSize);
    const uint64_t disks = m_diskCount;
    const uint64_t parity = m_parityCount;
    switch (m_raidLevel) {
    case kRaid1:
    case kRaid10:
        return size;
    case kRaid5:
        return disks > 1 ? size / (disks - 1) : 0;
    case kRaid6:
    case kRaid60:
        return parity < disks ? size * parity / (disks - parity) : 0;
    case kRaid50:
        return disks > 4 ? size / (disks / 2 - 1) : 0;
    default:
        return 0;
    }
}

void VDDistribution::distribution(StructMiddle* structure) const {
    const uint64_t total = zdU64Value(m_total);
    const uint64_t available = zdU64Value(m_vdSize);
    const uint64_t redundancy = backup();
    // Written so that no sum can wrap: Unused only when Backup + Available < total.
    const uint64_t unused =
        (redundancy < total && available < total - redundancy) ? total - redundancy - available : 0;
    structure->addSingle("Available", u64Text(m_vdSize));
    structure->addSingle("Backup", u64Text(zdU64Make(redundancy)));
    structure->addSingle("Unused", u64Text(zdU64Make(unused)));
}
