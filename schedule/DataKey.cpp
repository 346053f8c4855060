#include "schedule/DataKey.h"

void DataKey::setValue(const std::string& name, const std::string& value) {
    DataMap::setValue(name, value);
    m_itemNames.insert(name);
}

// Lexicographic order of the (name, value) pairs: names first, then values.
bool DataKey::operator<(const DataKey& other) const { return m_values < other.m_values; }
