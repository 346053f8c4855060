// The identifying columns of a table row (for schedules: "index").
//
// Keys order the rows of a DataTable: both maps are walked in name order and
// the first differing name, then the first differing value, decides, with
// plain byte-wise comparison ("10" < "100" < "9"); a key that is a prefix of
// the other is the smaller.
#pragma once

#include <map>
#include <set>
#include <string>

#include "schedule/DataMap.h"

class DataKey : public DataMap {
public:
    // Also records name as one of the key's column names.
    void setValue(const std::string& name, const std::string& value) override;

    const std::set<std::string>& getItemNameList() const { return m_itemNames; }
    const std::map<std::string, std::string>& getKeyContainer() const { return m_values; }

    bool operator<(const DataKey& other) const;

private:
    std::set<std::string> m_itemNames;
};
