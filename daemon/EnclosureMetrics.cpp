#include "daemon/EnclosureMetrics.h"

#include "daemon/StateChanges.h"
#include "front/Health.h"

namespace zdmond {

namespace {

constexpr double kSectorBytes = 512;
// SMART attributes that hold the temperature in the low byte of their raw value.
constexpr uint64_t kTemperature = 194;
constexpr uint64_t kAirflowTemperature = 190;

void declare(MetricsText& text)
{
    text.family("zd_adapter_up", "gauge", "1 while zdmond sees the adapter, 0 once it has disappeared");
    text.family("zd_adapter_info", "gauge", "the adapter's identity, always 1");
    text.family("zd_adapter_alarm_enabled", "gauge", "1 when the adapter's alarm is switched on");
    text.family("zd_adapter_buzzer_ringing", "gauge", "1 while the buzzer rings");
    text.family("zd_array_info", "gauge", "the array's name, RAID level and status text, always 1");
    text.family("zd_array_status", "gauge", "the array's VDStatus number");
    text.family("zd_array_degraded", "gauge", "1 while the array has lost redundancy");
    text.family("zd_array_offline", "gauge", "1 while the array is offline");
    text.family("zd_array_size_bytes", "gauge", "the array's capacity");
    text.family("zd_array_activity_running", "gauge", "1 while the activity runs, 0 while it is paused");
    text.family("zd_array_activity_progress_ratio", "gauge", "progress of the array's activity, 0 to 1");
    text.family("zd_disk_present", "gauge", "1 when the slot holds a disk");
    text.family("zd_disk_info", "gauge", "the disk's model, serial number, firmware and status text, always 1");
    text.family("zd_disk_status", "gauge", "the disk's PDStatus number");
    text.family("zd_disk_failed", "gauge", "1 while the disk is offline (failed)");
    text.family("zd_disk_size_bytes", "gauge", "the disk's capacity");
    text.family("zd_disk_activity_progress_ratio", "gauge", "progress of the disk's activity, 0 to 1");
    text.family("zd_disk_smart_value", "gauge", "normalised value of a SMART attribute");
    text.family("zd_disk_smart_threshold", "gauge", "the vendor's threshold of a SMART attribute (0: none)");
    text.family("zd_disk_smart_raw", "gauge", "raw value of a SMART attribute");
    text.family("zd_disk_smart_failing", "gauge", "1 while the attribute's value is at or below its threshold");
    text.family("zd_disk_temperature_celsius", "gauge", "the disk's temperature from SMART");
    text.family("zd_controller_events_total", "counter", "controller events drained by zdmond");
}

}  // namespace

MetricsText enclosureMetrics(const zdfront::Snapshot& snapshot, const std::vector<LostAdapter>& lost,
                             const EventCounts& eventCounts)
{
    MetricsText text;
    declare(text);
    for (const LostAdapter& adapter : lost)
        text.sample("zd_adapter_up", {{"adapter", adapter.id}, {"serial", adapter.serial}}, 0);
    for (const zdfront::AdapterState& state : snapshot.adapters) {
        const zdfront::Adapter& adapter = state.adapter;
        const std::string id = std::to_string(adapter.id);
        text.sample("zd_adapter_up", {{"adapter", id}, {"serial", adapter.serial}}, 1);
        text.sample("zd_adapter_info",
                    {{"adapter", id}, {"serial", adapter.serial}, {"alias", adapter.alias},
                     {"firmware", adapter.firmware}, {"link", adapter.link.text}},
                    1);
        text.sample("zd_adapter_alarm_enabled", {{"adapter", id}}, adapter.alarm);
        if (adapter.buzzerRinging) text.sample("zd_adapter_buzzer_ringing", {{"adapter", id}}, *adapter.buzzerRinging);
        for (const zdfront::Array& array : state.arrays) {
            const MetricLabels labels{{"adapter", id}, {"array", std::to_string(array.id)}};
            MetricLabels info = labels;
            info.insert(info.end(), {{"name", array.name}, {"raid", array.raid.text}, {"status", array.status.text}});
            text.sample("zd_array_info", info, 1);
            text.sample("zd_array_status", labels, static_cast<double>(array.status.value));
            text.sample("zd_array_degraded", labels, zdfront::Health::arrayDegraded(array.status.value));
            text.sample("zd_array_offline", labels, zdfront::Health::arrayOffline(array.status.value));
            text.sample("zd_array_size_bytes", labels, static_cast<double>(array.sizeSectors) * kSectorBytes);
            if (array.activity && array.activity->type.value != 0) {
                MetricLabels activity = labels;
                activity.push_back({"activity", activityName(*array.activity, false)});
                text.sample("zd_array_activity_running", activity, array.activity->running());
                text.sample("zd_array_activity_progress_ratio", activity, array.activity->percent / 100.0);
            }
        }
        for (const zdfront::Disk& disk : state.disks) {
            const MetricLabels labels{{"adapter", id}, {"disk", std::to_string(disk.id)}};
            text.sample("zd_disk_present", labels, disk.present);
            if (!disk.present) continue;
            MetricLabels info = labels;
            info.insert(info.end(), {{"model", disk.model}, {"serial", disk.serial}, {"firmware", disk.firmware},
                                     {"status", disk.status.text}});
            text.sample("zd_disk_info", info, 1);
            text.sample("zd_disk_status", labels, static_cast<double>(disk.status.value));
            text.sample("zd_disk_failed", labels, zdfront::Health::diskFailed(disk.status.value));
            text.sample("zd_disk_size_bytes", labels, static_cast<double>(disk.sizeSectors) * kSectorBytes);
            if (disk.activity && disk.activity->type.value != 0) {
                MetricLabels activity = labels;
                activity.push_back({"activity", activityName(*disk.activity, true)});
                text.sample("zd_disk_activity_progress_ratio", activity, disk.activity->percent / 100.0);
            }
            const zdfront::SmartAttribute* temperature = nullptr;
            for (const zdfront::SmartAttribute& attribute : disk.smart) {
                MetricLabels smart = labels;
                smart.insert(smart.end(), {{"attribute", std::to_string(attribute.id)}, {"name", attribute.name}});
                text.sample("zd_disk_smart_value", smart, static_cast<double>(attribute.value));
                text.sample("zd_disk_smart_threshold", smart, static_cast<double>(attribute.threshold));
                text.sample("zd_disk_smart_raw", smart, static_cast<double>(attribute.raw));
                text.sample("zd_disk_smart_failing", smart, attribute.failing());
                if (attribute.id == kTemperature || (attribute.id == kAirflowTemperature && !temperature))
                    temperature = &attribute;
            }
            if (temperature)
                text.sample("zd_disk_temperature_celsius", labels, static_cast<double>(temperature->raw & 0xff));
        }
    }
    for (const auto& [key, count] : eventCounts)
        text.sample("zd_controller_events_total",
                    {{"adapter", std::to_string(key.first)}, {"severity", key.second}},
                    static_cast<double>(count));
    return text;
}

}  // namespace zdmond
