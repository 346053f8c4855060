#include "front/DiskActions.h"

#include "front/ArrayActions.h"
#include "front/Enclosure.h"
#include "front/Error.h"

namespace zdfront {

unsigned failuresTolerated(uint64_t raid)
{
    switch (raid) {
    case 1: return 1;
    case 5: return 1;
    case 6: return 2;
    case 16: return 1;  // RAID 10: one per mirror, one for certain
    case 17: return 1;
    case 80: return 1;  // RAID 50: one per span, one for certain
    case 96: return 2;
    default: return 0;
    }
}

DiskFreeing::DiskFreeing(Session& session, uint64_t id)
{
    Adapter adapter = Enclosure::readAdapter(session);
    std::vector<Array> arrays = Enclosure::readArrays(session);
    std::vector<Disk> disks = Enclosure::readDisks(session, arrays, adapter.maxDisks);
    m_disk = Enclosure::readDisk(session, id);
    const std::string name = "disk " + std::to_string(id);
    m_plan.action = "wipe the RAID metadata of " + name;
    m_plan.losses.push_back("the RAID metadata of " + name + " will be wiped");
    m_plan.needsConfirmation = true;
    m_plan.confirmationText = name;

    for (const Array& array : arrays) {
        if (m_disk.array == array.id) {
            unsigned failed = 0;
            for (uint64_t member : array.disks) {
                bool working = false;
                for (const Disk& disk : disks)
                    working = working || (disk.id == member && disk.present && !Health::diskFailed(disk.status.value));
                if (!working && member != id) ++failed;
            }
            bool offline = failed + 1 > failuresTolerated(array.raid.value);
            m_plan.override = Override::MemberDisk;
            m_plan.overrideReason = name + " is a member of " + describe(array) + "; freeing it takes the array " +
                                    (offline ? "offline and its data out of reach" : "into a degraded state");
            m_plan.losses.push_back(describe(array) + (offline ? " will go offline" : " will be degraded"));
            m_plan.confirmationText = confirmationName(array);
        }
        if (m_disk.dedicatedSpareOf == array.id) {
            m_plan.override = Override::MemberDisk;
            m_plan.overrideReason = name + " is the dedicated spare of " + describe(array) +
                                    "; freeing it leaves the array without that spare";
            m_plan.losses.push_back(describe(array) + " will lose its dedicated spare");
        }
    }
}

Outcome DiskFreeing::execute(Session& session, const Consent& consent)
{
    requireConsent(m_plan, consent);
    session.command(Request("SetPDFree").field("ID", m_disk.id), "wiping the disk");
    Disk after = Enclosure::readDisk(session, m_disk.id);
    Outcome outcome;
    outcome.done.push_back("disk " + std::to_string(m_disk.id) + " is now " + after.status.text);
    if (after.array || after.dedicatedSpareOf) {
        outcome.partial = true;
        outcome.warnings.push_back("disk " + std::to_string(m_disk.id) + " still belongs to an array");
    }
    return outcome;
}

}  // namespace zdfront
