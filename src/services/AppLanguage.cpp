#include "services/AppLanguage.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace vantrel {
namespace {

struct LanguageNames {
    std::string_view raw;
    std::string_view native;
};

constexpr std::array<LanguageNames, 7> kNames = {{
    {"en", "English"},
    {"zh-Hans", "简体中文"},
    {"zh-Hant", "繁體中文"},
    {"ja", "日本語"},
    {"de", "Deutsch"},
    {"fr", "Français"},
    {"es", "Español"},
}};

const LanguageNames& names(AppLanguage language) {
    return kNames[static_cast<std::size_t>(language)];
}

std::string lowercase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool isCLocale(std::string_view name) { return name == "C" || name == "POSIX" || name.starts_with("C."); }

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::optional<AppLanguage> languageOf(std::string_view entry) {
    const std::string tag = lowercase(normalizeLocaleName(entry));
    const auto startsWith = [&](std::string_view prefix) { return tag.starts_with(prefix); };
    if (startsWith("zh-hans") || startsWith("zh-cn") || tag == "zh") return AppLanguage::zhHans;
    if (startsWith("zh-hant") || startsWith("zh-tw") || startsWith("zh-hk")) return AppLanguage::zhHant;
    if (startsWith("ja")) return AppLanguage::ja;
    if (startsWith("de")) return AppLanguage::de;
    if (startsWith("fr")) return AppLanguage::fr;
    if (startsWith("es")) return AppLanguage::es;
    if (startsWith("en")) return AppLanguage::en;
    return std::nullopt;
}

}  // namespace

std::string_view rawValue(AppLanguage language) { return names(language).raw; }
std::string_view nativeName(AppLanguage language) { return names(language).native; }

std::optional<AppLanguage> appLanguageFromRawValue(std::string_view raw) {
    for (AppLanguage language : kAllAppLanguages) {
        if (rawValue(language) == raw) return language;
    }
    return std::nullopt;
}

std::string normalizeLocaleName(std::string_view name) {
    if (isCLocale(name)) return std::string(name);
    const std::size_t end = name.find_first_of(".@");
    std::string tag(name.substr(0, end));
    std::replace(tag.begin(), tag.end(), '_', '-');
    return tag;
}

AppLanguage resolveAppLanguage(const std::vector<std::string>& preferredLanguages) {
    for (const std::string& entry : preferredLanguages) {
        if (auto language = languageOf(entry)) return *language;
    }
    return AppLanguage::en;
}

std::vector<std::string> systemPreferredLanguages() {
    std::vector<std::string> out;
    std::string messages = environment("LC_ALL");
    if (messages.empty()) messages = environment("LC_MESSAGES");
    if (messages.empty()) messages = environment("LANG");

    if (!isCLocale(messages)) {
        const std::string list = environment("LANGUAGE");
        std::size_t start = 0;
        while (start <= list.size()) {
            const std::size_t colon = std::min(list.find(':', start), list.size());
            if (colon > start) out.push_back(list.substr(start, colon - start));
            start = colon + 1;
        }
    }
    if (!messages.empty()) out.push_back(messages);
    // Qt reads LANGUAGE even under a C locale, so it is asked only when the
    // environment names nothing.
    if (out.empty()) {
        for (const QString& tag : QLocale::system().uiLanguages()) out.push_back(tag.toStdString());
    }
    return out;
}

}  // namespace vantrel
