// Request text into sendCommand: any bytes, as the front end could pass them.
#include "bridge/Management.h"
#include "fuzz/FuzzBridge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBridge::beginInput();
    const std::string request = FuzzBridge::text(data, size);
    FuzzBridge::management().command(request.c_str());
    return 0;
}
