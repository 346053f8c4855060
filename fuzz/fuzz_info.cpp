// Class and range names into getSingleInfo, getArrayInfo and getRange.
//
// Input: one control byte, then "name\nkey". The control byte's low two bits
// pick the call (0 getSingleInfo, 1 getArrayInfo, 2 getRange, 3 getEvent)
// and the next two the adapter selected first (2 and 3 do not exist).
#include <cstring>

#include "bridge/Management.h"
#include "fuzz/FuzzBridge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    FuzzBridge::beginInput();
    Management& bridge = FuzzBridge::management();
    const uint8_t control = data[0];
    const std::string rest = FuzzBridge::text(data + 1, size - 1);
    const size_t newline = rest.find('\n');
    const std::string name = rest.substr(0, newline);
    const std::string key = newline == std::string::npos ? std::string() : rest.substr(newline + 1);

    bridge.select(std::to_string((control >> 2) & 3).c_str());
    char* out = nullptr;
    switch (control & 3) {
    case 0:
        bridge.getSingle(name.c_str(), key.c_str(), &out);
        break;
    case 1:
        bridge.getArray(name.c_str(), &out);
        break;
    case 2:
        out = const_cast<char*>(bridge.range(name.c_str()));
        break;
    default:
        bridge.getEvent(&out);
        break;
    }
    if (out != nullptr) (void)strlen(out);
    bridge.select("0");
    return 0;
}
