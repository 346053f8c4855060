// Test helpers shared by the GoogleTest programs.
//
// LoadedBridge loads the built libzdbridge.so with dlopen, exactly as a front
// end does, and unloads it (running the library's teardown) when it goes out
// of scope. Before loading it points ZDBRIDGE_LOG_DIR and ZDBRIDGE_DB_PATH at
// a private temporary directory and resets the simulator to its built-in
// enclosure on the manual clock. The simulator is linked into every test
// program, so the bridge's libzd_api.so is the same instance the test shapes
// through sim/zd_sim.h.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/zd_sim.h"

namespace zdtest {

// A fresh directory under /tmp, removed with its contents at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    // path() + "/" + name
    std::string file(const std::string& name) const;

private:
    std::string m_path;
};

// Whether `part` occurs in `text`; a failure shows both.
::testing::AssertionResult contains(const std::string& text, const std::string& part);

// The text of the first <name> element of an XML answer: "" for an empty
// element (<name />), "<none>" when there is none.
std::string field(const std::string& answer, const std::string& name);

// How often `piece` occurs in `text` (overlapping occurrences included).
size_t countOf(const std::string& text, const std::string& piece);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
bool fileExists(const std::string& path);

// The simulator's call record since the last zdsim_clear_calls(): the whole
// text ("ZD_LD_Delete 0 1 1\n..."), its lines, and the lines of one function.
std::string simCallText();
std::vector<std::string> simCalls();
std::vector<std::string> simCallsOf(const std::string& function);

// Waits for the child's end, at most `limit`: a child still running then has
// hung, so the test fails with its threads' stacks (from gdb, when there is
// one) and the child is killed. Answers waitpid's status.
int waitForExit(pid_t child, std::chrono::seconds limit = std::chrono::seconds(90));

struct BridgeOptions {
    bool resetSimulator = true;
    // Written as bridge.ini into the log directory before loading, if not empty.
    std::string logConfig;
};

// The eight exported functions of one load of the bridge.
struct BridgeExports {
    const char* (*getBridgeVersion)() = nullptr;
    void (*selectAdapter)(const char*) = nullptr;
    bool (*getSingleInfo)(const char*, const char*, char**) = nullptr;
    void (*getArrayInfo)(const char*, char**) = nullptr;
    void (*getRange)(const char*, char**) = nullptr;
    void (*getCondition)(const char*, char**) = nullptr;
    unsigned char (*sendCommand)(const char*) = nullptr;
    void (*getEvent)(char**) = nullptr;
};

// Resolves every export in a dlopen handle; answers the name of the first
// one missing, nullptr when all resolve.
const char* resolveExports(void* handle, BridgeExports& exports);

class LoadedBridge : public BridgeExports {
public:
    explicit LoadedBridge(const BridgeOptions& options = BridgeOptions());
    ~LoadedBridge();
    LoadedBridge(const LoadedBridge&) = delete;
    LoadedBridge& operator=(const LoadedBridge&) = delete;

    // Conveniences: the answer copied, "<unset>" when nothing was stored.
    std::string single(const std::string& cls, const std::string& key, bool* answered = nullptr);
    // single(), failing the test unless getSingleInfo answered true (false).
    std::string answered(const std::string& cls, const std::string& key);
    std::string unanswered(const std::string& cls, const std::string& key);
    std::string array(const std::string& cls);
    std::string range(const std::string& name);
    std::string condition(const std::string& request);
    std::string events();
    unsigned char command(const std::string& request) { return sendCommand(request.c_str()); }

    void* symbol(const char* name) const;
    const std::string& logDir() const { return m_dir.path(); }  // no trailing slash
    std::string logFile() const { return m_dir.file("bridge.log"); }
    std::string log() const { return readFile(logFile()); }
    std::string dbPath() const { return m_dir.file("db.xml"); }

private:
    TempDir m_dir;
    void* m_handle = nullptr;
};

}  // namespace zdtest
