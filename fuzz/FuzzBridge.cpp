#include "fuzz/FuzzBridge.h"

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "bridge/Management.h"
#include "command/RescanDelay.h"
#include "sim/zd_sim.h"

namespace FuzzBridge {
namespace {

constexpr std::uintmax_t kLogLimit = 16 << 20;

bool configured() {
    const char* logDir = getenv("ZDBRIDGE_LOG_DIR");
    const char* dbPath = getenv("ZDBRIDGE_DB_PATH");
    return logDir != nullptr && *logDir != '\0' && dbPath != nullptr && *dbPath != '\0';
}

}  // namespace

void start(int argc, char** argv) {
    (void)argc;
    if (!configured()) {
        char pattern[] = "/tmp/zdfuzz.XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            perror("mkdtemp");
            exit(1);
        }
        const std::string dir = std::string(pattern) + "/";
        setenv("ZDBRIDGE_LOG_DIR", dir.c_str(), 1);
        setenv("ZDBRIDGE_DB_PATH", (dir + "db.xml").c_str(), 1);
        fprintf(stderr, "fuzz files in %s\n", dir.c_str());
        execv("/proc/self/exe", argv);
        perror("execv");
        exit(1);
    }
    RescanDelay::set(std::chrono::milliseconds(0));
    zdsim_use_manual_clock(1);
}

const std::string& directory() {
    static const std::string dir = [] {
        std::string configuredDir = getenv("ZDBRIDGE_LOG_DIR");
        if (configuredDir.back() != '/') configuredDir += '/';
        return configuredDir;
    }();
    return dir;
}

Management& management() {
    static Management* instance = [] {
        std::ofstream(directory() + "bridge.ini") << "interface_log=1\n";
        return new Management();
    }();
    return *instance;
}

void beginInput() {
    zdsim_reset();
    std::error_code ignored;
    const std::filesystem::path log = directory() + "bridge.log";
    if (std::filesystem::file_size(log, ignored) > kLogLimit) std::filesystem::resize_file(log, 0, ignored);
}

std::string text(const uint8_t* data, size_t size) {
    const void* nul = memchr(data, '\0', size);
    return std::string(reinterpret_cast<const char*>(data),
                       nul != nullptr ? static_cast<const uint8_t*>(nul) - data : size);
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace FuzzBridge

// libFuzzer calls this once before the first input, in every target.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzBridge::start(*argc, *argv);
    return 0;
}
