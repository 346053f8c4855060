#include "command/RemoveSchedule.h"

#include "request/ResultCodes.h"
#include "schedule/ScheduleDataAccess.h"

RemoveSchedule::RemoveSchedule() : Command<unsigned char>("RemoveSchedule", "Index") {}

void RemoveSchedule::prepare(unsigned char) {}

void RemoveSchedule::replacePara(StructMiddle*) {}

void RemoveSchedule::run() {
    ScheduleDataAccess store;
    m_ret = store.RemoveSchedule(m_key) ? 0 : result::kFailed;
}
