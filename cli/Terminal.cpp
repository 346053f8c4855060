#include "cli/Terminal.h"

#include <unistd.h>

#include <cstdlib>

namespace zdctl {

Terminal::Terminal(bool colorAllowed, bool terse)
    : m_outputTty(isatty(STDOUT_FILENO) != 0),
      m_errorTty(isatty(STDERR_FILENO) != 0),
      m_inputTty(isatty(STDIN_FILENO) != 0),
      m_color(colorAllowed && !terse && m_outputTty && std::getenv("NO_COLOR") == nullptr),
      m_terse(terse)
{
}

std::string Terminal::paint(const std::string& text, Color color) const
{
    if (!m_color || color == Color::None) return text;
    const char* code = "";
    switch (color) {
    case Color::Green: code = "32"; break;
    case Color::Yellow: code = "33"; break;
    case Color::Red: code = "31"; break;
    case Color::Cyan: code = "36"; break;
    case Color::Bold: code = "1"; break;
    case Color::None: break;
    }
    return "\033[" + std::string(code) + "m" + text + "\033[0m";
}

}  // namespace zdctl
