#pragma once
// The model shows display names by localisation key. The localisation service
// installs a hook that turns a key into the current language's text; until
// then (and in tests) the key itself is shown.
#include <functional>
#include <string>
#include <string_view>

namespace vantrel {

using TranslationHook = std::function<std::string(std::string_view key)>;

// Installs (or, with an empty function, removes) the translation hook.
void setTranslationHook(TranslationHook hook);

// The text for `key` through the installed hook, else the key itself.
std::string translate(std::string_view key);

}  // namespace vantrel
