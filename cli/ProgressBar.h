// ProgressBar: shows how far a long activity has come.
//
// On a terminal it redraws one line in place ("Init BackGround  [#####.....]  47%");
// elsewhere (logs, CI, pipes) it prints a plain line only when the progress
// crosses another step of 10 per cent, or when the label changes.
// finish() ends the line.
#pragma once

#include <ostream>
#include <string>

namespace zdctl {

class ProgressBar {
public:
    ProgressBar(std::ostream& out, bool terminal) : m_out(out), m_terminal(terminal) {}
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(const std::string& label, unsigned percent);
    void finish();

    // A bar of the given width as text, for static listings ("[####......]").
    static std::string bar(unsigned percent, unsigned width);

private:
    std::ostream& m_out;
    bool m_terminal;
    bool m_drawn = false;
    std::string m_label;
    int m_lastStep = -1;
};

}  // namespace zdctl
