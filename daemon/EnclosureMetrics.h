// EnclosureMetrics: the enclosure as Prometheus metrics (prefix "zd_").
//
// Adapters (up, alarm, buzzer), arrays (status, degraded, offline, size,
// activity and its progress), disks (present, status, failed, size,
// activity, SMART values, thresholds and temperature) and the controller's
// events by severity. An adapter that zdmond saw before but cannot see now
// is reported with zd_adapter_up 0, so an alert can fire on it.
//
//   MetricsText page = enclosureMetrics(snapshot, lostAdapters, eventCounts);
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "daemon/MetricsText.h"
#include "front/Model.h"

namespace zdmond {

// Controller events drained, by adapter and severity name.
using EventCounts = std::map<std::pair<unsigned, std::string>, uint64_t>;

struct LostAdapter {
    std::string id;      // the index it had
    std::string serial;
};

MetricsText enclosureMetrics(const zdfront::Snapshot& snapshot, const std::vector<LostAdapter>& lost,
                             const EventCounts& eventCounts);

}  // namespace zdmond
