#include "sim/CallRecorder.h"

void CallRecorder::record(const std::string& function, const std::string& line, const void* bytes,
                          size_t size) {
    if (m_lines.size() == kMaxLines) m_lines.pop_front();
    m_lines.push_back(line);
    ++m_counts[function];
    if (bytes != nullptr && size > 0) {
        const auto* begin = static_cast<const uint8_t*>(bytes);
        m_records[function].assign(begin, begin + size);
    }
}

void CallRecorder::clear() {
    m_lines.clear();
    m_counts.clear();
    m_records.clear();
    m_timeNs = 0;
}

std::string CallRecorder::text() const {
    std::string text;
    for (const std::string& line : m_lines) {
        text += line;
        text += '\n';
    }
    return text;
}

uint32_t CallRecorder::count(const std::string& function) const {
    auto it = m_counts.find(function);
    return it == m_counts.end() ? 0 : it->second;
}

const std::vector<uint8_t>* CallRecorder::lastRecord(const std::string& function) const {
    auto it = m_records.find(function);
    return it == m_records.end() ? nullptr : &it->second;
}
