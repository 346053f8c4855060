// Record of the controller calls made through the ABI.
//
// Every ABI function appends one line ("ZD_LD_Delete 0 1 1": the function
// name and its scalar arguments in decimal) and keeps the bytes of its record
// argument as received, per function, so that tests can check exactly what
// the bridge sent. The line list is bounded; the oldest lines go first.
// It also adds up the time the calls took, so that benchmarks can tell the
// simulator's share of a request from the bridge's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

class CallRecorder {
public:
    void record(const std::string& function, const std::string& line, const void* bytes, size_t size);
    void addTime(uint64_t nanoseconds) { m_timeNs += nanoseconds; }
    void clear();

    // All lines, each ended by a newline.
    std::string text() const;
    uint32_t count(const std::string& function) const;
    // The record bytes of the function's last call; empty when none.
    const std::vector<uint8_t>* lastRecord(const std::string& function) const;
    uint64_t timeNs() const { return m_timeNs; }

private:
    static constexpr size_t kMaxLines = 20000;
    std::deque<std::string> m_lines;
    std::map<std::string, uint32_t> m_counts;
    std::map<std::string, std::vector<uint8_t>> m_records;
    uint64_t m_timeNs = 0;
};
