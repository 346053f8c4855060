// Terminal: what zdctl may do with its standard streams.
//
// Colour is used only when standard output is a terminal and --no-color was
// not given (NO_COLOR in the environment also switches it off); progress bars
// redraw in place only on a terminal. Terse output (--terse, for awk and
// cut) has no colour, no table headers and tab-separated columns. paint() wraps a text in the escape
// sequence of a colour, or returns it unchanged when colour is off.
#pragma once

#include <string>

namespace zdctl {

enum class Color { None, Green, Yellow, Red, Cyan, Bold };

class Terminal {
public:
    Terminal(bool colorAllowed, bool terse);

    bool outputIsTerminal() const { return m_outputTty; }
    bool errorIsTerminal() const { return m_errorTty; }
    bool inputIsTerminal() const { return m_inputTty; }
    bool color() const { return m_color; }
    bool terse() const { return m_terse; }

    std::string paint(const std::string& text, Color color) const;

private:
    bool m_outputTty;
    bool m_errorTty;
    bool m_inputTty;
    bool m_color;
    bool m_terse;
};

}  // namespace zdctl
