#include "schedule/DataMap.h"

void DataMap::setValue(const std::string& name, const std::string& value) { m_values[name] = value; }

std::string DataMap::getValueByName(const std::string& name) const {
    auto found = m_values.find(name);
    return found == m_values.end() ? std::string() : found->second;
}
