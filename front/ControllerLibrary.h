// ControllerLibrary: the controller library (libzd_api.so) a front end runs
// the bridge against, chosen explicitly and loaded before the bridge.
//
// The bridge depends on libzd_api.so. On a host with an enclosure that is the
// vendor's library, found by the system loader. This project's simulator is
// installed in a private directory (<libdir>/zdbridge/simulator) where the
// loader never looks, so it can neither shadow nor replace the vendor's.
// choose() opens the chosen file by its full path (RTLD_GLOBAL) before the
// bridge is opened; the loader then binds the bridge's libzd_api.so
// dependency to this already loaded library, whose SONAME it carries, so no
// LD_LIBRARY_PATH is needed. requireBoundBy() checks that it did.
//
// The setting comes from the front end's own option or configuration key
// (zdctl --simulator, zdmond's controller key); when that is empty the
// environment variable ZDBRIDGE_CONTROLLER decides, and when that is unset
// too, "system":
//   "system"      the vendor's libzd_api.so on the loader's path
//   "simulator"   the simulator installed with this bridge (package
//                 zdbridge-simulator), see InstallLayout.h
//   "/some/path"  that file (for a vendor library kept off the loader's path)
// Every failure throws Error (ErrorKind::Failure) whose text says what to
// install or set. Keep the object alive while the bridge is loaded (declare it first):
//
//   ControllerLibrary controller = ControllerLibrary::choose(settingOrEmpty);
//   BridgeClient bridge(BridgeClient::locate());
//   controller.requireBoundBy(bridge.path());
//   log << "controller: " << controller.description();
#pragma once

#include <string>

namespace zdfront {

class ControllerLibrary {
public:
    static constexpr const char* kEnvironmentVariable = "ZDBRIDGE_CONTROLLER";

    static ControllerLibrary choose(const std::string& setting);

    ControllerLibrary(ControllerLibrary&& other) noexcept;
    ~ControllerLibrary();
    ControllerLibrary(const ControllerLibrary&) = delete;
    ControllerLibrary& operator=(const ControllerLibrary&) = delete;
    ControllerLibrary& operator=(ControllerLibrary&&) = delete;

    // Throws unless the loaded bridge (its path or file name as given to
    // dlopen) calls this library and not another libzd_api.so.
    void requireBoundBy(const std::string& bridgePath) const;

    // The file loaded, as an absolute path.
    const std::string& path() const { return m_path; }
    // Whether it is this project's simulator (it has the zdsim_ control interface).
    bool isSimulator() const { return m_isSimulator; }
    // The library's own version text (ZD_API_Version); ask after the bridge is loaded.
    std::string version() const;
    // "simulator zdsim 1.0.0 (/usr/lib/.../libzd_api.so)" or "<version> (<path>)".
    std::string description() const;

private:
    using VersionFunction = const char* (*)();

    ControllerLibrary(void* handle, std::string path);

    void* m_handle = nullptr;
    std::string m_path;
    VersionFunction m_version = nullptr;
    bool m_isSimulator = false;
};

}  // namespace zdfront
