// FieldList: a key/value listing for the show commands.
//
//   FieldList fields(terminal);
//   fields.add("Name", "Data");
//   fields.add("Status", "Degrade", Color::Yellow);
//   fields.print(std::cout);      // "Name:    Data" with the values aligned
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/TablePrinter.h"

namespace zdctl {

class FieldList {
public:
    explicit FieldList(const Terminal& terminal) : m_terminal(terminal) {}
    void add(const std::string& label, const std::string& value, Color color = Color::None);
    void print(std::ostream& out) const;

private:
    const Terminal& m_terminal;
    std::vector<std::pair<std::string, TablePrinter::Cell>> m_lines;
};

}  // namespace zdctl
