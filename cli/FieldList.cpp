#include "cli/FieldList.h"

#include <algorithm>

namespace zdctl {

void FieldList::add(const std::string& label, const std::string& value, Color color)
{
    m_lines.emplace_back(label, TablePrinter::Cell(value, color));
}

void FieldList::print(std::ostream& out) const
{
    if (m_terminal.terse()) {
        for (const auto& line : m_lines) out << line.first << '\t' << line.second.text << '\n';
        return;
    }
    size_t width = 0;
    for (const auto& line : m_lines) width = std::max(width, TablePrinter::widthOf(line.first) + 1);
    for (const auto& line : m_lines)
        out << TablePrinter::padded(line.first + ":", width, TablePrinter::Left) << "  "
            << m_terminal.paint(line.second.text, line.second.color) << '\n';
}

}  // namespace zdctl
