// Plan, Consent and Outcome: how every front end runs a change.
//
// An action (front/Actions.h) first reads the state it will change and
// builds a Plan: what will be done, what will be lost in the words of the
// state it read ("array 0 "Data" (RAID 5, 10.9 TiB) will be destroyed"),
// whether it needs a confirmation and whether it needs a specific override
// on top of it (a downgrade, freeing an array's member). The front end asks
// in its own way (zdctl: a prompt or --yes, plus the override's flag; the
// web page: typing confirmationText) and passes the answer as Consent.
// execute() refuses without the consent the plan asked for, runs the
// change, reads it back and answers an Outcome that tells a full success
// from a partial one, with the ids it created.
//
//   ArrayDeletion deletion(session, 0);
//   show(deletion.plan());
//   Outcome outcome = deletion.execute(session, Consent{true, false});
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zdfront {

// An override needed on top of the plain confirmation.
enum class Override {
    None,
    MemberDisk,  // wiping a disk that belongs to an array or is its spare
    Downgrade,   // flashing firmware older than, or the same as, the running one
};

struct Plan {
    std::string action;               // "delete array 0 "Data""
    std::vector<std::string> losses;  // what will be lost; empty when nothing is
    std::vector<std::string> notes;   // what else will happen ("schedule 7 ... will be removed")
    bool needsConfirmation = false;
    std::string confirmationText;     // what a page asks the user to type (the array's name)
    Override override = Override::None;
    std::string overrideReason;       // why the override is needed
};

struct Consent {
    bool confirmed = false;
    bool overridden = false;
};

struct Outcome {
    bool partial = false;                     // some of the change was not made
    std::vector<std::string> done;            // what was made, as read back
    std::vector<std::string> warnings;        // what was not, or was ignored
    std::map<std::string, uint64_t> created;  // "array" -> 1, "schedule" -> 40610
};

// The consent of a page that asks the user to type the plan's
// confirmationText: confirmed only by that exact text, overridden only when
// the user also ticked the override.
Consent typedConsent(const Plan& plan, const std::string& typed, bool overrideTicked);

// Error Usage unless `consent` gives what `plan` asks for.
void requireConsent(const Plan& plan, const Consent& consent);

}  // namespace zdfront
