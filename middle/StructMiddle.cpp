#include "middle/StructMiddle.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstring>

#include "middle/ArrayField.h"

StructMiddle::StructMiddle(const std::string& name, size_t expectedFields, std::pmr::memory_resource* memory)
    : m_name(name), m_fields(memory), m_order(memory) {
    m_fields.reserve(expectedFields);
    m_order.reserve(expectedFields);
}

StructMiddle::~StructMiddle() = default;

void StructMiddle::addInNode(TiXmlElement* parent) {
    if (parent == nullptr) return;
    auto* element = new TiXmlElement(m_name);
    parent->LinkEndChild(element);
    for (const char16_t position : m_order) {
        Field& field = m_fields[position];
        auto* fieldElement = new TiXmlElement(field.name);
        element->LinkEndChild(fieldElement);
        if (field.field) {
            field.field->addInNode(fieldElement);
        } else {
            field.single.addInNode(fieldElement);
        }
    }
}

namespace {

// The first 8 bytes of a name as one number, big-endian and zero-padded:
// two names whose numbers differ are ordered as the numbers are.
uint64_t prefixOf(const std::string& name) {
    uint64_t prefix = 0;
    std::memcpy(&prefix, name.data(), name.size() < 8 ? name.size() : 8);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    prefix = __builtin_bswap64(prefix);  // the first byte is the most significant
#endif
    return prefix;
}

}  // namespace

bool StructMiddle::locate(const std::string& name, uint64_t prefix, size_t& position) const {
    const auto less = [&](char16_t at) {  // field at orders before name
        const Field& field = m_fields[at];
        return field.namePrefix != prefix ? field.namePrefix < prefix : field.name < name;
    };
    // Many structures are filled in name order: try the end first.
    if (m_order.empty() || less(m_order.back())) {
        position = m_order.size();
        return false;
    }
    auto found = std::partition_point(m_order.begin(), m_order.end(), less);
    position = static_cast<size_t>(found - m_order.begin());
    return found != m_order.end() && m_fields[*found].name == name;
}

bool StructMiddle::placeNew(const std::string& name, uint64_t prefix) {
    size_t position = 0;
    if (locate(name, prefix, position)) return false;
    if (m_fields.size() == m_fields.capacity()) m_fields.reserve(m_fields.capacity() * kGrowth);
    const auto next = static_cast<char16_t>(m_fields.size());
    if (position == m_order.size()) {
        m_order.push_back(next);
    } else {
        m_order.insert(m_order.begin() + static_cast<std::ptrdiff_t>(position), next);
    }
    return true;
}

void StructMiddle::addField(const std::string& name, FieldMiddle* field) {
    std::unique_ptr<FieldMiddle> owned(field);  // refused: destroyed at once
    const uint64_t prefix = prefixOf(name);
    if (placeNew(name, prefix)) m_fields.emplace_back(name, prefix, std::move(owned));
}

void StructMiddle::addSingle(std::string name, std::string value) {
    const uint64_t prefix = prefixOf(name);
    if (placeNew(name, prefix)) m_fields.emplace_back(std::move(name), prefix, std::move(value));
}

void StructMiddle::addArray(const std::string& name, const std::string& itemName, std::vector<std::string> values,
                            bool hasIndex) {
    auto* array = new ArrayField(itemName, hasIndex);
    array->getValues() = std::move(values);
    addField(name, array);
}

void printCompact(const TiXmlNode& node, std::string& out) {
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    node.Accept(&printer);
    std::string text = printer.Str();
    out.swap(text);
}

void StructMiddle::printTo(std::string& out) {
    TiXmlElement holder("");
    addInNode(&holder);
    printCompact(*holder.FirstChild(), out);
}

const std::string* StructMiddle::findSingle(const std::string& name) const {
    size_t position = 0;
    if (!locate(name, prefixOf(name), position)) return nullptr;
    const Field& field = m_fields[m_order[position]];
    if (!field.field) return &field.single.getValue();
    auto* single = dynamic_cast<const SingleField*>(field.field.get());
    return single != nullptr ? &single->getValue() : nullptr;
}

const std::vector<std::string>* StructMiddle::findArray(const std::string& name) const {
    auto* array = dynamic_cast<const ArrayField*>(findField(name));
    return array != nullptr ? &array->getValues() : nullptr;
}

const FieldMiddle* StructMiddle::findField(const std::string& name) const {
    size_t position = 0;
    return locate(name, prefixOf(name), position) ? m_fields[m_order[position]].field.get() : nullptr;
}
