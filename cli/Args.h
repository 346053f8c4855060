// Args: the words of one zdctl command after the global options.
//
// Positional words are taken in order with next(); options are "--name value",
// "--name=value" or bare flags. Each command names the options it accepts with
// finish(), which refuses anything left over, so a misspelt option is a usage
// error instead of being ignored.
//
//   std::string id = args.next("array id");
//   std::optional<std::string> raid = args.option("raid");
//   bool wait = args.flag("wait");
//   args.finish({"raid", "wait"});
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zdctl {

class Args {
public:
    Args() = default;
    Args(std::vector<std::string> words, std::map<std::string, std::string> options, std::set<std::string> flags)
        : m_words(std::move(words)), m_options(std::move(options)), m_flags(std::move(flags))
    {
    }

    bool more() const { return m_next < m_words.size(); }
    const std::vector<std::string>& words() const { return m_words; }
    // The next positional word; a usage error naming `what` when there is none.
    std::string next(const std::string& what);
    std::optional<std::string> nextOptional();
    // The next word as a number (id, index) below `limit`.
    uint64_t nextNumber(const std::string& what, uint64_t limit = 65536);
    std::vector<std::string> rest();

    std::optional<std::string> option(const std::string& name) const;
    bool flag(const std::string& name) const { return m_flags.count(name) != 0; }

    // Refuses unread positional words and options not in `accepted`.
    void finish(const std::set<std::string>& accepted = {}) const;

    // "5,6,7" or "5-7" (or a mix) as disk ids.
    static std::vector<uint64_t> idList(const std::string& text, const std::string& what);
    static uint64_t number(const std::string& text, const std::string& what, uint64_t limit = 65536);

private:
    std::vector<std::string> m_words;
    std::map<std::string, std::string> m_options;
    std::set<std::string> m_flags;
    size_t m_next = 0;
};

}  // namespace zdctl
