// A field holding a list of texts, printed as one element per item named by
// the item name (with an "index" attribute 0, 1, ... when hasIndex is set).
#pragma once

#include <string>
#include <vector>

#include "middle/FieldMiddle.h"

class ArrayField : public FieldMiddle {
public:
    ArrayField(const std::string& itemName, bool hasIndex);
    void addInNode(TiXmlElement* parent) override;
    void addValue(const std::string& value);
    std::vector<std::string>& getValues() { return m_values; }
    const std::vector<std::string>& getValues() const { return m_values; }
    std::string getName() const { return m_itemName; }
    bool hasIndex() const { return m_hasIndex; }
    void prepareLength(size_t n) { m_values.reserve(n); }

private:
    std::string m_itemName;
    std::vector<std::string> m_values;
    bool m_hasIndex;
};
