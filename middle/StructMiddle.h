// A named structure of fields. Fields are kept (and printed) in byte-wise
// order of their names; the structure owns them. Adding a field under a name
// already present destroys the new field and keeps the first one.
//
// A field is a single text (addSingle; kept in the structure itself) or a
// FieldMiddle of its own, such as a list (addArray, addField). Requests are
// read through findSingle / findArray, which answer nullptr for a field the
// request does not carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <string>
#include <vector>

#include "middle/Mid2XML.h"
#include "middle/SingleField.h"

class FieldMiddle;

class StructMiddle final : public Mid2XML {
public:
    // Room made at once unless told otherwise, and how much faster than
    // doubling a structure with more fields grows.
    static constexpr size_t kUsualFields = 4;
    static constexpr size_t kGrowth = 8;

    // expectedFields: room made at once (a structure grows beyond it).
    // memory: where the structure keeps its fields; a document hands its
    // structures its own arena, freed with the document in one go.
    explicit StructMiddle(const std::string& name, size_t expectedFields = kUsualFields,
                          std::pmr::memory_resource* memory = std::pmr::get_default_resource());
    ~StructMiddle();
    StructMiddle(const StructMiddle&) = delete;
    StructMiddle& operator=(const StructMiddle&) = delete;

    void addInNode(TiXmlElement* parent) override;

    // Takes ownership of field.
    void addField(const std::string& name, FieldMiddle* field);
    // A single text field; a list field of one item per value.
    void addSingle(std::string name, std::string value);
    void addArray(const std::string& name, const std::string& itemName, std::vector<std::string> values,
                  bool hasIndex = false);

    const std::string& getName() const { return m_name; }
    size_t fieldCount() const { return m_fields.size(); }
    // The structure printed alone (into out: replacing what it held).
    void printTo(std::string& out);
    std::string toString() {
        std::string text;
        printTo(text);
        return text;
    }

    // The value of a single text field of that name, or nullptr.
    const std::string* findSingle(const std::string& name) const;
    // The items of an ArrayField of that name, or nullptr.
    const std::vector<std::string>* findArray(const std::string& name) const;
    // The FieldMiddle of that name (not for single texts), or nullptr.
    const FieldMiddle* findField(const std::string& name) const;

private:
    // A single text is held in place; any other field on its own.
    struct Field {
        Field(std::string fieldName, uint64_t prefix, std::string text)
            : name(std::move(fieldName)), namePrefix(prefix), single(std::move(text)) {}
        Field(std::string fieldName, uint64_t prefix, std::unique_ptr<FieldMiddle> other)
            : name(std::move(fieldName)), namePrefix(prefix), single(std::string()), field(std::move(other)) {}

        std::string name;
        uint64_t namePrefix;  // the name's first 8 bytes, ordered as the name
        SingleField single;
        std::unique_ptr<FieldMiddle> field;  // null for a single text
    };
    // Where a field of that name is or would go in m_order; false when it is
    // not there.
    bool locate(const std::string& name, uint64_t prefix, size_t& position) const;
    // Makes room for a new field of that name, to be appended to m_fields
    // next; false when the name is taken (the new field is then dropped).
    bool placeNew(const std::string& name, uint64_t prefix);

    std::string m_name;
    std::pmr::vector<Field> m_fields;  // in the order they were added
    // Positions in m_fields, by field name. A string of char16_t is a small
    // array that holds the positions of up to seven fields in place.
    std::pmr::u16string m_order;
};
