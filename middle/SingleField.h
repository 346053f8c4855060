// A field holding one text value, printed as the text of its element.
#pragma once

#include <string>

#include "middle/FieldMiddle.h"

class SingleField : public FieldMiddle {
public:
    explicit SingleField(std::string value);
    void addInNode(TiXmlElement* parent) override;
    std::string& getValue() { return m_value; }
    const std::string& getValue() const { return m_value; }

private:
    std::string m_value;
};
