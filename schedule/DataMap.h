// A row's named text values: an ordered map from column name to value.
//
// Base of DataKey (the identifying columns of a row) and DataRow (all of its
// columns). Every value of the table store is text; an absent name reads as
// an empty string.
#pragma once

#include <map>
#include <string>

class DataMap {
public:
    DataMap() = default;
    virtual ~DataMap() = default;
    DataMap(const DataMap&) = default;
    DataMap& operator=(const DataMap&) = default;

    // Inserts the pair, or replaces the value of a name already present.
    virtual void setValue(const std::string& name, const std::string& value);
    // The value of name, or an empty string when the name is absent.
    std::string getValueByName(const std::string& name) const;

protected:
    std::map<std::string, std::string> m_values;
};
