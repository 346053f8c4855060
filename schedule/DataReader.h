// The table store's file: an XML document with the root element "root",
// one element per table below it, one element per row below its table, and
// one element per column below its row holding the value as text.
//
// Every operation parses the file afresh, works on that document, writes it
// back when it changed something and frees it; nothing is kept between
// operations. The file's lock (DBLock) is held from construction to
// destruction, so a reader's reads and writes are not interleaved with
// another process's. A missing file is created (holding "root" with an empty
// "BGASchedules") when the reader is built; a file that cannot be parsed, or
// that vanished since, reads as empty and is never written (a document
// without its root element is never saved). Writes replace the file
// atomically (AtomicXmlFile) and answer whether the file now holds them.
//
//   DataReader reader(path, DataReader::STORAGE_TYPE_XML);
//   std::unique_ptr<DataTable> table = reader.getTable("root/BGASchedules", {"index"});
//   table->getRow(0)->changeValue("S", "1");
//   table->flashData();                       // through updateRows
//   reader.addNode("BGASchedules", "Sch", row);
//   reader.deleteNode("Sch", "index", key);
#pragma once

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <libxml/tree.h>

#include "schedule/DBLock.h"
#include "schedule/XmlErrors.h"

class DataKey;
class DataRow;
class DataTable;
class Log;

class DataReader {
public:
    static constexpr int STORAGE_TYPE_XML = 0;

    // Creates the file when it is missing; the storage type is always XML.
    DataReader(const std::string& path, int type);
    ~DataReader();
    DataReader(const DataReader&) = delete;
    DataReader& operator=(const DataReader&) = delete;

    // Loads every row below the element(s) at "/" + tableName; the columns
    // named in keyNames form each row's key.
    std::unique_ptr<DataTable> getTable(const std::string& tableName, const std::set<std::string>& keyNames);
    // Writes the row's changed columns into the row element whose first key
    // column holds the key's value; nothing when the row is unchanged (true).
    // False when the row is not in the file or the file was not saved.
    bool updateData(DataTable* table, const DataKey* key, DataRow* row);
    // updateData for many rows at once: one reading and one save of the
    // file; false when one of the rows is not in the file or it was not saved.
    bool updateRows(const std::vector<std::pair<const DataKey*, const DataRow*>>& rows);
    // Appends a rowName element with the row's changed columns (in name
    // order) to the root's first child named tableName; false when there is
    // no such table in the file or it was not saved.
    bool addNode(const std::string& tableName, const std::string& rowName, const DataRow& row);
    // Removes the first rowName element holding keyName with the key's
    // value; true also when there is none, false when the file was not saved.
    bool deleteNode(const std::string& rowName, const std::string& keyName, const DataKey& key);
    void recycleTable(std::unique_ptr<DataTable>& table) { table.reset(); }

    const std::string& getPath() const { return m_path; }

private:
    // Keeps the file's document open for one operation, libxml2's messages
    // going to the log meanwhile.
    class Link {
    public:
        explicit Link(DataReader& reader) : m_reader(reader) { m_reader.openLink(); }
        ~Link() { m_reader.closeLink(); }
        Link(const Link&) = delete;
        Link& operator=(const Link&) = delete;

    private:
        XmlErrors m_errors;
        DataReader& m_reader;
    };

    void initFile();
    void openLink();
    bool saveLink();
    void closeLink();

    int m_storageType;
    std::string m_path;
    DBLock m_lock;
    xmlDocPtr m_doc = nullptr;
    Log* m_log;
};
