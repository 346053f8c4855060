#include "front/SpareActions.h"

#include "front/ArrayActions.h"
#include "front/Enclosure.h"
#include "front/Error.h"

namespace zdfront {

namespace {

std::string diskName(uint64_t disk) { return "disk " + std::to_string(disk); }

}  // namespace

Outcome makeSpare(Session& session, uint64_t disk, std::optional<uint64_t> array)
{
    Enclosure::readDisk(session, disk);
    Outcome outcome;
    if (array) {
        Array target = Enclosure::readArray(session, *array, false);
        session.command(Request("PackageVDDSpare").field("PackageVDID", *array).field("DiskID", disk), "dedicated spare");
        Disk after = Enclosure::readDisk(session, disk);
        if (after.dedicatedSpareOf != *array)
            throw Error(ErrorKind::Refused, "the controller answered success but " + diskName(disk) +
                                                " is not the dedicated spare of " + describe(target) + " (it is " +
                                                after.status.text + ")");
        outcome.done.push_back(diskName(disk) + " is now the dedicated spare of " + describe(target));
        return outcome;
    }
    session.command(Request("SparePD").field("DiskID", disk), "global spare");
    Disk after = Enclosure::readDisk(session, disk);
    // A degraded array may take a new spare at once and start its rebuild.
    if (after.array) {
        outcome.done.push_back(diskName(disk) + " became a global spare and was taken into array " +
                               std::to_string(*after.array) + " at once (" + after.status.text + ")");
        return outcome;
    }
    if (!Health::diskIsSpare(after.status.value) || after.dedicatedSpareOf)
        throw Error(ErrorKind::Refused, "the controller answered success but " + diskName(disk) +
                                            " is not a global spare (it is " + after.status.text + ")");
    outcome.done.push_back(diskName(disk) + " is now a global spare (" + after.status.text + ")");
    return outcome;
}

Outcome releaseSpare(Session& session, uint64_t disk)
{
    Enclosure::readDisk(session, disk);
    session.command(Request("FreePD").field("DiskID", disk), "freeing the spare");
    Disk after = Enclosure::readDisk(session, disk);
    if (Health::diskIsSpare(after.status.value) || after.dedicatedSpareOf)
        throw Error(ErrorKind::Refused, "the controller answered success but " + diskName(disk) + " is still a spare (" +
                                            after.status.text + ")");
    Outcome outcome;
    outcome.done.push_back(diskName(disk) + " is a free disk again (" + after.status.text + ")");
    return outcome;
}

}  // namespace zdfront
