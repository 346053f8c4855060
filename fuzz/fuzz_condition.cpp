// Request text into getCondition; the answer must be a NUL-terminated text.
#include <cstring>

#include "bridge/Management.h"
#include "fuzz/FuzzBridge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBridge::beginInput();
    const std::string request = FuzzBridge::text(data, size);
    char* out = nullptr;
    FuzzBridge::management().condition(request.c_str(), &out);
    if (out != nullptr) (void)strlen(out);
    return 0;
}
