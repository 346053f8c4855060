#include "schedule/DataReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <map>
#include <utility>
#include <vector>

#include <libxml/parser.h>
#include <libxml/xpath.h>

#include "base/Files.h"
#include "base/Log.h"
#include "schedule/AtomicXmlFile.h"
#include "schedule/DataKey.h"
#include "schedule/DataRow.h"
#include "schedule/DataTable.h"

namespace {

const xmlChar* xml(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }

std::string nameOf(xmlNodePtr node) { return reinterpret_cast<const char*>(node->name); }

bool isElement(xmlNodePtr node) { return node->type == XML_ELEMENT_NODE; }

bool isElementWithContent(xmlNodePtr node) { return isElement(node) && node->children != nullptr; }

// The text held by an element (entity references resolved), "" when none.
std::string textOf(xmlDocPtr doc, xmlNodePtr element) {
    xmlChar* text = xmlNodeListGetString(doc, element->children, 1);
    if (text == nullptr) return std::string();
    std::string value(reinterpret_cast<const char*>(text));
    xmlFree(text);
    return value;
}

// Replaces an element's content with value, stored verbatim as text.
void setText(xmlNodePtr element, const std::string& value) {
    xmlNodeSetContent(element, nullptr);
    xmlNodeAddContent(element, xml(value));
}

// One XPath evaluation over a document, freed at the end of its scope.
class XPathQuery {
public:
    XPathQuery(xmlDocPtr doc, const std::string& expression) : m_context(xmlXPathNewContext(doc)) {
        if (m_context == nullptr) return;
        m_result = xmlXPathEvalExpression(xml(expression), m_context);
    }
    ~XPathQuery() {
        if (m_result != nullptr) xmlXPathFreeObject(m_result);
        if (m_context != nullptr) xmlXPathFreeContext(m_context);
    }
    XPathQuery(const XPathQuery&) = delete;
    XPathQuery& operator=(const XPathQuery&) = delete;

    bool contextFailed() const { return m_context == nullptr; }
    bool evaluationFailed() const { return m_result == nullptr; }
    int size() const {
        return (m_result != nullptr && m_result->nodesetval != nullptr) ? m_result->nodesetval->nodeNr : 0;
    }
    xmlNodePtr node(int position) const { return m_result->nodesetval->nodeTab[position]; }

private:
    xmlXPathContextPtr m_context;
    xmlXPathObjectPtr m_result = nullptr;
};

}  // namespace

DataReader::DataReader(const std::string& path, int /*type*/)
    : m_storageType(STORAGE_TYPE_XML), m_path(path), m_lock(path), m_log(Log::getLog()) {
    if (!m_lock.lock()) {
        m_log->startLine(Log::util, "DataReader::DataReader");
        m_log->writeFormatInfo("%s is locked by another process: nothing will be written", m_path.c_str());
        m_log->endLine();
    }
    initFile();
}

DataReader::~DataReader() { Log::clear(); }

void DataReader::initFile() {
    if (::access(m_path.c_str(), F_OK) == 0) return;
    XmlErrors errors;
    xmlDocPtr doc = xmlNewDoc(xml("1.0"));
    xmlNodePtr root = xmlNewNode(nullptr, xml("root"));
    xmlDocSetRootElement(doc, root);
    xmlAddChild(root, xmlNewNode(nullptr, xml("BGASchedules")));
    AtomicXmlFile::create(m_path, doc);
    xmlFreeDoc(doc);
}

void DataReader::openLink() {
    if (m_storageType != STORAGE_TYPE_XML) return;
    if (::access(m_path.c_str(), F_OK) == 0) {
        // Only a regular file is read, without waiting on a FIFO or device.
        UniqueFd file(openRegularFile(m_path, O_RDONLY));
        if (!file.valid()) return;
        xmlInitParser();
        // No network, no external entities, no DTD loading.
        m_doc = xmlReadFd(file.get(), m_path.c_str(), nullptr, XML_PARSE_NONET);
    } else {
        m_doc = xmlNewDoc(xml("1.0"));
    }
}

bool DataReader::saveLink() {
    if (m_storageType != STORAGE_TYPE_XML || m_doc == nullptr || xmlDocGetRootElement(m_doc) == nullptr) return false;
    if (!m_lock.held()) return false;  // another process may be changing the file
    return AtomicXmlFile::save(m_path, m_doc);
}

// xmlCleanupParser is deliberately not called: it tears down libxml2 for the
// whole process, including other users of the library in the front end.
void DataReader::closeLink() {
    if (m_storageType != STORAGE_TYPE_XML) return;
    if (m_doc != nullptr) {
        xmlFreeDoc(m_doc);
        m_doc = nullptr;
    }
}

std::unique_ptr<DataTable> DataReader::getTable(const std::string& tableName,
                                                const std::set<std::string>& keyNames) {
    auto table = std::make_unique<DataTable>(this, tableName);
    {
        Link link(*this);
        m_log->startLine(Log::util, "DataReader::getTable");
        m_log->writeFormatInfo("table Name : %s\n", tableName.c_str());
        if (m_doc != nullptr) {
            XPathQuery query(m_doc, "/" + tableName);
            if (query.contextFailed()) {
                m_log->writeFormatInfo("xml path context error");
            } else if (query.evaluationFailed()) {
                m_log->writeFormatInfo("xml path parse error");
            } else if (query.size() > 0) {
                m_log->writeFormatInfo("node num found : %d\n", query.size());
                for (int i = 0; i < query.size(); ++i) {
                    xmlNodePtr tableNode = query.node(i);
                    if (!isElement(tableNode)) continue;
                    m_log->writeFormatInfo("node loop : %d\n", i);
                    for (xmlNodePtr rowNode = tableNode->children; rowNode; rowNode = rowNode->next) {
                        if (!isElementWithContent(rowNode)) continue;
                        DataKey key;
                        auto row = std::make_unique<DataRow>(table.get());
                        for (xmlNodePtr column = rowNode->children; column; column = column->next) {
                            if (!isElementWithContent(column)) continue;
                            std::string name = nameOf(column);
                            std::string value = textOf(m_doc, column);
                            if (keyNames.count(name) != 0) key.setValue(name, value);
                            row->setValue(name, value);
                        }
                        table->addRow(key, row.release());
                    }
                }
            }
        }
    }
    m_log->writeFormatInfo("table row count : %d\n", static_cast<int>(table->getRowCount()));
    m_log->endLine();
    return table;
}

bool DataReader::updateData(DataTable* table, const DataKey* key, DataRow* row) {
    if (table == nullptr || key == nullptr || row == nullptr) return false;
    return updateRows({{key, row}});
}

bool DataReader::updateRows(const std::vector<std::pair<const DataKey*, const DataRow*>>& rows) {
    std::vector<std::pair<const DataKey*, const DataRow*>> changed;
    for (const auto& entry : rows) {
        if (entry.second->isChanged()) changed.push_back(entry);
    }
    if (changed.empty()) return true;
    Link link(*this);
    if (m_doc == nullptr) return false;

    // The row element of every key value, found by one walk over the
    // elements of each key column: the first in document order wins.
    std::map<std::string, std::map<std::string, xmlNodePtr>> rowsByKey;  // key column -> value -> row
    bool allFound = true;
    for (const auto& [key, row] : changed) {
        const std::set<std::string>& keyNames = key->getItemNameList();
        if (keyNames.empty()) {
            allFound = false;
            continue;
        }
        const std::string& keyName = *keyNames.begin();
        auto column = rowsByKey.find(keyName);
        if (column == rowsByKey.end()) {
            column = rowsByKey.emplace(keyName, std::map<std::string, xmlNodePtr>()).first;
            XPathQuery query(m_doc, "//" + keyName);
            for (int i = 0; i < query.size(); ++i) {
                xmlNodePtr keyNode = query.node(i);
                if (isElement(keyNode)) column->second.emplace(textOf(m_doc, keyNode), keyNode->parent);
            }
        }
        auto found = column->second.find(key->getValueByName(keyName));
        if (found == column->second.end()) {
            allFound = false;
            continue;
        }
        const std::set<std::string>& names = row->getUpdateItemNameList();
        for (xmlNodePtr cell = found->second->children; cell; cell = cell->next) {
            if (isElement(cell) && names.count(nameOf(cell)) != 0) setText(cell, row->getValueByName(nameOf(cell)));
        }
    }
    return saveLink() && allFound;
}

bool DataReader::addNode(const std::string& tableName, const std::string& rowName, const DataRow& row) {
    Link link(*this);
    xmlNodePtr root = m_doc != nullptr ? xmlDocGetRootElement(m_doc) : nullptr;
    bool added = false;
    if (root != nullptr) {
        for (xmlNodePtr tableNode = root->children; tableNode; tableNode = tableNode->next) {
            if (!isElement(tableNode) || xmlStrcmp(tableNode->name, xml(tableName)) != 0) continue;
            xmlNodePtr rowNode = xmlNewNode(nullptr, xml(rowName));
            xmlAddChild(tableNode, rowNode);
            for (const std::string& name : row.getUpdateItemNameList()) {
                xmlNodePtr column = xmlNewNode(nullptr, xml(name));
                setText(column, row.getValueByName(name));
                xmlAddChild(rowNode, column);
            }
            added = true;
            break;
        }
    }
    return added && saveLink();
}

bool DataReader::deleteNode(const std::string& rowName, const std::string& keyName, const DataKey& key) {
    Link link(*this);
    if (m_doc == nullptr) return true;  // nothing stored, nothing to remove
    const std::string keyValue = key.getValueByName(keyName);
    XPathQuery query(m_doc, "//" + rowName);
    xmlNodePtr found = nullptr;
    for (int i = 0; i < query.size() && found == nullptr; ++i) {
        xmlNodePtr rowNode = query.node(i);
        if (!isElement(rowNode)) continue;
        for (xmlNodePtr column = rowNode->children; column; column = column->next) {
            if (isElement(column) && nameOf(column) == keyName && textOf(m_doc, column) == keyValue) {
                found = rowNode;
                break;
            }
        }
    }
    if (found == nullptr) return true;
    xmlUnlinkNode(found);
    xmlFreeNode(found);
    return saveLink();
}
