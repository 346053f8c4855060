#include "front/InstallLayout.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>

#ifndef ZD_RELATIVE_LIBDIR
#error "ZD_RELATIVE_LIBDIR (the library directory relative to the program directory) must be defined"
#endif

namespace zdfront {

std::string libraryDirectory()
{
    char program[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", program, sizeof(program) - 1);
    if (length <= 0) return std::string();
    std::string directory(program, static_cast<size_t>(length));
    size_t slash = directory.rfind('/');
    if (slash == std::string::npos) return std::string();
    directory.resize(slash);
    std::unique_ptr<char, decltype(&std::free)> resolved(
        realpath((directory + "/" ZD_RELATIVE_LIBDIR).c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

}  // namespace zdfront
