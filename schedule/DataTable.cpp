#include "schedule/DataTable.h"

#include <iterator>

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
    bool saved = true;
    for (auto& entry : m_rows) saved = m_reader->updateData(this, &entry.first, entry.second.get()) && saved;
    return saved;
}
