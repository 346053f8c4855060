// Answer: the bridge's XML answers read into records.
//
// A single answer (<PD>…</PD>) is one Record; a list answer
// (<PDs><PD>…</PD>…</PDs>, <Events><Event>…</Event></Events>) is a vector
// of Records. A field whose element holds text is a value; a field whose
// element holds elements is a list of their texts (<Disks><ID>5</ID>…).
//
//   std::optional<Record> pd = Answer::parseOne(text);
//   uint64_t size = pd->number("Size");
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zdfront {

class Record {
public:
    explicit Record(std::string name = std::string()) : m_name(std::move(name)) {}

    const std::string& name() const { return m_name; }
    bool has(const std::string& field) const;
    // The value's text; empty when the field is missing.
    const std::string& get(const std::string& field) const;
    // The value read as an unsigned decimal; fallback when missing or not a number.
    uint64_t number(const std::string& field, uint64_t fallback = 0) const;
    // The items of a list field; empty when missing.
    std::vector<std::string> list(const std::string& field) const;
    // Field names in the order of the answer.
    const std::vector<std::string>& fields() const { return m_order; }

    void setValue(const std::string& field, const std::string& value);
    void setList(const std::string& field, std::vector<std::string> items);

private:
    std::string m_name;
    std::vector<std::string> m_order;
    std::map<std::string, std::string> m_values;
    std::map<std::string, std::vector<std::string>> m_lists;
};

namespace Answer {

// The root element as one record; nothing when the text holds no element.
std::optional<Record> parseOne(const std::string& text);
// Every child element of the root as one record.
std::vector<Record> parseList(const std::string& text);
// Unsigned decimal; nothing for empty or non-numeric text.
std::optional<uint64_t> toNumber(const std::string& text);

}  // namespace Answer

}  // namespace zdfront
