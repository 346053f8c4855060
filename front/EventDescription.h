// EventDescription: what a controller event says, in words.
//
// The controller numbers its events by class ("EvtClass") and code within
// the class; the bridge's range tables name only the classes and the
// severities. describeEvent() gives an event its text from its class, code
// and parameters ("failed", "Check & Fix completed: 3 inconsistent stripes
// found, 3 repaired") and marks the events that end a background activity
// with how it ended (front/Model.h, ActivityEnd), so that a front end that
// follows an activity can say its result. A code it does not know is
// described by its number and parameters.
//
// Activity events use a base code per activity and one offset per step:
// started +0, completed +1, aborted +2, paused +3, resumed +4, restarted +5
// (initialisation 10, consistency check 20, rebuild 30 in the virtual-disk
// class; media patrol 10 in the disk class). Migrations have codes of their
// own: 80 started, 82 completed, 83 aborted, 85 restarted, 88 paused,
// 89 resumed.
//
//   Event event = ...;                  // class, code, params read from the answer
//   describeEvent(event, session.ranges());
//   if (event.activityEnd) ...
#pragma once

#include "front/Model.h"
#include "front/RangeTexts.h"

namespace zdfront {

// Sets event.text and event.activityEnd from its class, code and parameters.
void describeEvent(Event& event, RangeTexts& ranges);

}  // namespace zdfront
