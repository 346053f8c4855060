// TablePrinter: aligned text tables for the human output.
//
// Columns are declared with a header and an alignment; rows are added cell by
// cell, each cell optionally coloured. Widths are measured on the plain texts,
// so colour never breaks the alignment.
//
//   TablePrinter table(terminal);
//   table.column("ID", TablePrinter::Right).column("Name");
//   table.row({{"1"}, {"Data", Color::Green}});
//   table.print(std::cout);
//
// FieldList (cli/FieldList.h) is the key/value counterpart for single objects.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/Terminal.h"

namespace zdctl {

class TablePrinter {
public:
    enum Align { Left, Right };
    struct Cell {
        Cell(std::string t = std::string(), Color c = Color::None) : text(std::move(t)), color(c) {}
        Cell(const char* t) : text(t) {}
        std::string text;
        Color color = Color::None;
    };

    explicit TablePrinter(const Terminal& terminal) : m_terminal(terminal) {}

    TablePrinter& column(const std::string& header, Align align = Left);
    void row(std::vector<Cell> cells);
    bool empty() const { return m_rows.empty(); }
    // Prints the header and every row; prefix is put before each line.
    // Terse: every row, tab-separated, and nothing else.
    void print(std::ostream& out, const std::string& prefix = std::string()) const;

    // Display width of UTF-8 text (continuation bytes do not count).
    static size_t widthOf(const std::string& text);
    static std::string padded(const std::string& text, size_t width, Align align);

private:
    struct Column {
        std::string header;
        Align align;
    };
    const Terminal& m_terminal;
    std::vector<Column> m_columns;
    std::vector<std::vector<Cell>> m_rows;
};

}  // namespace zdctl
