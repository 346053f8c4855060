// The log configuration file: the input becomes bridge.ini, a log is built
// from it and one line of every kind is written, with a dump.
#include "base/Log.h"
#include "fuzz/FuzzBridge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string dir = FuzzBridge::directory();
    FuzzBridge::writeFile(dir + "bridge.ini", data, size);
    FuzzBridge::writeFile(dir + "bridge.log", nullptr, 0);
    Log* log = Log::getLog();
    for (Log::log_type kind : {Log::api_data, Log::interface_log, Log::util, Log::version}) {
        log->startLine(kind, "fuzz");
        log->writeFormatInfo("kind %d enabled %d", kind, log->enabled(kind));
        log->writeBin(data, size < 64 ? size : 64);
        log->endLine();
    }
    Log::clear();
    return 0;
}
