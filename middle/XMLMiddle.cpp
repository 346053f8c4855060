#include "middle/XMLMiddle.h"

#include <tinyxml.h>

#include <cctype>
#include <cstring>

#include "middle/ArrayField.h"
#include "middle/StructMiddle.h"

namespace {

// TinyXML parses (and frees) nested elements recursively, so a deeply nested
// text could exhaust the stack. Requests hold a few dozen elements; a text
// that could open more elements than this is refused unread.
constexpr size_t kMaxElements = 2000;

bool withinElementLimit(const char* text) {
    size_t starts = 0;
    for (const char* at = std::strchr(text, '<'); at != nullptr; at = std::strchr(at + 1, '<')) {
        const auto next = static_cast<unsigned char>(at[1]);
        if (std::isalpha(next) || next == '_' || next >= 0x7F) {
            if (++starts > kMaxElements) return false;
        }
    }
    return true;
}

// A list parameter: one item per inner element that holds text, named after
// the first inner element and indexed if that one carries "index".
ArrayField* readList(const TiXmlElement& first) {
    auto* list = new ArrayField(first.ValueStr(), first.Attribute("index") != nullptr);
    size_t items = 0;
    for (const TiXmlElement* item = &first; item != nullptr; item = item->NextSiblingElement()) ++items;
    list->prepareLength(items);
    for (const TiXmlElement* item = &first; item != nullptr; item = item->NextSiblingElement()) {
        if (const char* text = item->GetText()) list->addValue(text);
    }
    return list;
}

}  // namespace

XMLMiddle::XMLMiddle(const std::string& function) : m_function(function) {}

XMLMiddle::~XMLMiddle() = default;

StructMiddle* XMLMiddle::addStruct(const std::string& name, size_t expectedFields) {
    StructMiddle* structure = nullptr;
    if (!m_first) {
        structure = &m_first.emplace(name, expectedFields, &m_arena);
    } else {
        if (!m_more) m_more = std::make_unique<std::pmr::deque<StructMiddle>>(&m_arena);
        structure = &m_more->emplace_back(name, expectedFields, &m_arena);
    }
    m_structs.push_back(structure);
    return structure;
}

void XMLMiddle::fromStructString(const char* text) {
    if (text == nullptr) return;
    // Every element takes at least two characters ("<a"): a shorter text
    // cannot open too many.
    if (std::strlen(text) >= 2 * kMaxElements && !withinElementLimit(text)) return;
    TiXmlDocument document;
    document.Parse(text);
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr) return;

    m_function = root->ValueStr();
    StructMiddle* structure = addStruct(m_function);
    for (const TiXmlElement* parameter = root->FirstChildElement(); parameter != nullptr;
         parameter = parameter->NextSiblingElement()) {
        const TiXmlNode* content = parameter->FirstChild();
        if (content == nullptr) continue;
        if (const TiXmlText* value = content->ToText()) {
            structure->addSingle(parameter->ValueStr(), value->ValueStr());
        } else if (const TiXmlElement* first = content->ToElement()) {
            structure->addField(parameter->ValueStr(), readList(*first));
        }
    }
}

void XMLMiddle::printTo(std::string& out) {
    if (m_function.empty()) {
        if (m_structs.size() != 1 || m_structs.front() == nullptr) {
            out.clear();
            return;
        }
        m_structs.front()->printTo(out);
        return;
    }
    TiXmlElement root(m_function);
    for (StructMiddle* structure : m_structs) {
        if (structure != nullptr) structure->addInNode(&root);
    }
    printCompact(root, out);
}
