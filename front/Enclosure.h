// Enclosure: reads the typed model (front/Model.h) from the bridge.
//
// Every function works through a Session, so the adapter it reads is the
// session's and no other thread can switch it meanwhile. readSnapshot() is
// the one whole-enclosure read shared by `zdctl status`, zdmond's per-cycle
// comparison and metrics, and the web overview; it opens one short session
// per adapter.
//
//   Snapshot snapshot = Enclosure::readSnapshot(bridge);
//   if (snapshot.verdict() != Verdict::Healthy) ...
//
//   Session session = bridge.session(0);
//   Disk disk = Enclosure::readDisk(session, 3);   // Error NotFound if absent
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "front/Bridge.h"
#include "front/Model.h"

namespace zdfront::Enclosure {

// The ids of the adapters the bridge lists.
std::vector<uint64_t> adapterIds(Session& session);
// The selected adapter in full (Adapter and Buzzer answers).
Adapter readAdapter(Session& session);

// The arrays of the selected adapter with their members and spares.
// detailed: also stripe, caches, capacity split and migration target.
std::vector<Array> readArrays(Session& session, bool detailed = false);
Array readArray(Session& session, uint64_t id, bool detailed = true);  // Error NotFound

// Every slot of the selected adapter: its disks with their detail and their
// array, and an empty-slot entry for each slot below the adapter's disk
// count that holds no disk.
std::vector<Disk> readDisks(Session& session, const std::vector<Array>& arrays, uint64_t slots);
// withArray: also find the array it is a member of (reads every array).
Disk readDisk(Session& session, uint64_t id, bool withArray = true);  // Error NotFound

AdapterState readAdapterState(Session& session);
// Every adapter, one short session each (threaded programs).
Snapshot readSnapshot(Bridge& bridge);
// Every adapter within one session, which ends with its adapter selected again.
Snapshot readSnapshot(Session& session);

// The selected adapter's new events (each is delivered once), described
// (front/EventDescription.h), with the array or the disk each is about.
std::vector<Event> readEvents(Session& session);
std::vector<Schedule> readSchedules(Session& session);
// The schedules of the selected adapter that start an activity on the array.
std::vector<Schedule> readSchedulesOf(Session& session, uint64_t arrayId);

// The read of one capacity condition (GetCreateTarget, GetMigrateTarget).
Capacity readCapacity(Session& session, const Request& request);

}  // namespace zdfront::Enclosure
