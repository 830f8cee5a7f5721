#include "services/StringTable.h"

#include "services/TextFormatter.h"

#include <cstddef>

namespace vantrel {
namespace detail {
// Generated at build time from resources/strings.tsv (see CMakeLists.txt).
extern const char kStringTableSource[];
extern const std::size_t kStringTableSourceSize;
}  // namespace detail

namespace {

std::vector<std::string_view> split(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = line.find(separator, start);
        fields.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return fields;
}

std::string unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 1 < field.size()) {
            const char next = field[i + 1];
            if (next == 'n' || next == 't' || next == '\\') {
                out += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
                ++i;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

template <typename Visit>
void forEachLine(std::string_view source, Visit visit) {
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < source.size()) {
        std::size_t end = source.find('\n', start);
        if (end == std::string_view::npos) end = source.size();
        std::string_view line = source.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++lineNumber;
        visit(lineNumber, line);
        start = end + 1;
    }
}

std::string describe(const std::vector<Placeholder>& placeholders) {
    std::string out;
    for (const Placeholder& p : placeholders) {
        if (!out.empty()) out += ' ';
        out += std::to_string(p.argument + 1) + ":" + p.conversion;
    }
    return out.empty() ? "none" : out;
}

}  // namespace

StringTable StringTable::parse(std::string_view source, std::vector<std::string>* problems) {
    StringTable table;
    bool headerSeen = false;
    const auto report = [&](std::size_t line, const std::string& what) {
        if (problems) problems->push_back("line " + std::to_string(line) + ": " + what);
    };
    forEachLine(source, [&](std::size_t lineNumber, std::string_view line) {
        if (line.empty() || line.front() == '#') return;
        const auto fields = split(line, '\t');
        if (!headerSeen) {
            headerSeen = true;
            bool expected = fields.size() == kAllAppLanguages.size() + 1 && fields[0] == "key";
            for (std::size_t i = 0; expected && i < kAllAppLanguages.size(); ++i) {
                expected = fields[i + 1] == rawValue(kAllAppLanguages[i]);
            }
            if (!expected) report(lineNumber, "header must name the key and the seven languages in order");
            return;
        }
        if (fields.size() != kAllAppLanguages.size() + 1) {
            report(lineNumber, "expected 8 columns, found " + std::to_string(fields.size()));
            return;
        }
        std::string key(fields[0]);
        if (key.empty()) {
            report(lineNumber, "empty key");
            return;
        }
        if (table.rows_.contains(key)) {
            report(lineNumber, "duplicate key " + key);
            return;
        }
        Texts texts;
        for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = unescape(fields[i + 1]);
        table.keys_.push_back(key);
        table.rows_.emplace(std::move(key), std::move(texts));
    });
    return table;
}

const StringTable& StringTable::builtIn() {
    static const StringTable table = parse(builtInSource());
    return table;
}

std::string_view StringTable::builtInSource() {
    return {detail::kStringTableSource, detail::kStringTableSourceSize};
}

const StringTable::Texts* StringTable::row(std::string_view key) const {
    const auto it = rows_.find(key);
    return it == rows_.end() ? nullptr : &it->second;
}

std::optional<std::string_view> StringTable::text(std::string_view key, AppLanguage language) const {
    const Texts* texts = row(key);
    if (!texts) return std::nullopt;
    const std::string& text = (*texts)[static_cast<std::size_t>(language)];
    if (text.empty()) return std::nullopt;
    return std::string_view(text);
}

std::vector<std::string> validateStringTable(std::string_view source) {
    std::vector<std::string> problems;
    const StringTable table = StringTable::parse(source, &problems);
    if (table.size() == 0) problems.push_back("the table has no rows");
    for (const std::string& key : table.keys()) {
        const StringTable::Texts& texts = *table.row(key);
        const auto english = placeholdersOf(texts[0]);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const std::string language(rawValue(kAllAppLanguages[i]));
            if (texts[i].empty()) {
                problems.push_back(key + " [" + language + "]: empty text");
                continue;
            }
            if (i == 0) continue;
            const auto translated = placeholdersOf(texts[i]);
            if (translated != english) {
                problems.push_back(key + " [" + language + "]: placeholders " + describe(translated) +
                                   " differ from English " + describe(english));
            }
        }
    }
    return problems;
}

}  // namespace vantrel
