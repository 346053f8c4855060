#include "command/RemoveSchedule.h"

#include "schedule/ScheduleDataAccess.h"

RemoveSchedule::RemoveSchedule() : Command<unsigned char>("RemoveSchedule", "Index") {}

void RemoveSchedule::prepare(unsigned char) {}

void RemoveSchedule::replacePara(StructMiddle*) {}

void RemoveSchedule::run() {
    ScheduleDataAccess store;
    store.RemoveSchedule(m_key);
}
