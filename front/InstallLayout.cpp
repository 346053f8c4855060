#include "front/InstallLayout.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>

#if !defined(ZD_RELATIVE_LIBDIR) || !defined(ZD_RELATIVE_DATADIR)
#error "ZD_RELATIVE_LIBDIR and ZD_RELATIVE_DATADIR (relative to the program directory) must be defined"
#endif

namespace zdfront {

namespace {

// <the running program's directory>/<relative>, resolved; empty when unknown.
std::string besideProgram(const char* relative)
{
    char program[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", program, sizeof(program) - 1);
    if (length <= 0) return std::string();
    std::string directory(program, static_cast<size_t>(length));
    size_t slash = directory.rfind('/');
    if (slash == std::string::npos) return std::string();
    directory.resize(slash);
    std::unique_ptr<char, decltype(&std::free)> resolved(
        realpath((directory + "/" + relative).c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

}  // namespace

std::string libraryDirectory() { return besideProgram(ZD_RELATIVE_LIBDIR); }

std::string dataDirectory() { return besideProgram(ZD_RELATIVE_DATADIR); }

}  // namespace zdfront
