#include "front/RangeTexts.h"

#include <tinyxml.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "front/Answer.h"
#include "front/BridgeClient.h"

namespace zdfront {

namespace {

std::string folded(const std::string& text)
{
    std::string result;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c))) result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

std::optional<uint64_t> parseNumber(const std::string& text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        char* end = nullptr;
        unsigned long long value = std::strtoull(text.c_str() + 2, &end, 16);
        if (end && *end == '\0') return value;
        return std::nullopt;
    }
    return Answer::toNumber(text);
}

// Range tables are written without escaping ("Check & Fix"): a bare
// ampersand becomes "&amp;" so that the XML reader keeps it.
std::string withEscapedAmpersands(const std::string& text)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            result += text[i];
            continue;
        }
        size_t semicolon = text.find(';', i);
        bool entity = semicolon != std::string::npos && semicolon > i + 1 && semicolon - i <= 8;
        for (size_t j = i + 1; entity && j < semicolon; ++j)
            entity = std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '#';
        result += entity ? "&" : "&amp;";
    }
    return result;
}

}  // namespace

const std::vector<RangeTexts::Entry>& RangeTexts::entries(const std::string& table)
{
    auto found = m_tables.find(table);
    if (found != m_tables.end()) return found->second;

    std::vector<Entry> list;
    TiXmlDocument document;
    document.Parse(withEscapedAmpersands(m_bridge.range(table)).c_str());
    if (const TiXmlElement* root = document.RootElement(); root && root->ValueStr() == table) {
        for (const TiXmlElement* item = root->FirstChildElement("Item"); item; item = item->NextSiblingElement("Item")) {
            const TiXmlElement* number = item->FirstChildElement("Enum");
            const TiXmlElement* text = item->FirstChildElement("String");
            if (!number || !text || !number->GetText()) continue;
            std::optional<uint64_t> value = parseNumber(number->GetText());
            if (!value) continue;
            Entry entry;
            entry.number = *value;
            entry.numberText = number->GetText();
            entry.text = text->GetText() ? text->GetText() : "";
            const char* isDefault = item->Attribute("default");
            entry.isDefault = isDefault && std::string(isDefault) == "true";
            list.push_back(entry);
        }
    }
    return m_tables.emplace(table, std::move(list)).first->second;
}

std::string RangeTexts::text(const std::string& table, uint64_t number)
{
    for (const Entry& entry : entries(table))
        if (entry.number == number) return entry.text;
    return std::to_string(number);
}

std::string RangeTexts::text(const std::string& table, const std::string& numberText)
{
    std::optional<uint64_t> number = Answer::toNumber(numberText);
    return number ? text(table, *number) : numberText;
}

std::string RangeTexts::flags(const std::string& table, uint64_t value)
{
    std::string names;
    uint64_t known = 0;
    for (const Entry& entry : entries(table)) {
        if (entry.number == 0 || (value & entry.number) != entry.number) continue;
        known |= entry.number;
        names += (names.empty() ? "" : ", ") + entry.text;
    }
    if (uint64_t unknown = value & ~known) {
        char hex[32];
        std::snprintf(hex, sizeof(hex), "0x%llx", static_cast<unsigned long long>(unknown));
        names += (names.empty() ? "" : ", ") + std::string(hex);
    }
    return names.empty() ? "-" : names;
}

std::optional<uint64_t> RangeTexts::lookup(const std::string& table, const std::string& word)
{
    const std::string wanted = folded(word);
    for (const Entry& entry : entries(table))
        if (folded(entry.text) == wanted) return entry.number;
    // "5" or "10" for "RAID 5" / "RAID 10": the word after the table's common prefix.
    for (const Entry& entry : entries(table)) {
        std::string text = folded(entry.text);
        if (text.size() > wanted.size() && text.compare(text.size() - wanted.size(), wanted.size(), wanted) == 0 &&
            !std::isdigit(static_cast<unsigned char>(text[text.size() - wanted.size() - 1])) &&
            std::isdigit(static_cast<unsigned char>(wanted[0])))
            return entry.number;
    }
    if (std::optional<uint64_t> number = parseNumber(word))
        for (const Entry& entry : entries(table))
            if (entry.number == *number) return entry.number;
    return std::nullopt;
}

std::optional<uint64_t> RangeTexts::defaultNumber(const std::string& table)
{
    for (const Entry& entry : entries(table))
        if (entry.isDefault) return entry.number;
    return std::nullopt;
}

std::string RangeTexts::choices(const std::string& table)
{
    std::string joined;
    for (const Entry& entry : entries(table)) joined += (joined.empty() ? "" : ", ") + entry.text;
    return joined;
}

}  // namespace zdfront
