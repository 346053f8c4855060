#include "cli/ProgressBar.h"

#include <algorithm>

namespace zdctl {

std::string ProgressBar::bar(unsigned percent, unsigned width)
{
    unsigned filled = std::min(percent, 100u) * width / 100;
    return "[" + std::string(filled, '#') + std::string(width - filled, '.') + "]";
}

void ProgressBar::update(const std::string& label, unsigned percent)
{
    percent = std::min(percent, 100u);
    if (m_terminal) {
        std::string line = label + "  " + bar(percent, 30) + " " + std::to_string(percent) + "%";
        m_out << "\r\033[K" << line << std::flush;
        m_drawn = true;
        return;
    }
    int step = static_cast<int>(percent / 10);
    if (label == m_label && step == m_lastStep) return;
    m_label = label;
    m_lastStep = step;
    m_out << label << ": " << percent << "%" << std::endl;
}

void ProgressBar::finish()
{
    if (m_terminal && m_drawn) m_out << std::endl;
    m_drawn = false;
}

}  // namespace zdctl
