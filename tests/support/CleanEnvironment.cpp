// Every test program starts without the project's variables that the user
// may have exported in the shell (the README suggests ZD_SIM_STATE and
// friends), so that no test reads or writes the user's enclosure, log or
// schedule file and each test sets what it relies on. The variables are
// removed before the program's static objects are built, as some of those
// read them once, at load. ZD_PROJECT_VARIABLES comes from tests/CMakeLists.txt.
#include <cstdlib>
#include <string>

namespace {

__attribute__((constructor(101))) void removeProjectVariables() {
    const std::string names = ZD_PROJECT_VARIABLES;
    size_t start = 0;
    while (start <= names.size()) {
        size_t comma = names.find(',', start);
        if (comma == std::string::npos) comma = names.size();
        unsetenv(names.substr(start, comma - start).c_str());
        start = comma + 1;
    }
}

}  // namespace
