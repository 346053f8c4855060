// ArrayActions: creating, deleting, initialising and migrating arrays, with
// the guards and read-backs every front end shares (see front/Plan.h).
//
//   ArrayCreation creation(session, wanted);        // validates, asks the preview
//   if (!creation.buildable()) ...                // the controller gives no capacity
//   Outcome outcome = creation.execute(session);  // creates, reads back, sets the spare
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "front/Bridge.h"
#include "front/Model.h"
#include "front/Plan.h"

namespace zdfront {

constexpr size_t kMaxArrayNameBytes = 15;

// Parity disks the controller keeps for a RAID level ("ParityNumber").
uint64_t parityDisks(uint64_t raid);
// What a RAID level needs, for help texts: "3 or more disks; one disk's capacity for parity".
std::string raidNeeds(const std::string& raidText);

// "5, 6, 7"
std::string joinedIds(const std::vector<uint64_t>& ids);

// "array 0 "Data" (RAID 5, 10.9 TiB)"
std::string describe(const Array& array);
// What a page asks the user to type before the array is destroyed: its
// name, or "array N" for an array without one.
std::string confirmationName(const Array& array);

// The controller's capacity preview of a new array of this RAID level on
// these disks (GetCreateTarget), for a page that shows it while the disks
// are picked. Nothing when this bridge build cannot preview.
std::optional<Capacity> creationPreview(Session& session, uint64_t raid, const std::vector<uint64_t>& disks);

// An array as the user asked for it.
struct NewArray {
    std::string name;
    uint64_t raid = 0;
    std::vector<uint64_t> disks;
    uint64_t stripe = 64;
    uint64_t init = 0;
    uint64_t diskCache = 1;
    std::optional<uint64_t> spare;  // a disk made the new array's dedicated spare
};

class ArrayCreation {
public:
    // Validates the name and the disks (Error Usage, NotFound) and reads
    // the controller's capacity preview (GetCreateTarget).
    ArrayCreation(Session& session, NewArray wanted);

    // "RAID 5 on disks 5, 6, 7"
    const std::string& title() const { return m_title; }
    // Nothing when this bridge build cannot preview.
    const std::optional<Capacity>& preview() const { return m_preview; }
    // False when the preview gives no capacity: create is refused the same way.
    bool buildable() const { return !m_preview || m_preview->available != 0; }

    // Creates the array; created["array"] is its id. A spare that could not be
    // set makes the outcome partial. Error Refused when nothing was created.
    Outcome execute(Session& session);

private:
    NewArray m_wanted;
    std::string m_title;
    std::optional<Capacity> m_preview;
};

// Deleting an array also removes the schedules that name it, so that they
// do not start on the next array that gets its number.
class ArrayDeletion {
public:
    ArrayDeletion(Session& session, uint64_t id);  // Error NotFound
    const Plan& plan() const { return m_plan; }
    const std::vector<Schedule>& schedules() const { return m_schedules; }
    Outcome execute(Session& session, const Consent& consent);

private:
    Array m_array;
    std::vector<Schedule> m_schedules;
    Plan m_plan;
};

class ArrayInitialisation {
public:
    ArrayInitialisation(Session& session, uint64_t id, uint64_t initType);  // Error NotFound
    const Plan& plan() const { return m_plan; }
    Outcome execute(Session& session, const Consent& consent);

private:
    Array m_array;
    uint64_t m_type;
    Plan m_plan;
};

class ArrayMigration {
public:
    // Reads the array and the controller's preview (GetMigrateTarget).
    ArrayMigration(Session& session, uint64_t id, uint64_t raid, std::vector<uint64_t> disks);
    const Plan& plan() const { return m_plan; }
    const std::string& title() const { return m_title; }
    const Capacity& preview() const { return m_preview; }
    bool possible() const { return m_preview.available != 0; }
    Outcome execute(Session& session, const Consent& consent);

private:
    Array m_array;
    uint64_t m_raid;
    std::vector<uint64_t> m_disks;
    std::string m_title;
    Capacity m_preview;
    Plan m_plan;
};

}  // namespace zdfront
