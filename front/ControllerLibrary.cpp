#include "front/ControllerLibrary.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "front/Error.h"
#include "front/InstallLayout.h"

namespace zdfront {

namespace {

const char* const kLibraryName = "libzd_api.so";
const char* const kSimulatorPackage = "zdbridge-simulator";

std::string loaderError()
{
    const char* text = dlerror();
    return text ? text : "unknown error";
}

// dlopen() of a FIFO would wait for a writer and of a device would read it:
// only regular files (or links to them) are opened.
void requireRegularFile(const std::string& path, const std::string& whenMissing)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) throw Error(ErrorKind::Failure, whenMissing);
        throw Error(ErrorKind::Failure, "cannot read the controller library " + path + ": " + std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode))
        throw Error(ErrorKind::Failure, "the controller library " + path + " is not a regular file");
}

void* openByPath(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle) throw Error(ErrorKind::Failure, "cannot load the controller library " + path + ": " + loaderError());
    return handle;
}

void* openSystem()
{
    void* handle = dlopen(kLibraryName, RTLD_NOW | RTLD_GLOBAL);
    if (handle) return handle;
    throw Error(ErrorKind::Failure,
                std::string("no controller library: the enclosure vendor's ") + kLibraryName +
                    " is not on the loader's path (" + loaderError() +
                    "). Install it (for example into /usr/local/lib, then run ldconfig) or set " +
                    ControllerLibrary::kEnvironmentVariable +
                    " to its full path; to rehearse without an enclosure, install " + kSimulatorPackage +
                    " and choose the simulator (zdctl --simulator, or " + ControllerLibrary::kEnvironmentVariable +
                    "=simulator)");
}

std::string loadedPath(void* handle)
{
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name) return kLibraryName;
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(map->l_name, nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string(map->l_name);
}

}  // namespace

ControllerLibrary ControllerLibrary::choose(const std::string& setting)
{
    std::string choice = setting;
    const char* environment = std::getenv(kEnvironmentVariable);
    if (choice.empty() && environment) choice = environment;

    if (choice.empty() || choice == "system") {
        void* handle = openSystem();
        return ControllerLibrary(handle, loadedPath(handle));
    }
    if (choice == "simulator") {
        std::string directory = libraryDirectory();
        std::string path = (directory.empty() ? std::string("<library directory>") : directory) +
                           "/zdbridge/simulator/" + kLibraryName;
        requireRegularFile(path, "the simulator is not installed (no " + path + "): install the package " +
                                     kSimulatorPackage);
        ControllerLibrary library(openByPath(path), path);
        if (!library.isSimulator())
            throw Error(ErrorKind::Failure,
                        path + " is not the simulator: reinstall the package " + kSimulatorPackage);
        return library;
    }
    if (choice[0] == '/') {
        requireRegularFile(choice, "the controller library " + choice + " does not exist");
        return ControllerLibrary(openByPath(choice), choice);
    }
    throw Error(ErrorKind::Failure, "unknown controller library '" + choice + "'" +
                                        (setting.empty() ? std::string(" in ") + kEnvironmentVariable : std::string()) +
                                        ": expected system, simulator or the absolute path of a " + kLibraryName);
}

ControllerLibrary::ControllerLibrary(void* handle, std::string path) : m_handle(handle), m_path(std::move(path))
{
    m_version = reinterpret_cast<VersionFunction>(dlsym(m_handle, "ZD_API_Version"));
    if (!m_version) {
        dlclose(m_handle);
        m_handle = nullptr;
        throw Error(ErrorKind::Failure, m_path + " is not a controller library: it has no ZD_API_Version");
    }
    m_isSimulator = dlsym(m_handle, "zdsim_reset") != nullptr;
}

ControllerLibrary::ControllerLibrary(ControllerLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)),
      m_path(std::move(other.m_path)),
      m_version(other.m_version),
      m_isSimulator(other.m_isSimulator)
{
}

ControllerLibrary::~ControllerLibrary()
{
    if (m_handle) dlclose(m_handle);
}

void ControllerLibrary::requireBoundBy(const std::string& bridgePath) const
{
    void* bridge = dlopen(bridgePath.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!bridge) throw Error(ErrorKind::Failure, "the bridge " + bridgePath + " is not loaded");
    void* used = dlsym(bridge, "ZD_API_Version");
    dlclose(bridge);
    if (used == reinterpret_cast<void*>(m_version)) return;
    Dl_info where {};
    std::string other = used && dladdr(used, &where) && where.dli_fname ? where.dli_fname : "none";
    throw Error(ErrorKind::Failure, "the bridge uses the controller library " + other + ", not the chosen " +
                                        m_path + " (does the chosen file lack the SONAME " + kLibraryName +
                                        ", or does LD_LIBRARY_PATH or LD_PRELOAD bring in another?)");
}

std::string ControllerLibrary::version() const
{
    const char* text = m_version();
    return text && *text ? text : "(no version)";
}

std::string ControllerLibrary::description() const
{
    return (m_isSimulator ? "simulator " : "") + version() + " (" + m_path + ")";
}

}  // namespace zdfront
