// One row of a DataTable: all of its columns, and which of them were changed.
//
// Loading fills a row with setValue (nothing marked). changeValue marks the
// column, and DataReader::updateData / addNode write exactly the marked
// columns to the file. A row belongs to the table that holds it.
#pragma once

#include <set>
#include <string>

#include "schedule/DataMap.h"

class DataTable;

class DataRow : public DataMap {
public:
    explicit DataRow(DataTable* owner = nullptr) : m_owner(owner) {}

    // Sets the value and marks the column as changed.
    void changeValue(const std::string& name, const std::string& value);
    bool isChanged() const { return m_changed; }
    // The changed column names, in ascending name order.
    const std::set<std::string>& getUpdateItemNameList() const { return m_updateItemNames; }
    DataTable* getOwner() const { return m_owner; }

private:
    DataTable* m_owner;
    bool m_changed = false;
    std::set<std::string> m_updateItemNames;
};
