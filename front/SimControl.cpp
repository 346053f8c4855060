#include "front/SimControl.h"

#include <dlfcn.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "front/Answer.h"
#include "front/Error.h"

namespace zdfront {

namespace {

template <typename F>
void bind(void* handle, const char* name, F& target)
{
    target = reinterpret_cast<F>(dlsym(handle, name));
}

// A control function's answer: 0, -1 for an unknown item (what), or -2 when
// the simulator's state file could not take the change (its reason is on
// standard error already).
void check(int status, const std::string& what)
{
    if (status == -2) throw Error(ErrorKind::Failure, "simulator: the change could not be saved");
    if (status != 0) throw Error(ErrorKind::NotFound, "simulator: " + what + " does not exist");
}

}  // namespace

SimControl::SimControl()
{
    m_handle = dlopen("libzd_api.so", RTLD_NOLOAD | RTLD_NOW);
    if (!m_handle) return;
    bind(m_handle, "zdsim_fail_disk", m_failDisk);
    bind(m_handle, "zdsim_pull_disk", m_pullDisk);
    bind(m_handle, "zdsim_insert_disk", m_insertDisk);
    bind(m_handle, "zdsim_write_image", m_writeImage);
    bind(m_handle, "zdsim_reset", m_reset);
    bind(m_handle, "zdsim_use_manual_clock", m_useManualClock);
    bind(m_handle, "zdsim_set_page_delay_ms", m_setPageDelay);
    bind(m_handle, "zdsim_advance_ms", m_advance);
    bind(m_handle, "zdsim_set_inconsistent_stripes", m_setInconsistentStripes);
    if (!m_failDisk || !m_pullDisk || !m_insertDisk || !m_writeImage || !m_setPageDelay || !m_useManualClock ||
        !m_advance || !m_setInconsistentStripes) {
        m_reset = nullptr;
        return;
    }
    if (const char* delay = std::getenv("ZD_SIM_PAGE_DELAY_MS")) {
        if (std::optional<uint64_t> ms = Answer::toNumber(delay); ms && *ms <= 10000)
            m_setPageDelay(static_cast<uint32_t>(*ms));
    }
}

SimControl::~SimControl()
{
    if (m_handle) dlclose(m_handle);
}

void SimControl::require() const
{
    if (!available()) throw Error(ErrorKind::Failure, "not available: the controller library is not the simulator");
}

void SimControl::failDisk(uint8_t adapter, uint16_t disk) const
{
    require();
    check(m_failDisk(adapter, disk), "disk " + std::to_string(disk) + " of adapter " + std::to_string(adapter));
}

void SimControl::pullDisk(uint8_t adapter, uint16_t disk) const
{
    require();
    check(m_pullDisk(adapter, disk), "disk " + std::to_string(disk) + " of adapter " + std::to_string(adapter));
}

void SimControl::insertDisk(uint8_t adapter, uint16_t disk) const
{
    require();
    check(m_insertDisk(adapter, disk),
          "pulled disk " + std::to_string(disk) + " of adapter " + std::to_string(adapter));
}

void SimControl::reset() const
{
    require();
    check(m_reset(), "the enclosure");
    check(m_useManualClock(0), "the clock");  // the reset stops the clock for tests; activities run on wall time here
}

void SimControl::useManualClock(bool manual) const
{
    require();
    check(m_useManualClock(manual ? 1 : 0), "the clock");
}

void SimControl::advance(uint64_t milliseconds) const
{
    require();
    check(m_advance(milliseconds), "the clock");
}

void SimControl::setInconsistentStripes(uint8_t adapter, uint16_t array, uint32_t stripes) const
{
    require();
    check(m_setInconsistentStripes(adapter, array, stripes),
          "array " + std::to_string(array) + " of adapter " + std::to_string(adapter));
}

void SimControl::writeImage(const std::string& path, uint8_t type, uint16_t deviceId, const uint16_t version[4],
                            uint32_t payloadBytes) const
{
    require();
    errno = 0;
    if (m_writeImage(path.c_str(), type, deviceId, version[0], version[1], version[2], version[3], payloadBytes) != 0) {
        const int error = errno;
        std::string why = error == ELOOP   ? "it is a symbolic link, which is never followed"
                          : error == EINVAL || error == ENXIO ? "it is not a regular file"
                          : error != 0      ? std::strerror(error)
                                            : "the simulator refused it";
        throw Error(ErrorKind::Failure, "cannot write the firmware image " + path + ": " + why);
    }
}

}  // namespace zdfront
