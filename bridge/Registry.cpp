// The dispatcher's registrations: every information provider, command and
// condition the front end can name, created in a fixed order and registered
// under its own name. Each list keeps this order of creation:
//   providers:  AdapterInfo, PackageVDInfo, PdInfo, UpdateProcess,
//               ScheduleInfo, RingInfo, GetDistribution
//   commands:   AdapterConfig, CheckPackageVD, CreatePackageVD,
//               DeletePackageVD, FreeSpare, InitPackageVD, MigratePackageVD,
//               PackageVDBGAControl, PackageVDConfig, PdConfig,
//               RebuildPackageVD, SetDedicatedSpare, SetGlobleSpare, UpLoadFW,
//               AdapterRescan, AddSchedule, RemoveSchedule,
//               AdapterOEMCommand, PDSetFree, MPPD, PDBGAControl,
//               CheckSchedule, InitSchedule
//   conditions: CreateTarget, MigrateTarget, OEMStatus, GetFlashFileInfo
#include "bridge/Management.h"

#include "command/AdapterConfig.h"
#include "command/AdapterOEMCommand.h"
#include "command/AdapterRescan.h"
#include "command/AddSchedule.h"
#include "command/CheckPackageVD.h"
#include "command/CheckSchedule.h"
#include "command/CommandInterface.h"
#include "command/CreatePackageVD.h"
#include "command/DeletePackageVD.h"
#include "command/FreeSpare.h"
#include "command/InitPackageVD.h"
#include "command/InitSchedule.h"
#include "command/MPPD.h"
#include "command/MigratePackageVD.h"
#include "command/PDBGAControl.h"
#include "command/PDSetFree.h"
#include "command/PackageVDBGAControl.h"
#include "command/PackageVDConfig.h"
#include "command/PdConfig.h"
#include "command/RebuildPackageVD.h"
#include "command/RemoveSchedule.h"
#include "command/SetDedicatedSpare.h"
#include "command/SetGlobleSpare.h"
#include "command/UpLoadFW.h"
#include "condition/ConditionInterface.h"
#include "condition/CreateTarget.h"
#include "condition/GetFlashFileInfo.h"
#include "condition/MigrateTarget.h"
#include "condition/OEMStatus.h"
#include "info/AdapterInfo.h"
#include "info/GetDistribution.h"
#include "info/Info.h"
#include "info/PackageVDInfo.h"
#include "info/PdInfo.h"
#include "info/RingInfo.h"
#include "info/ScheduleInfo.h"
#include "info/UpdateProcess.h"

void Management::registerInfos() {
    addInfo(new AdapterInfo(m_nxpCache));
    addInfo(new PackageVDInfo());
    addInfo(new PdInfo());
    addInfo(new UpdateProcess());
    addInfo(new ScheduleInfo());
    addInfo(new RingInfo());
    addInfo(new GetDistribution());
}

void Management::registerCommands() {
    addCommand(new AdapterConfig());
    addCommand(new CheckPackageVD());
    addCommand(new CreatePackageVD());
    addCommand(new DeletePackageVD());
    addCommand(new FreeSpare());
    addCommand(new InitPackageVD());
    addCommand(new MigratePackageVD());
    addCommand(new PackageVDBGAControl());
    addCommand(new PackageVDConfig());
    addCommand(new PdConfig());
    addCommand(new RebuildPackageVD());
    addCommand(new SetDedicatedSpare());
    addCommand(new SetGlobleSpare());
    addCommand(new UpLoadFW());
    addCommand(new AdapterRescan(m_nxpCache));
    addCommand(new AddSchedule());
    addCommand(new RemoveSchedule());
    addCommand(new AdapterOEMCommand());
    addCommand(new PDSetFree());
    addCommand(new MPPD());
    addCommand(new PDBGAControl());
    addCommand(new CheckSchedule());
    addCommand(new InitSchedule());
}

void Management::registerConditions() {
    addCondition(new CreateTarget());
    addCondition(new MigrateTarget());
    addCondition(new OEMStatus());
    addCondition(new GetFlashFileInfo());
}

void Management::addInfo(Info* info) {
    if (info == nullptr) return;
    if (!m_infos.emplace(info->getName(), info).second) delete info;
}

void Management::addCommand(CommandInterface* command) {
    if (command == nullptr) return;
    if (!m_commands.emplace(command->getName(), command).second) delete command;
}

void Management::addCondition(ConditionInterface* condition) {
    if (condition == nullptr) return;
    if (!m_conditions.emplace(condition->getName(), condition).second) delete condition;
}
