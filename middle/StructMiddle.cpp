#include "middle/StructMiddle.h"

#include <tinyxml.h>

#include "middle/ArrayField.h"
#include "middle/SingleField.h"

StructMiddle::StructMiddle(const std::string& name) : m_name(name) {}

StructMiddle::~StructMiddle() {
    for (auto& field : m_fields) delete field.second;
}

void StructMiddle::addInNode(TiXmlElement* parent) {
    if (parent == nullptr) return;
    auto* element = new TiXmlElement(m_name);
    parent->LinkEndChild(element);
    for (auto& field : m_fields) {
        auto* fieldElement = new TiXmlElement(field.first);
        element->LinkEndChild(fieldElement);
        if (field.second != nullptr) field.second->addInNode(fieldElement);
    }
}

void StructMiddle::addField(const std::string& name, FieldMiddle* field) {
    if (!m_fields.emplace(name, field).second) delete field;
}

void StructMiddle::addSingle(const std::string& name, const std::string& value) {
    addField(name, new SingleField(value));
}

void StructMiddle::addArray(const std::string& name, const std::string& itemName,
                            const std::vector<std::string>& values, bool hasIndex) {
    auto* array = new ArrayField(itemName, hasIndex);
    array->prepareLength(values.size());
    for (const std::string& value : values) array->addValue(value);
    addField(name, array);
}

std::string StructMiddle::toString() {
    TiXmlElement holder("");
    addInNode(&holder);
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    holder.FirstChild()->Accept(&printer);
    return printer.Str();
}

const std::string* StructMiddle::findSingle(const std::string& name) const {
    auto found = m_fields.find(name);
    if (found == m_fields.end()) return nullptr;
    auto* single = dynamic_cast<const SingleField*>(found->second);
    return single != nullptr ? &single->getValue() : nullptr;
}

const std::vector<std::string>* StructMiddle::findArray(const std::string& name) const {
    auto found = m_fields.find(name);
    if (found == m_fields.end()) return nullptr;
    auto* array = dynamic_cast<const ArrayField*>(found->second);
    return array != nullptr ? &array->getValues() : nullptr;
}
