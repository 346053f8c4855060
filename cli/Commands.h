// The command areas of zdctl. Each takes the words after its area name
// ("zdctl disk show 3" -> runDisk with "show 3") and answers an exit code,
// or throws CliError.
#pragma once

namespace zdfront {
class SimControl;
}  // namespace zdfront

namespace zdctl {

class Args;
class Context;

int runStatus(Context& context, Args& args);
int runAdapter(Context& context, Args& args);
int runDisk(Context& context, Args& args);
int runArray(Context& context, Args& args);
int runEvents(Context& context, Args& args);
int runFirmware(Context& context, Args& args);
int runSchedule(Context& context, Args& args);
int runRange(Context& context, Args& args);
int runRaw(Context& context, Args& args);
int runSim(Context& context, Args& args, const zdfront::SimControl& sim);

}  // namespace zdctl
