#include "middle/ArrayField.h"

#include <tinyxml.h>

ArrayField::ArrayField(const std::string& itemName, bool hasIndex) : m_itemName(itemName), m_hasIndex(hasIndex) {}

void ArrayField::addInNode(TiXmlElement* parent) {
    if (parent == nullptr) return;
    int index = 0;
    for (const std::string& value : m_values) {
        auto* item = new TiXmlElement(m_itemName);
        parent->LinkEndChild(item);
        if (m_hasIndex) item->SetAttribute("index", index);
        item->LinkEndChild(new TiXmlText(value));
        ++index;
    }
}

void ArrayField::addValue(const std::string& value) { m_values.push_back(value); }
