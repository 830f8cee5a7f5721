#pragma once
// The interface languages, their identifiers and names, and how a list of
// preferred locale names (as the desktop gives them) picks one.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Declared in the order of the language menu and of the string table's columns.
enum class AppLanguage { en, zhHans, zhHant, ja, de, fr, es };

inline constexpr std::array<AppLanguage, 7> kAllAppLanguages = {
    AppLanguage::en, AppLanguage::zhHans, AppLanguage::zhHant, AppLanguage::ja,
    AppLanguage::de, AppLanguage::fr,     AppLanguage::es};

// "en", "zh-Hans", "zh-Hant", "ja", "de", "fr", "es".
std::string_view rawValue(AppLanguage language);
// The language's name in itself ("Deutsch").
std::string_view nativeName(AppLanguage language);

// Exact, case-sensitive match against the seven raw values.
std::optional<AppLanguage> appLanguageFromRawValue(std::string_view raw);

// Turns a POSIX locale name into a language tag: "zh_TW.UTF-8@x" -> "zh-TW".
// "C" and "POSIX" stay as they are.
std::string normalizeLocaleName(std::string_view name);

// The first entry that names a supported language decides; entries that name
// none are skipped; English when nothing matches. Entries may be language tags
// ("zh-Hant-TW") or POSIX locale names ("zh_TW.UTF-8").
AppLanguage resolveAppLanguage(const std::vector<std::string>& preferredLanguages);

// The desktop's preferred languages, most wanted first: LANGUAGE (unless the
// messages locale is C/POSIX, as gettext does), then the messages locale from
// LC_ALL, LC_MESSAGES or LANG; Qt's system locale when none of these is set.
std::vector<std::string> systemPreferredLanguages();

}  // namespace vantrel
