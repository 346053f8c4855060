#include "support/TestSupport.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace zdtest {

TempDir::TempDir() {
    char pattern[] = "/tmp/zdtest.XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = made;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::file(const std::string& name) const { return m_path + "/" + name; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

namespace {
const char kUnset[] = "<unset>";

template <typename F>
void resolve(void* handle, const char* name, F& target) {
    target = reinterpret_cast<F>(dlsym(handle, name));
    if (target == nullptr) throw std::runtime_error(std::string("missing export ") + name);
}
}  // namespace

LoadedBridge::LoadedBridge(const BridgeOptions& options) {
    if (options.resetSimulator) zdsim_reset();
    if (!options.logConfig.empty()) writeFile(m_dir.file("bridge.ini"), options.logConfig);
    setenv("ZDBRIDGE_LOG_DIR", (m_dir.path() + "/").c_str(), 1);
    setenv("ZDBRIDGE_DB_PATH", dbPath().c_str(), 1);
    m_handle = dlopen(ZD_BRIDGE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
    resolve(m_handle, "getBridgeVersion", getBridgeVersion);
    resolve(m_handle, "selectAdapter", selectAdapter);
    resolve(m_handle, "getSingleInfo", getSingleInfo);
    resolve(m_handle, "getArrayInfo", getArrayInfo);
    resolve(m_handle, "getRange", getRange);
    resolve(m_handle, "getCondition", getCondition);
    resolve(m_handle, "sendCommand", sendCommand);
    resolve(m_handle, "getEvent", getEvent);
}

LoadedBridge::~LoadedBridge() {
    if (m_handle != nullptr) dlclose(m_handle);
    unsetenv("ZDBRIDGE_LOG_DIR");
    unsetenv("ZDBRIDGE_DB_PATH");
}

void* LoadedBridge::symbol(const char* name) const { return dlsym(m_handle, name); }

std::string LoadedBridge::single(const std::string& cls, const std::string& key, bool* answered) {
    char* out = const_cast<char*>(kUnset);
    bool ok = getSingleInfo(cls.c_str(), key.c_str(), &out);
    if (answered != nullptr) *answered = ok;
    return out;
}

std::string LoadedBridge::array(const std::string& cls) {
    char* out = const_cast<char*>(kUnset);
    getArrayInfo(cls.c_str(), &out);
    return out;
}

std::string LoadedBridge::range(const std::string& name) {
    char* out = const_cast<char*>(kUnset);
    getRange(name.c_str(), &out);
    return out;
}

std::string LoadedBridge::condition(const std::string& request) {
    char* out = const_cast<char*>(kUnset);
    getCondition(request.c_str(), &out);
    return out;
}

std::string LoadedBridge::events() {
    char* out = const_cast<char*>(kUnset);
    getEvent(&out);
    return out;
}

}  // namespace zdtest
