#pragma once
// The interface texts of every language, read once from the table compiled
// into the program (resources/strings.tsv).
//
// File form: UTF-8, one row per key, tab-separated: the key, then the text in
// each language in the order of AppLanguage. The first row names the columns.
// Empty lines and lines starting with '#' are ignored. In texts, "\n" stands
// for a line break, "\t" for a tab and "\\" for a backslash.
#include "services/AppLanguage.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantrel {

class StringTable {
public:
    using Texts = std::array<std::string, kAllAppLanguages.size()>;

    // Parses a table; rows that cannot be read are skipped and described in `problems`.
    static StringTable parse(std::string_view source, std::vector<std::string>* problems = nullptr);

    // The table compiled into the program, parsed on first use (thread-safe).
    static const StringTable& builtIn();
    // The raw text of the compiled table.
    static std::string_view builtInSource();

    // The text of `key` in `language`, or nothing when the row is missing or the text empty.
    std::optional<std::string_view> text(std::string_view key, AppLanguage language) const;

    // Keys in file order.
    const std::vector<std::string>& keys() const { return keys_; }
    const Texts* row(std::string_view key) const;
    std::size_t size() const { return keys_.size(); }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::vector<std::string> keys_;
    std::unordered_map<std::string, Texts, Hash, std::equal_to<>> rows_;
};

// Everything wrong with a table's content: unreadable rows, duplicate keys,
// missing or empty texts, and translations whose placeholders differ from the
// English text's. Empty when the table is sound.
std::vector<std::string> validateStringTable(std::string_view source);

}  // namespace vantrel
