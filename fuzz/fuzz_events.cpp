// Event records served by the controller: the input is cut into 64-byte
// records queued on adapter 0 or 1 (the first byte picks which), then the
// queue is drained through getEvent twice.
#include <cstring>

#include "api/records/Records.h"
#include "bridge/Management.h"
#include "fuzz/FuzzBridge.h"
#include "sim/zd_sim.h"

namespace {
constexpr size_t kMostRecords = 128;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    FuzzBridge::beginInput();
    Management& bridge = FuzzBridge::management();
    const uint8_t adapter = data[0] & 1;
    ++data;
    --size;
    for (size_t queued = 0; size > 0 && queued < kMostRecords; ++queued) {
        EventRecord record;
        std::memset(&record, 0, sizeof record);
        const size_t take = size < sizeof record ? size : sizeof record;
        std::memcpy(&record, data, take);
        zdsim_queue_event(adapter, &record);
        data += take;
        size -= take;
    }
    bridge.select(adapter == 0 ? "0" : "1");
    for (int round = 0; round < 2; ++round) {
        char* out = nullptr;
        bridge.getEvent(&out);
        if (out != nullptr) (void)strlen(out);
    }
    return 0;
}
