#include "front/Answer.h"

#include <tinyxml.h>

namespace zdfront {

namespace {

const std::string kEmpty;

Record readRecord(const TiXmlElement* element)
{
    Record record(element->ValueStr());
    for (const TiXmlElement* field = element->FirstChildElement(); field; field = field->NextSiblingElement()) {
        const TiXmlNode* first = field->FirstChild();
        if (first && first->Type() == TiXmlNode::TINYXML_ELEMENT) {
            std::vector<std::string> items;
            for (const TiXmlElement* item = field->FirstChildElement(); item; item = item->NextSiblingElement()) {
                const char* text = item->GetText();
                items.emplace_back(text ? text : "");
            }
            record.setList(field->ValueStr(), std::move(items));
        } else {
            const char* text = field->GetText();
            record.setValue(field->ValueStr(), text ? text : "");
        }
    }
    return record;
}

const TiXmlElement* rootOf(TiXmlDocument& document, const std::string& text)
{
    document.Parse(text.c_str());
    return document.RootElement();
}

}  // namespace

bool Record::has(const std::string& field) const
{
    return m_values.count(field) != 0 || m_lists.count(field) != 0;
}

const std::string& Record::get(const std::string& field) const
{
    auto found = m_values.find(field);
    return found == m_values.end() ? kEmpty : found->second;
}

uint64_t Record::number(const std::string& field, uint64_t fallback) const
{
    return Answer::toNumber(get(field)).value_or(fallback);
}

std::vector<std::string> Record::list(const std::string& field) const
{
    auto found = m_lists.find(field);
    return found == m_lists.end() ? std::vector<std::string>() : found->second;
}

void Record::setValue(const std::string& field, const std::string& value)
{
    if (has(field)) return;
    m_order.push_back(field);
    m_values[field] = value;
}

void Record::setList(const std::string& field, std::vector<std::string> items)
{
    if (has(field)) return;
    m_order.push_back(field);
    m_lists[field] = std::move(items);
}

namespace Answer {

std::optional<Record> parseOne(const std::string& text)
{
    TiXmlDocument document;
    const TiXmlElement* root = rootOf(document, text);
    if (!root) return std::nullopt;
    return readRecord(root);
}

std::vector<Record> parseList(const std::string& text)
{
    std::vector<Record> records;
    TiXmlDocument document;
    const TiXmlElement* root = rootOf(document, text);
    if (!root) return records;
    for (const TiXmlElement* item = root->FirstChildElement(); item; item = item->NextSiblingElement())
        records.push_back(readRecord(item));
    return records;
}

std::optional<uint64_t> toNumber(const std::string& text)
{
    if (text.empty() || text.size() > 20) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        uint64_t next = value * 10 + static_cast<uint64_t>(c - '0');
        if (next / 10 != value) return std::nullopt;
        value = next;
    }
    return value;
}

}  // namespace Answer

}  // namespace zdfront
