#include "schedule/DataRow.h"

void DataRow::changeValue(const std::string& name, const std::string& value) {
    setValue(name, value);
    m_changed = true;
    m_updateItemNames.insert(name);
}
