// An in-memory snapshot of one table of the table store: rows ordered by key.
//
// DataReader::getTable builds it from the file. Changes made with
// DataRow::changeValue reach the file only through flashData (or the
// reader's updateData / updateRows); rows added or deleted in the file afterwards are not
// seen by a table already loaded. The table owns its rows.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>

#include "schedule/DataKey.h"
#include "schedule/DataRow.h"

class DataReader;

class DataTable {
public:
    using Rows = std::map<DataKey, std::unique_ptr<DataRow>>;

    DataTable(DataReader* reader, const std::string& name) : m_reader(reader), m_name(name) {}
    virtual ~DataTable() = default;
    DataTable(const DataTable&) = delete;
    DataTable& operator=(const DataTable&) = delete;

    // Stores a copy of key with the row (taking ownership of it); when an
    // equal key is already present the existing row is kept and row deleted.
    void addRow(const DataKey& key, DataRow* row);
    void removeRow(const DataKey& key);
    size_t getRowCount() const { return m_rows.size(); }
    // The row (or its key) at a position in key order, or nullptr past the end.
    DataRow* getRow(size_t position) const;
    const DataKey* getKey(size_t position) const;
    // The row with that key, or nullptr.
    DataRow* getRow(const DataKey& key) const;
    // Every row in key order, for walking the table once (getRow(position)
    // walks from the start each time).
    const Rows& rows() const { return m_rows; }
    // Writes every changed row to the file in one save; false when one of
    // them did not reach it.
    bool flashData();
    const std::string& getName() const { return m_name; }

private:
    DataReader* m_reader;
    std::string m_name;
    Rows m_rows;
};
