#include "front/Request.h"

namespace zdfront {

std::string Request::escape(const std::string& value)
{
    std::string escaped;
    escaped.reserve(value.size());
    for (char c : value) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

Request& Request::field(const std::string& name, const std::string& value)
{
    m_body += "<" + name + ">" + escape(value) + "</" + name + ">";
    return *this;
}

Request& Request::list(const std::string& name, const std::string& itemName, const std::vector<uint64_t>& values)
{
    m_body += "<" + name + ">";
    for (uint64_t value : values) m_body += "<" + itemName + ">" + std::to_string(value) + "</" + itemName + ">";
    m_body += "</" + name + ">";
    return *this;
}

std::string Request::text() const
{
    if (m_body.empty()) return "<" + m_function + " />";
    return "<" + m_function + ">" + m_body + "</" + m_function + ">";
}

}  // namespace zdfront
