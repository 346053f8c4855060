#include "support/TestSupport.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

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

::testing::AssertionResult contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos)
        return ::testing::AssertionSuccess() << "\"" << part << "\" is in \"" << text << "\"";
    return ::testing::AssertionFailure() << "\"" << part << "\" is not in \"" << text << "\"";
}

std::string field(const std::string& answer, const std::string& name) {
    const std::string open = "<" + name + ">";
    const size_t start = answer.find(open);
    if (start == std::string::npos) return answer.find("<" + name + " />") != std::string::npos ? "" : "<none>";
    return answer.substr(start + open.size(), answer.find("</" + name + ">", start) - start - open.size());
}

size_t countOf(const std::string& text, const std::string& piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
    return count;
}

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

std::string simCallText() {
    std::string text(zdsim_calls(nullptr, 0) + 1, '\0');
    zdsim_calls(&text[0], text.size());
    text.resize(text.find('\0'));
    return text;
}

std::vector<std::string> simCalls() {
    std::vector<std::string> lines;
    std::istringstream in(simCallText());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> simCallsOf(const std::string& function) {
    std::vector<std::string> found;
    for (const std::string& line : simCalls()) {
        if (line == function || line.compare(0, function.size() + 1, function + " ") == 0) found.push_back(line);
    }
    return found;
}

int waitForExit(pid_t child, std::chrono::seconds limit) {
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child || (ended < 0 && errno != EINTR)) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string stacks = "(gdb is not installed)";
    if (access("/usr/bin/gdb", X_OK) == 0) {
        TempDir scratch;
        const std::string command = "/usr/bin/gdb -p " + std::to_string(child) +
                                    " -batch -ex 'thread apply all bt' >" + scratch.file("stacks") + " 2>&1";
        if (std::system(command.c_str()) != -1) stacks = readFile(scratch.file("stacks"));
    }
    ADD_FAILURE() << "process " << child << " still runs after " << limit.count() << " s; killed. Its threads:\n"
                  << stacks;
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return status;
}

namespace {
const char kUnset[] = "<unset>";

template <typename F>
void resolve(void* handle, const char* name, F& target, const char*& missing) {
    target = reinterpret_cast<F>(dlsym(handle, name));
    if (target == nullptr && missing == nullptr) missing = name;
}
}  // namespace

const char* resolveExports(void* handle, BridgeExports& exports) {
    const char* missing = nullptr;
    resolve(handle, "getBridgeVersion", exports.getBridgeVersion, missing);
    resolve(handle, "selectAdapter", exports.selectAdapter, missing);
    resolve(handle, "getSingleInfo", exports.getSingleInfo, missing);
    resolve(handle, "getArrayInfo", exports.getArrayInfo, missing);
    resolve(handle, "getRange", exports.getRange, missing);
    resolve(handle, "getCondition", exports.getCondition, missing);
    resolve(handle, "sendCommand", exports.sendCommand, missing);
    resolve(handle, "getEvent", exports.getEvent, missing);
    return missing;
}

LoadedBridge::LoadedBridge(const BridgeOptions& options) {
    if (options.resetSimulator) zdsim_reset();
    if (!options.logConfig.empty()) writeFile(m_dir.file("bridge.ini"), options.logConfig);
    setenv("ZDBRIDGE_LOG_DIR", (m_dir.path() + "/").c_str(), 1);
    setenv("ZDBRIDGE_DB_PATH", dbPath().c_str(), 1);
    m_handle = dlopen(ZD_BRIDGE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
    if (const char* missing = resolveExports(m_handle, *this)) {
        throw std::runtime_error(std::string("missing export ") + missing);
    }
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

std::string LoadedBridge::answered(const std::string& cls, const std::string& key) {
    bool ok = false;
    std::string answer = single(cls, key, &ok);
    EXPECT_TRUE(ok) << cls << " " << key << ": " << answer;
    return answer;
}

std::string LoadedBridge::unanswered(const std::string& cls, const std::string& key) {
    bool ok = true;
    std::string answer = single(cls, key, &ok);
    EXPECT_FALSE(ok) << cls << " " << key << ": " << answer;
    return answer;
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
