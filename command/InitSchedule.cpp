#include "command/InitSchedule.h"

InitSchedule::InitSchedule() : CommandInterface("InitSchedule") {}

void InitSchedule::prepare(unsigned char) {}

void InitSchedule::replacePara(StructMiddle*) {}

void InitSchedule::run() {}
