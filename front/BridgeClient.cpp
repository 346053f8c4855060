#include "front/BridgeClient.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

#include "front/Error.h"
#include "front/InstallLayout.h"

namespace zdfront {

namespace {

const char* const kLibraryName = "libzdbridge.so.1";

template <typename F>
void bind(void* handle, const char* name, F& target, const std::string& path)
{
    target = reinterpret_cast<F>(dlsym(handle, name));
    if (!target) throw Error(ErrorKind::Failure, path + " does not export " + name);
}

std::optional<std::string> taken(const char* out)
{
    if (!out) return std::nullopt;
    return std::string(out);
}

}  // namespace

std::string BridgeClient::locate()
{
    if (const char* configured = std::getenv("ZDCTL_BRIDGE"); configured && *configured) return configured;
    std::string directory = libraryDirectory();
    if (!directory.empty()) {
        std::string candidate = directory + "/" + kLibraryName;
        if (access(candidate.c_str(), R_OK) == 0) return candidate;
    }
    return kLibraryName;
}

BridgeClient::BridgeClient(const std::string& libraryPath) : m_path(libraryPath)
{
    m_handle = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* reason = dlerror();
        throw Error(ErrorKind::Failure, "cannot load the bridge library: " + std::string(reason ? reason : libraryPath));
    }
    try {
        bind(m_handle, "getBridgeVersion", m_getBridgeVersion, m_path);
        bind(m_handle, "selectAdapter", m_selectAdapter, m_path);
        bind(m_handle, "getSingleInfo", m_getSingleInfo, m_path);
        bind(m_handle, "getArrayInfo", m_getArrayInfo, m_path);
        bind(m_handle, "getRange", m_getRange, m_path);
        bind(m_handle, "getCondition", m_getCondition, m_path);
        bind(m_handle, "sendCommand", m_sendCommand, m_path);
        bind(m_handle, "getEvent", m_getEvent, m_path);
    } catch (...) {
        dlclose(m_handle);
        throw;
    }
}

BridgeClient::~BridgeClient()
{
    if (m_handle) dlclose(m_handle);
}

std::string BridgeClient::version() const
{
    const char* text = m_getBridgeVersion();
    return text ? text : "";
}

void BridgeClient::selectAdapter(unsigned adapterId) const
{
    m_selectAdapter(std::to_string(adapterId).c_str());
}

bool BridgeClient::single(const std::string& className, const std::string& key, std::string& text) const
{
    char* out = nullptr;
    bool answered = m_getSingleInfo(className.c_str(), key.c_str(), &out);
    text = out ? out : "";
    return answered;
}

std::optional<std::string> BridgeClient::array(const std::string& className) const
{
    char* out = nullptr;
    m_getArrayInfo(className.c_str(), &out);
    return taken(out);
}

std::string BridgeClient::range(const std::string& name) const
{
    char* out = nullptr;
    m_getRange(name.c_str(), &out);
    return out ? out : "";
}

std::optional<std::string> BridgeClient::condition(const std::string& request) const
{
    char* out = nullptr;
    m_getCondition(request.c_str(), &out);
    return taken(out);
}

uint8_t BridgeClient::command(const std::string& request) const
{
    return m_sendCommand(request.c_str());
}

std::optional<std::string> BridgeClient::events() const
{
    char* out = nullptr;
    m_getEvent(&out);
    return taken(out);
}

}  // namespace zdfront
