#include "schedule/DataTable.h"

#include <iterator>
#include <utility>
#include <vector>

#include "schedule/DataReader.h"

void DataTable::addRow(const DataKey& key, DataRow* row) {
    std::unique_ptr<DataRow> owned(row);
    m_rows.try_emplace(key, std::move(owned));
}

void DataTable::removeRow(const DataKey& key) { m_rows.erase(key); }

DataRow* DataTable::getRow(size_t position) const {
    if (position >= m_rows.size()) return nullptr;
    return std::next(m_rows.begin(), static_cast<std::ptrdiff_t>(position))->second.get();
}

const DataKey* DataTable::getKey(size_t position) const {
    if (position >= m_rows.size()) return nullptr;
    return &std::next(m_rows.begin(), static_cast<std::ptrdiff_t>(position))->first;
}

DataRow* DataTable::getRow(const DataKey& key) const {
    auto found = m_rows.find(key);
    return found == m_rows.end() ? nullptr : found->second.get();
}

bool DataTable::flashData() {
    std::vector<std::pair<const DataKey*, const DataRow*>> rows;
    rows.reserve(m_rows.size());
    for (const auto& entry : m_rows) rows.emplace_back(&entry.first, entry.second.get());
    return m_reader->updateRows(rows);
}
