// Health: how the front ends judge the states that the controller reports.
//
// Array ("VDStatus") and disk ("PDStatus") numbers are judged here once, for
// the colours of every listing, the web page's classes and the verdict of
// `zdctl status` and zdmond. A degraded or partially optimal array has lost
// redundancy; an offline array has lost its data's availability.
#pragma once

#include <cstdint>

namespace zdfront {

// How a state should look: each front end picks its own colour for a tone.
enum class Tone { Neutral, Good, Attention, Bad, Spare };

// The verdict over an enclosure, worst first wins. The numbers are stable:
// zdctl's health exit codes and zdmond's metrics are built on them.
enum class Verdict { Healthy = 0, Degraded = 1, Offline = 2 };

namespace Health {

bool arrayDegraded(uint64_t vdStatus);
bool arrayOffline(uint64_t vdStatus);
bool arrayUnhealthy(uint64_t vdStatus);
Tone arrayTone(uint64_t vdStatus);
bool diskFailed(uint64_t pdStatus);
bool diskIsSpare(uint64_t pdStatus);
// The disk holds a part of an array (a member), failed or not.
bool diskAssigned(uint64_t pdStatus);
Tone diskTone(uint64_t pdStatus);
// An event's "EvtSeverity": critical ones are bad, warnings need attention.
Tone eventTone(uint64_t severity);

const char* verdictText(Verdict verdict);

}  // namespace Health

}  // namespace zdfront
