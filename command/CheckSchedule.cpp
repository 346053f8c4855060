#include "command/CheckSchedule.h"

#include "bridge/Log.h"
#include "schedule/ScheduleDataAccess.h"

CheckSchedule::CheckSchedule() : CommandInterface("CheckSchedule") {}

void CheckSchedule::prepare(unsigned char) {}

void CheckSchedule::replacePara(StructMiddle*) {}

void CheckSchedule::run() {
    ScheduleDataAccess store;
    m_log->startLine(Log::api_data, "CheckSchedule::run");
    m_log->endLine();
    store.RunSchedule();
}
