// A named structure of fields. Fields are kept (and printed) in byte-wise
// order of their names; the structure owns them. Adding a field under a name
// already present destroys the new field and keeps the first one.
//
// Requests are read through findSingle / findArray, which answer nullptr for
// a field the request does not carry.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "middle/Mid2XML.h"

class FieldMiddle;

class StructMiddle final : public Mid2XML {
public:
    explicit StructMiddle(const std::string& name);
    ~StructMiddle();
    StructMiddle(const StructMiddle&) = delete;
    StructMiddle& operator=(const StructMiddle&) = delete;

    void addInNode(TiXmlElement* parent) override;

    // Takes ownership of field.
    void addField(const std::string& name, FieldMiddle* field);
    // Shorthands for addField with a new SingleField / ArrayField.
    void addSingle(const std::string& name, const std::string& value);
    void addArray(const std::string& name, const std::string& itemName, const std::vector<std::string>& values,
                  bool hasIndex = false);

    std::map<std::string, FieldMiddle*>& getFields() { return m_fields; }
    const std::string& getName() const { return m_name; }
    std::string toString();

    // The value of a SingleField of that name, or nullptr.
    const std::string* findSingle(const std::string& name) const;
    // The items of an ArrayField of that name, or nullptr.
    const std::vector<std::string>* findArray(const std::string& name) const;

private:
    std::string m_name;
    std::map<std::string, FieldMiddle*> m_fields;
};
