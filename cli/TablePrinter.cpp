#include "cli/TablePrinter.h"

#include <algorithm>

namespace zdctl {

size_t TablePrinter::widthOf(const std::string& text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(),
                                             [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string TablePrinter::padded(const std::string& text, size_t width, Align align)
{
    size_t length = widthOf(text);
    if (length >= width) return text;
    std::string fill(width - length, ' ');
    return align == Right ? fill + text : text + fill;
}

TablePrinter& TablePrinter::column(const std::string& header, Align align)
{
    m_columns.push_back({header, align});
    return *this;
}

void TablePrinter::row(std::vector<Cell> cells)
{
    cells.resize(m_columns.size());
    m_rows.push_back(std::move(cells));
}

void TablePrinter::print(std::ostream& out, const std::string& prefix) const
{
    if (m_terminal.terse()) {
        for (const auto& cells : m_rows) {
            for (size_t i = 0; i < cells.size(); ++i) out << (i ? "\t" : "") << cells[i].text;
            out << '\n';
        }
        return;
    }
    std::vector<size_t> widths;
    for (const Column& column : m_columns) widths.push_back(widthOf(column.header));
    for (const auto& cells : m_rows)
        for (size_t i = 0; i < cells.size(); ++i) widths[i] = std::max(widths[i], widthOf(cells[i].text));

    auto line = [&](const std::vector<Cell>& cells, bool header) {
        std::string text = prefix;
        for (size_t i = 0; i < m_columns.size(); ++i) {
            bool last = i + 1 == m_columns.size();
            std::string cell = (last && m_columns[i].align == Left) ? cells[i].text
                                                                     : padded(cells[i].text, widths[i], m_columns[i].align);
            if (last) cell.erase(cell.find_last_not_of(' ') + 1);
            text += m_terminal.paint(cell, header ? Color::Bold : cells[i].color);
            if (!last) text += "  ";
        }
        text.erase(text.find_last_not_of(' ') + 1);
        out << text << '\n';
    };
    std::vector<Cell> headers;
    for (const Column& column : m_columns) headers.emplace_back(column.header);
    line(headers, true);
    for (const auto& cells : m_rows) line(cells, false);
}

}  // namespace zdctl
