// The state file: when ZD_SIM_STATE names a file, the enclosure is loaded
// from it at ZD_API_Initialize and saved to it after every change, so that
// separate processes (one command-line call each) see one enclosure.
//
// The file is a JSON document with "format_version" 1, written atomically
// (temporary file, then rename). A missing file means the built-in
// enclosure. A file that cannot be read, or has another format version, is
// never overwritten: the simulator says so on stderr and keeps its state in
// memory only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/AdapterModel.h"
#include "sim/SimClock.h"

class StateStore {
public:
    static constexpr int kFormatVersion = 1;

    enum class LoadResult { Disabled, Missing, Loaded, Refused };

    // Takes the path from ZD_SIM_STATE (none: disabled) and loads it.
    LoadResult load(const SimClock& clock, std::vector<std::shared_ptr<AdapterModel>>& adapters);
    void save(const SimClock& clock, const std::vector<std::shared_ptr<AdapterModel>>& adapters);
    bool active() const { return !m_path.empty() && !m_refused; }

private:
    void refuse(const std::string& why);

    std::string m_path;
    bool m_refused = false;
    bool m_saveErrorReported = false;
};
