// Help: zdctl's help pages, the global one and one per command.
//
//   zdctl --help                  the global page
//   zdctl array --help            the array commands
//   zdctl array create --help     that command: usage, options, choices, example
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zdctl::Help {

// Prints the page for the command words given (none: the global page);
// false when no command has those words.
bool print(std::ostream& out, const std::vector<std::string>& words);

}  // namespace zdctl::Help
