#include "front/ActivityActions.h"

#include "front/ArrayActions.h"
#include "front/Enclosure.h"
#include "front/Error.h"
#include "front/Validation.h"

namespace zdfront {

namespace {

// "now: Rebuild Running, 3 %", or "now: no activity" when it has already ended.
std::string activityNow(Session& session, uint64_t array)
{
    Array after = Enclosure::readArray(session, array, false);
    if (!after.activity) return describe(after) + " now reports no activity (" + after.status.text + ")";
    return describe(after) + " now reports " + after.activity->type.text + " " + after.activity->status.text + ", " +
           std::to_string(after.activity->percent) + " %";
}

}  // namespace

Outcome startCheck(Session& session, uint64_t array, bool fix)
{
    Array target = Enclosure::readArray(session, array, false);
    uint64_t type = session.ranges().lookup("CheckType", fix ? "Check & Fix" : "Check Only").value_or(fix ? 1 : 0);
    session.command(Request("CheckPackageVD").field("ID", array).field("CheckType", type), "consistency check");
    Outcome outcome;
    outcome.done.push_back(session.ranges().text("CheckType", type) + " of " + describe(target) + " started");
    outcome.done.push_back(activityNow(session, array));
    return outcome;
}

Outcome startRebuild(Session& session, uint64_t array, const std::vector<uint64_t>& disks)
{
    Array target = Enclosure::readArray(session, array, false);
    if (disks.empty()) throw Error(ErrorKind::Usage, "a rebuild needs the disk(s) to rebuild onto");
    std::vector<Disk> all = Enclosure::readDisks(session, {}, 0);
    for (uint64_t disk : disks) Validation::disk(all, disk, session.adapter());
    session.command(Request("RebuildPackageVD").field("ID", array).list("Disks", "ID", disks), "rebuild");
    Outcome outcome;
    outcome.done.push_back("rebuild of " + describe(target) + " onto disk(s) " + joinedIds(disks) + " started");
    outcome.done.push_back(activityNow(session, array));
    return outcome;
}

Outcome controlActivity(Session& session, uint64_t array, const std::string& action)
{
    if (action != "pause" && action != "resume" && action != "abort")
        throw Error(ErrorKind::Usage, "an activity takes pause, resume or abort, not '" + action + "'");
    Array target = Enclosure::readArray(session, array, false);
    std::optional<uint64_t> code = session.ranges().lookup("BGAControl", action);
    if (!code) throw Error(ErrorKind::Failure, "the bridge's \"BGAControl\" table has no '" + action + "'");
    session.command(Request("PackageVDBGAControl").field("PackageVDID", array).field("BGAControl", *code),
                    "activity " + action);
    Outcome outcome;
    outcome.done.push_back(session.ranges().text("BGAControl", *code) + " sent to the activity of " + describe(target));
    outcome.done.push_back(activityNow(session, array));
    return outcome;
}

}  // namespace zdfront
