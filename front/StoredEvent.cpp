#include "front/StoredEvent.h"

#include "front/ModelJson.h"

namespace zdfront {

HistoryEvent storedEvent(const Event& event)
{
    HistoryEvent stored;
    stored.time = static_cast<int64_t>(event.time);
    stored.adapter = static_cast<unsigned>(event.adapter);
    stored.adapterSerial = event.serial;
    stored.sequence = static_cast<int64_t>(event.index);
    stored.eventClass = static_cast<int>(event.eventClass.value);
    stored.code = static_cast<int>(event.code);
    stored.device = static_cast<int>(event.device);
    stored.severity = static_cast<unsigned>(event.severity.value);
    stored.message = event.summary();
    stored.data = toJson(event).dump();
    return stored;
}

std::optional<Event> controllerEvent(const HistoryEvent& stored)
{
    if (stored.source != kSourceController) return std::nullopt;
    return eventFromJson(Json::parse(stored.data, nullptr, false));
}

}  // namespace zdfront
