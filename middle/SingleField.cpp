#include "middle/SingleField.h"

#include <tinyxml.h>

SingleField::SingleField(std::string value) : m_value(std::move(value)) {}

void SingleField::addInNode(TiXmlElement* parent) {
    if (parent == nullptr) return;
    parent->LinkEndChild(new TiXmlText(m_value));
}
