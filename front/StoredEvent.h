// StoredEvent: a controller event as zdmond's history keeps it, and back.
//
// The history keeps each controller event with the model's words as its
// message ("array 0 "Data": Check & Fix completed: 3 inconsistent stripes
// found, 3 repaired", as `zdctl events --direct` shows it) and the model's
// JSON form of the whole event (front/ModelJson.h) as its data, so that a
// reader gets the event back as it was read: its device named, its text,
// and how the activity it ends ended. zdmond stores with storedEvent();
// zdctl and the web API read back with controllerEvent().
//
//   std::vector<HistoryEvent> rows{storedEvent(event)};
//   history.commit(rows, {});
//   if (std::optional<Event> event = controllerEvent(row); event && event->activityEnd) ...
#pragma once

#include <optional>

#include "front/EventHistory.h"
#include "front/Model.h"

namespace zdfront {

HistoryEvent storedEvent(const Event& event);

// The controller event a stored one was made from; nothing for zdmond's own
// events and for rows whose data is not an event's JSON form.
std::optional<Event> controllerEvent(const HistoryEvent& stored);

}  // namespace zdfront
