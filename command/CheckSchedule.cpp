#include "command/CheckSchedule.h"

#include <memory>
#include <optional>

#include "base/Log.h"
#include "command/CheckPackageVD.h"
#include "command/InitPackageVD.h"
#include "command/MPPD.h"
#include "middle/StructMiddle.h"
#include "middle/XMLMiddle.h"
#include "request/ResultCodes.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduleDataAccess.h"

namespace {

// The command of a schedule's activity type, or nullptr when the type starts
// nothing; fills the request with the field the command reads.
std::unique_ptr<CommandInterface> activityFor(const std::string& type, StructMiddle* request) {
    switch (Schedule::toNumber(type)) {
    case 2:
    case 4:
        request->addSingle("CheckType", type);
        return std::make_unique<CheckPackageVD>();
    case 16:
        request->addSingle("InitType", type);
        return std::make_unique<InitPackageVD>();
    case 33:
        return std::make_unique<MPPD>();
    default:
        return nullptr;
    }
}

// Runs the activity through its own command object, the way the dispatcher
// runs the front end's request: key, prepare, replacePara, run.
std::optional<uint8_t> startActivity(const _Schedule_Info& schedule, uint8_t adapter) {
    XMLMiddle request;
    StructMiddle* para = request.addStruct("Schedule");
    std::unique_ptr<CommandInterface> command = activityFor(schedule.VDBGAType, para);
    if (!command) return std::nullopt;
    command->setKey(schedule.PackageVDID);
    command->prepare(adapter);
    command->replacePara(para);
    command->run();
    return command->getRet();
}

}  // namespace

CheckSchedule::CheckSchedule() : CommandInterface("CheckSchedule") {}

void CheckSchedule::prepare(unsigned char) {}

void CheckSchedule::replacePara(StructMiddle*) {}

void CheckSchedule::run() {
    ScheduleDataAccess store;
    m_log->startLine(Log::api_data, "CheckSchedule::run");
    m_log->endLine();
    m_ret = store.RunSchedule(startActivity) ? 0 : result::kFailed;
}
