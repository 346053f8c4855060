#include "cli/Args.h"

#include "front/Answer.h"
#include "cli/CliError.h"

namespace zdctl {

std::string Args::next(const std::string& what)
{
    if (!more()) throw CliError(ExitUsage, "missing " + what);
    return m_words[m_next++];
}

std::optional<std::string> Args::nextOptional()
{
    if (!more()) return std::nullopt;
    return m_words[m_next++];
}

uint64_t Args::nextNumber(const std::string& what, uint64_t limit)
{
    return number(next(what), what, limit);
}

std::vector<std::string> Args::rest()
{
    std::vector<std::string> words(m_words.begin() + static_cast<long>(m_next), m_words.end());
    m_next = m_words.size();
    return words;
}

std::optional<std::string> Args::option(const std::string& name) const
{
    auto found = m_options.find(name);
    if (found == m_options.end()) return std::nullopt;
    return found->second;
}

void Args::finish(const std::set<std::string>& accepted) const
{
    if (more()) throw CliError(ExitUsage, "unexpected argument '" + m_words[m_next] + "'");
    for (const auto& option : m_options)
        if (!accepted.count(option.first)) throw CliError(ExitUsage, "unknown option --" + option.first);
    for (const auto& flag : m_flags)
        if (!accepted.count(flag)) throw CliError(ExitUsage, "unknown option --" + flag);
}

uint64_t Args::number(const std::string& text, const std::string& what, uint64_t limit)
{
    std::optional<uint64_t> value = zdfront::Answer::toNumber(text);
    if (!value || *value >= limit) throw CliError(ExitUsage, "invalid " + what + " '" + text + "'");
    return *value;
}

std::vector<uint64_t> Args::idList(const std::string& text, const std::string& what)
{
    std::vector<uint64_t> ids;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        size_t dash = part.find('-');
        if (dash != std::string::npos && dash > 0) {
            uint64_t first = number(part.substr(0, dash), what, 65535);
            uint64_t last = number(part.substr(dash + 1), what, 65535);
            if (last < first || last - first > 255) throw CliError(ExitUsage, "invalid " + what + " '" + part + "'");
            for (uint64_t id = first; id <= last; ++id) ids.push_back(id);
        } else {
            ids.push_back(number(part, what, 65535));
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return ids;
}

}  // namespace zdctl
