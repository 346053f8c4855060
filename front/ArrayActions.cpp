#include "front/ArrayActions.h"

#include <algorithm>
#include <set>

#include "front/Enclosure.h"
#include "front/Error.h"
#include "front/Sizes.h"
#include "front/Validation.h"

namespace zdfront {

namespace {

std::set<uint64_t> arrayIds(Session& session)
{
    std::set<uint64_t> ids;
    for (const Record& array : session.list("PackageVD")) ids.insert(array.number("ID"));
    return ids;
}

std::string describe(const Schedule& schedule)
{
    return "schedule " + std::to_string(schedule.index) + " (" + schedule.activity.text + ", " +
           schedule.whenText() + ")";
}

}  // namespace

uint64_t parityDisks(uint64_t raid)
{
    switch (raid) {
    case 5: return 1;
    case 6: return 2;
    case 80: return 2;
    case 96: return 2;
    default: return 0;
    }
}

std::string raidNeeds(const std::string& raidText)
{
    if (raidText == "RAID 0") return "2 or more disks, no redundancy";
    if (raidText == "RAID 1") return "exactly 2 disks, mirrored";
    if (raidText == "RAID 5") return "3 or more disks; one disk's capacity holds parity";
    if (raidText == "RAID 6") return "4 or more disks; two disks' capacity holds parity";
    if (raidText == "RAID 10") return "an even number of disks, 4 or more";
    if (raidText == "RAID 50") return "an even number of disks, 6 or more";
    if (raidText == "RAID 60") return "an even number of disks, 8 or more";
    return "what the controller's capacity preview accepts (see --dry-run)";
}

std::string describe(const Array& array)
{
    return "array " + std::to_string(array.id) + " \"" + array.name + "\" (" + array.raid.text + ", " +
           sizeText(array.sizeSectors, false) + ")";
}

std::string joinedIds(const std::vector<uint64_t>& ids)
{
    std::string text;
    for (uint64_t id : ids) text += (text.empty() ? "" : ", ") + std::to_string(id);
    return text;
}

std::string confirmationName(const Array& array)
{
    return array.name.empty() ? "array " + std::to_string(array.id) : array.name;
}

std::optional<Capacity> creationPreview(Session& session, uint64_t raid, const std::vector<uint64_t>& disks)
{
    Request target = Request("GetCreateTarget").field("RAID", raid).field("ParityNumber", parityDisks(raid))
                         .list("Disks", "ID", disks);
    try {
        return Enclosure::readCapacity(session, target);
    } catch (const Error& error) {
        if (error.kind() != ErrorKind::Failure) throw;  // only a missing condition goes on without
    }
    return std::nullopt;
}

ArrayCreation::ArrayCreation(Session& session, NewArray wanted) : m_wanted(std::move(wanted))
{
    Validation::name(m_wanted.name, kMaxArrayNameBytes, "an array name");
    if (m_wanted.disks.empty()) throw Error(ErrorKind::Usage, "an array needs at least one disk");
    std::vector<Array> arrays = Enclosure::readArrays(session);
    Adapter adapter = Enclosure::readAdapter(session);
    std::vector<Disk> disks = Enclosure::readDisks(session, arrays, adapter.maxDisks);
    for (uint64_t id : m_wanted.disks) Validation::disk(disks, id, session.adapter());
    if (m_wanted.spare) {
        Validation::disk(disks, *m_wanted.spare, session.adapter());
        if (std::count(m_wanted.disks.begin(), m_wanted.disks.end(), *m_wanted.spare))
            throw Error(ErrorKind::Usage, "disk " + std::to_string(*m_wanted.spare) +
                                              " cannot be both a member and the spare of the new array");
    }
    bool supported = adapter.raidLevels.empty();
    for (const Enumerated& level : adapter.raidLevels) supported = supported || level.value == m_wanted.raid;
    const std::string raidText = session.ranges().text("RAID", m_wanted.raid);
    if (!supported) throw Error(ErrorKind::Usage, "adapter " + std::to_string(adapter.id) + " does not offer " + raidText);
    m_title = raidText + " on disks " + joinedIds(m_wanted.disks);

    m_preview = creationPreview(session, m_wanted.raid, m_wanted.disks);
}

Outcome ArrayCreation::execute(Session& session)
{
    if (!buildable())
        throw Error(ErrorKind::Refused, "the controller cannot build " + m_title + ": its capacity preview gives " +
                                            "no capacity (" + raidNeeds(session.ranges().text("RAID", m_wanted.raid)) + ")");
    std::set<uint64_t> before = arrayIds(session);
    Request request("CreatePackageVD");
    request.field("Name", m_wanted.name).field("RAID", m_wanted.raid).field("ParityNumber", parityDisks(m_wanted.raid))
        .list("Disks", "ID", m_wanted.disks).field("StripeSize", m_wanted.stripe).field("InitType", m_wanted.init)
        .field("PDCache", m_wanted.diskCache).field("Spare", m_wanted.spare ? 1 : 0)
        .field("SpareDiskID", m_wanted.spare.value_or(0));
    uint8_t code = session.commandCode(request);

    std::optional<uint64_t> created;
    for (uint64_t id : arrayIds(session))
        if (!before.count(id)) created = id;
    if (!created) {
        if (code != 0) throw Error(ErrorKind::Refused, session.refusal("array creation", code), code);
        throw Error(ErrorKind::Refused, "the controller answered success but no new array appeared");
    }

    Outcome outcome;
    outcome.created["array"] = *created;
    Array array = Enclosure::readArray(session, *created, false);
    outcome.done.push_back("created " + describe(array) + " on disks " + joinedIds(array.disks));
    if (array.name != m_wanted.name) {
        outcome.partial = true;
        outcome.warnings.push_back("the array is named \"" + array.name + "\", not \"" + m_wanted.name + "\"");
    }
    if (m_wanted.spare) {
        Disk spare = Enclosure::readDisk(session, *m_wanted.spare);
        bool set = std::count(array.spares.begin(), array.spares.end(), *m_wanted.spare) ||
                   spare.dedicatedSpareOf == *created;
        if (set) {
            outcome.done.push_back("disk " + std::to_string(*m_wanted.spare) + " is its dedicated spare");
        } else {
            outcome.partial = true;
            outcome.warnings.push_back("disk " + std::to_string(*m_wanted.spare) + " was not made its spare" +
                                       (code != 0 ? ": " + session.refusal("the spare", code) : std::string()));
        }
    } else if (code != 0) {
        outcome.partial = true;
        outcome.warnings.push_back(session.refusal("part of the creation", code));
    }
    return outcome;
}

ArrayDeletion::ArrayDeletion(Session& session, uint64_t id)
    : m_array(Enclosure::readArray(session, id, false)), m_schedules(Enclosure::readSchedulesOf(session, id))
{
    m_plan.action = "delete array " + std::to_string(id) + " \"" + m_array.name + "\"";
    m_plan.losses.push_back(describe(m_array) + " will be destroyed with all data on it");
    for (const Schedule& schedule : m_schedules) m_plan.notes.push_back(describe(schedule) + " will be removed");
    m_plan.needsConfirmation = true;
    m_plan.confirmationText = confirmationName(m_array);
}

Outcome ArrayDeletion::execute(Session& session, const Consent& consent)
{
    requireConsent(m_plan, consent);
    session.command(Request("DeletePackageVD").field("ID", m_array.id), "array deletion");
    if (arrayIds(session).count(m_array.id))
        throw Error(ErrorKind::Refused, "the controller answered success but " + describe(m_array) + " is still there");
    Outcome outcome;
    outcome.done.push_back("deleted " + describe(m_array));
    for (const Schedule& schedule : m_schedules) {
        uint8_t code = session.commandCode(Request("RemoveSchedule").field("Index", schedule.index));
        bool gone = true;
        for (const Schedule& left : Enclosure::readSchedules(session)) gone = gone && left.index != schedule.index;
        if (gone) {
            outcome.done.push_back("removed " + describe(schedule));
        } else {
            outcome.partial = true;
            outcome.warnings.push_back(describe(schedule) + " was not removed" +
                                       (code ? ": " + session.refusal("its removal", code) : std::string()) +
                                       "; remove it with zdctl schedule remove " + std::to_string(schedule.index));
        }
    }
    return outcome;
}

ArrayInitialisation::ArrayInitialisation(Session& session, uint64_t id, uint64_t initType)
    : m_array(Enclosure::readArray(session, id, false)), m_type(initType)
{
    m_plan.action = "initialise array " + std::to_string(id) + " \"" + m_array.name + "\"";
    m_plan.losses.push_back("all data on " + describe(m_array) + " will be erased");
    m_plan.needsConfirmation = true;
    m_plan.confirmationText = confirmationName(m_array);
}

Outcome ArrayInitialisation::execute(Session& session, const Consent& consent)
{
    requireConsent(m_plan, consent);
    session.command(Request("InitPackageVD").field("ID", m_array.id).field("InitType", m_type), "initialisation");
    Outcome outcome;
    outcome.done.push_back(session.ranges().text("InitType", m_type) + " initialisation of " + describe(m_array) +
                           " started");
    return outcome;
}

ArrayMigration::ArrayMigration(Session& session, uint64_t id, uint64_t raid, std::vector<uint64_t> disks)
    : m_array(Enclosure::readArray(session, id, false)), m_raid(raid), m_disks(std::move(disks))
{
    std::vector<Disk> all = Enclosure::readDisks(session, {}, 0);
    for (uint64_t disk : m_disks) Validation::disk(all, disk, session.adapter());
    m_title = "array " + std::to_string(id) + " from " + m_array.raid.text + " to " + session.ranges().text("RAID", raid) +
              " on disks " + joinedIds(m_disks);
    m_preview = Enclosure::readCapacity(session, Request("GetMigrateTarget").field("ID", id).field("RAID", raid)
                                                     .field("ParityNumber", parityDisks(raid))
                                                     .list("Disks", "ID", m_disks));
    m_plan.action = "migrate " + m_title;
    m_plan.notes.push_back(describe(m_array) + " is rebuilt in place; the migration cannot be undone");
    m_plan.needsConfirmation = true;
    m_plan.confirmationText = confirmationName(m_array);
}

Outcome ArrayMigration::execute(Session& session, const Consent& consent)
{
    requireConsent(m_plan, consent);
    if (!possible()) throw Error(ErrorKind::Refused, "the controller cannot migrate " + m_title);
    session.command(Request("MigratePackageVD").field("ID", m_array.id).field("RAID", m_raid)
                        .field("ParityNumber", parityDisks(m_raid)).list("Disks", "ID", m_disks),
                    "migration");
    Outcome outcome;
    outcome.done.push_back("migration of " + m_title + " started");
    return outcome;
}

}  // namespace zdfront
