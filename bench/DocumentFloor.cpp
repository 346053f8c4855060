#include "bench/DocumentFloor.h"

#include <tinyxml.h>

namespace {

template <typename NodeT>
void readElement(const TiXmlElement* element, NodeT& node) {
    node.name = element->Value();
    for (const TiXmlNode* child = element->FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (const TiXmlElement* childElement = child->ToElement()) {
            node.children.emplace_back();
            readElement(childElement, node.children.back());
        } else if (const TiXmlText* text = child->ToText()) {
            node.text += text->Value();
        }
    }
}

template <typename NodeT>
TiXmlElement* makeElement(const NodeT& node) {
    TiXmlElement* element = new TiXmlElement(node.name.c_str());
    if (!node.text.empty()) element->LinkEndChild(new TiXmlText(node.text.c_str()));
    for (const NodeT& child : node.children) element->LinkEndChild(makeElement(child));
    return element;
}

}  // namespace

DocumentFloor::DocumentFloor(const std::string& answer) {
    TiXmlDocument document;
    document.Parse(answer.c_str());
    for (const TiXmlElement* root = document.FirstChildElement(); root != nullptr;
         root = root->NextSiblingElement()) {
        m_roots.emplace_back();
        readElement(root, m_roots.back());
    }
    m_identical = !answer.empty() && build() == answer;
}

std::string DocumentFloor::build() const {
    TiXmlDocument document;
    for (const Node& root : m_roots) document.LinkEndChild(makeElement(root));
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    document.Accept(&printer);
    return printer.Str();
}
