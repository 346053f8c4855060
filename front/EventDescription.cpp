#include "front/EventDescription.h"

namespace zdfront {

namespace {

// "EvtClass" values.
constexpr uint64_t kAdapter = 0, kVirtualDisk = 1, kDisk = 2, kFlash = 10, kEnclosure = 15;

// Steps of an activity, by offset from its base code.
const char* const kSteps[] = {"started", "completed", "aborted", "paused", "resumed", "restarted"};
constexpr uint64_t kCompleted = 1, kAborted = 2;

// Base codes of the activities.
constexpr uint64_t kInitBase = 10, kCheckBase = 20, kRebuildBase = 30, kPatrolBase = 10;
// Migration codes and their steps.
struct MigrationCode {
    uint64_t code, step;
};
const MigrationCode kMigrationCodes[] = {{80, 0}, {82, 1}, {83, 2}, {88, 3}, {89, 4}, {85, 5}};

// "VDBGAType" and "PDBGAType" values named in the texts.
constexpr uint64_t kBgaRebuild = 1, kBgaCheckFix = 2, kBgaCheckOnly = 4, kBgaMigrate = 32, kBgaPatrol = 1;

uint64_t param(const Event& event, size_t index) { return index < event.params.size() ? event.params[index] : 0; }

std::string plural(uint64_t count, const std::string& noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// An activity's step; a completed consistency check says what it found.
void describeStep(Event& event, const std::string& activity, uint64_t step, bool isCheck)
{
    event.text = activity + " " + kSteps[step];
    if (step != kCompleted && step != kAborted) return;
    ActivityEnd end;
    end.activity = activity;
    end.completed = step == kCompleted;
    if (isCheck && end.completed) {
        const bool fix = param(event, 0) != 0;
        const uint64_t found = param(event, 1), repaired = param(event, 2);
        end.inconsistenciesFound = found;
        end.inconsistenciesRepaired = repaired;
        if (found == 0)
            event.text += ": no inconsistencies found";
        else if (fix)
            event.text += ": " + plural(found, "inconsistent stripe") + " found, " + std::to_string(repaired) +
                          " repaired";
        else
            event.text += ": " + plural(found, "inconsistent stripe") + " found, none repaired (a check and fix "
                                                                        "repairs them)";
    }
    event.activityEnd = end;
}

std::string raidChange(const Event& event)
{
    if (event.raidBefore && event.raidAfter) return " (" + event.raidBefore->text + " -> " + event.raidAfter->text + ")";
    return "";
}

bool describeVirtualDisk(Event& event, RangeTexts& ranges)
{
    const uint64_t code = event.code;
    switch (code) {
    case 1: event.text = "created"; return true;
    case 2: event.text = "state changed to " + ranges.text("VDStatus", param(event, 0)); return true;
    case 3: event.text = "deleted"; return true;
    case 4: event.text = "settings changed"; return true;
    default: break;
    }
    if (code >= kInitBase && code < kInitBase + 6) {
        describeStep(event, "Initialisation", code - kInitBase, false);
        return true;
    }
    if (code >= kCheckBase && code < kCheckBase + 6) {
        const uint64_t type = param(event, 0) != 0 ? kBgaCheckFix : kBgaCheckOnly;
        describeStep(event, ranges.text("VDBGAType", type), code - kCheckBase, true);
        return true;
    }
    if (code >= kRebuildBase && code < kRebuildBase + 6) {
        describeStep(event, ranges.text("VDBGAType", kBgaRebuild), code - kRebuildBase, false);
        return true;
    }
    for (const MigrationCode& migration : kMigrationCodes) {
        if (migration.code != code) continue;
        describeStep(event, ranges.text("VDBGAType", kBgaMigrate), migration.step, false);
        event.text += raidChange(event);
        return true;
    }
    return false;
}

bool describeDisk(Event& event, RangeTexts& ranges)
{
    const std::string group = std::to_string(param(event, 0));
    switch (event.code) {
    case 1: event.text = "inserted"; return true;
    case 2: event.text = "removed"; return true;
    case 3: event.text = "failed"; return true;
    case 4: event.text = "made a global spare"; return true;
    case 5: event.text = "made the dedicated spare of array " + group; return true;
    case 6: event.text = "no longer a spare"; return true;
    case 7: event.text = "RAID metadata wiped, the disk is free"; return true;
    case 8: event.text = "settings changed"; return true;
    case 9: event.text = "spare took the place of a failed member of array " + group; return true;
    default: break;
    }
    if (event.code >= kPatrolBase && event.code < kPatrolBase + 6) {
        describeStep(event, ranges.text("PDBGAType", kBgaPatrol), event.code - kPatrolBase, false);
        return true;
    }
    return false;
}

bool describeOther(Event& event, RangeTexts& ranges)
{
    const uint64_t cls = event.eventClass.value, code = event.code;
    if (cls == kAdapter && code == 1) event.text = "settings changed";
    else if (cls == kAdapter && code == 2) event.text = "adapters rescanned";
    else if (cls == kFlash && code == 1) event.text = "firmware upload started (" + plural(param(event, 0), "byte") + ")";
    else if (cls == kFlash && code == 2)
        event.text = "firmware upload completed: version " + std::to_string(param(event, 0)) + "." +
                     std::to_string(param(event, 1)) + "." + std::to_string(param(event, 2)) + "." +
                     std::to_string(param(event, 3));
    else if (cls == kFlash && code == 3) event.text = "firmware upload failed";
    else if (cls == kEnclosure && code == 1) event.text = "enclosure request: " + ranges.text("OEMValue", param(event, 0));
    else return false;
    return true;
}

}  // namespace

void describeEvent(Event& event, RangeTexts& ranges)
{
    event.text.clear();
    event.activityEnd.reset();
    bool known = false;
    switch (event.eventClass.value) {
    case kVirtualDisk: known = describeVirtualDisk(event, ranges); break;
    case kDisk: known = describeDisk(event, ranges); break;
    default: known = describeOther(event, ranges); break;
    }
    if (known) return;
    event.text = "event code " + std::to_string(event.code);
    bool anyParam = false;
    for (uint64_t value : event.params) anyParam = anyParam || value != 0;
    if (!anyParam) return;
    event.text += ", parameters";
    for (uint64_t value : event.params) event.text += " " + std::to_string(value);
}

}  // namespace zdfront
