#include "middle/XMLMiddle.h"

#include <tinyxml.h>

#include <cctype>

#include "middle/ArrayField.h"
#include "middle/SingleField.h"
#include "middle/StructMiddle.h"

namespace {

// TinyXML parses (and frees) nested elements recursively, so a deeply nested
// text could exhaust the stack. Requests hold a few dozen elements; a text
// that could open more elements than this is refused unread.
constexpr size_t kMaxElements = 2000;

bool withinElementLimit(const std::string& text) {
    size_t starts = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '<') continue;
        const auto next = static_cast<unsigned char>(text[i + 1]);
        if (std::isalpha(next) || next == '_' || next >= 0x7F) {
            if (++starts > kMaxElements) return false;
        }
    }
    return true;
}

std::string printed(const TiXmlNode& node) {
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    node.Accept(&printer);
    return printer.Str();
}

// A list parameter: one item per inner element that holds text, named after
// the first inner element and indexed if that one carries "index".
ArrayField* readList(const TiXmlElement& first) {
    auto* list = new ArrayField(first.ValueStr(), first.Attribute("index") != nullptr);
    for (const TiXmlElement* item = &first; item != nullptr; item = item->NextSiblingElement()) {
        if (const char* text = item->GetText()) list->addValue(text);
    }
    return list;
}

}  // namespace

XMLMiddle::XMLMiddle(const std::string& function) : m_function(function) {}

XMLMiddle::~XMLMiddle() {
    for (StructMiddle* structure : m_structs) delete structure;
}

StructMiddle* XMLMiddle::addStruct(const std::string& name) {
    auto* structure = new StructMiddle(name);
    m_structs.push_back(structure);
    return structure;
}

void XMLMiddle::fromStructString(const std::string& text) {
    if (!withinElementLimit(text)) return;
    TiXmlDocument document;
    document.Parse(text.c_str());
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr) return;

    m_function = root->ValueStr();
    StructMiddle* structure = addStruct(m_function);
    for (const TiXmlElement* parameter = root->FirstChildElement(); parameter != nullptr;
         parameter = parameter->NextSiblingElement()) {
        const TiXmlNode* content = parameter->FirstChild();
        if (content == nullptr) continue;
        if (const TiXmlText* value = content->ToText()) {
            structure->addField(parameter->ValueStr(), new SingleField(value->ValueStr()));
        } else if (const TiXmlElement* first = content->ToElement()) {
            structure->addField(parameter->ValueStr(), readList(*first));
        }
    }
}

std::string XMLMiddle::toString() {
    if (m_function.empty()) {
        if (m_structs.size() != 1 || m_structs.front() == nullptr) return std::string();
        return m_structs.front()->toString();
    }
    TiXmlElement root(m_function);
    for (StructMiddle* structure : m_structs) {
        if (structure != nullptr) structure->addInNode(&root);
    }
    return printed(root);
}
