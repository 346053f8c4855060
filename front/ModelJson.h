// ModelJson: the JSON form of the model, shared by `zdctl --json`, zdmond
// and the web API.
//
// One key style everywhere: snake_case keys, numbers as numbers, every
// enumerated value as a pair ("status": 15, "status_text": "Functional and
// initialized"), sizes in 512-byte sectors ("size_sectors"), absent optional
// values as null. Arrays, their members and disks carry their "tone"
// (front/Health.h: "good", "attention", "bad", "spare", "neutral"), so that
// no front end judges a state number itself.
//
//   Json json = toJson(snapshot);
//   std::optional<Event> event = eventFromJson(stored);   // an event's JSON form read back
#pragma once

#include <nlohmann/json.hpp>

#include "front/FirmwareActions.h"
#include "front/Model.h"
#include "front/Plan.h"

namespace zdfront {

using Json = nlohmann::ordered_json;

// Sets json[key] and json[key + "_text"].
void putEnumerated(Json& json, const std::string& key, const Enumerated& value);

Json toJson(const Activity& activity);
Json toJson(const std::optional<Activity>& activity);
Json toJson(const Adapter& adapter);
Json toJson(const Capacity& capacity);
Json toJson(const Array& array);
Json toJson(const SmartAttribute& attribute);
Json toJson(const Disk& disk);
Json toJson(const ActivityEnd& end);
Json toJson(const Event& event);
Json toJson(const Schedule& schedule);
Json toJson(const Problem& problem);
Json toJson(const AdapterState& state);
Json toJson(const Snapshot& snapshot);
Json toJson(const ImageCheck& check);
// What an action will do and the consent it needs; "override" is null, "member_disk" or "downgrade".
Json toJson(const Plan& plan);
// created, done, warnings, partial.
Json toJson(const Outcome& outcome);
const char* toneName(Tone tone);

// An event back from its JSON form (as zdmond's history keeps it); nothing
// when `json` is not an event's JSON form.
std::optional<Event> eventFromJson(const Json& json);

}  // namespace zdfront
