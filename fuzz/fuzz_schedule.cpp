// The schedule file's contents: the input becomes the schedule file, which
// is then listed (array and single "Schedule" answers) and checked
// ("CheckSchedule" starts whatever it finds due).
#include <cstring>

#include "bridge/Management.h"
#include "fuzz/FuzzBridge.h"
#include "schedule/ScheduleDataAccess.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBridge::beginInput();
    Management& bridge = FuzzBridge::management();
    FuzzBridge::writeFile(ScheduleDataAccess::configuredPath(), data, size);
    char* out = nullptr;
    bridge.getArray("Schedule", &out);
    if (out != nullptr) (void)strlen(out);
    for (const char* index : {"0", "1", "18446744073709551615"}) {
        out = nullptr;
        bridge.getSingle("Schedule", index, &out);
        if (out != nullptr) (void)strlen(out);
    }
    bridge.command("<CheckSchedule/>");
    return 0;
}
