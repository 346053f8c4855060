// The library's exported interface: the eight C functions of zdbridge.h and
// the two exported objects, the dispatcher `management` and `g_db_path`.
//
// Each function checks its pointers and forwards to the dispatcher. Nothing
// thrown inside the library (an allocation failure in a provider, say) may
// reach the C caller: each function catches everything and then answers as
// for a request it could not serve (false, code 6, or nothing stored).
//
// The header asks front ends to call from one thread; one that calls from
// several anyway gets its calls served one at a time (one library-wide lock)
// and its answers in a buffer of each thread's own. The firmware upload
// worker runs outside the lock, so a progress poll never waits for it.
#define ZDBRIDGE_BUILD 1
#include "zdbridge.h"

#include <mutex>
#include <string>

#include "bridge/Management.h"

#define ZDBRIDGE_EXPORT_DATA __attribute__((visibility("default")))

// Exported for front ends that expect it; nothing in the library reads it.
// C linkage keeps its symbol name plain ("g_db_path") although its type
// carries the C++11 string ABI tag.
extern "C" {
ZDBRIDGE_EXPORT_DATA std::string g_db_path;
}
ZDBRIDGE_EXPORT_DATA Management management;

namespace {
constexpr unsigned char kInvalidRequest = 6;
std::mutex g_calls;
}

extern "C" {

const char* getBridgeVersion(void) { return management.getVersion(); }

void selectAdapter(const char* adapterId) {
    if (adapterId == nullptr) return;
    try {
        std::lock_guard<std::mutex> serial(g_calls);
        management.select(adapterId);
    } catch (...) {
    }
}

bool getSingleInfo(const char* className, const char* key, char** out) {
    if (className == nullptr || key == nullptr || out == nullptr) return false;
    try {
        std::lock_guard<std::mutex> serial(g_calls);
        return management.getSingle(className, key, out);
    } catch (...) {
        return false;
    }
}

void getArrayInfo(const char* className, char** out) {
    if (className == nullptr || out == nullptr) return;
    try {
        std::lock_guard<std::mutex> serial(g_calls);
        management.getArray(className, out);
    } catch (...) {
    }
}

void getRange(const char* rangeName, char** out) {
    if (rangeName == nullptr || out == nullptr) return;
    try {
        std::lock_guard<std::mutex> serial(g_calls);
        *out = const_cast<char*>(management.range(rangeName));
    } catch (...) {
    }
}

void getCondition(const char* request, char** out) {
    if (request == nullptr || out == nullptr) return;
    try {
        std::lock_guard<std::mutex> serial(g_calls);
        management.condition(request, out);
    } catch (...) {
    }
}

unsigned char sendCommand(const char* request) {
    if (request == nullptr) return kInvalidRequest;
    try {
        std::lock_guard<std::mutex> serial(g_calls);
        return management.command(request);
    } catch (...) {
        return kInvalidRequest;
    }
}

void getEvent(char** out) {
    if (out == nullptr) return;
    try {
        std::lock_guard<std::mutex> serial(g_calls);
        management.getEvent(out);
    } catch (...) {
    }
}

}  // extern "C"
