#pragma once
// The lookup every caller uses: a dotted key ("status.folderLoaded") becomes
// the text of the current interface language (LocalizationManager::shared()).
//
//   L10n::tr("status.ready")                               -> "Ready"
//   L10n::tr("status.folderLoaded", "Roll 12", 36)         -> "Loaded roll folder: Roll 12 (36 photos)"
//   L10n::text("status.ready")                             -> the key kept, shown later by str()
//
// The one-argument form never formats, so a "%" in the text stays as it is.
#include "services/LocalText.h"
#include "services/TextFormatter.h"

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace vantrel::L10n {

std::string tr(std::string_view key);

// The looked-up text filled with `arguments`.
std::string format(std::string_view key, std::span<const FormatArg> arguments);

template <typename First, typename... Rest>
std::string tr(std::string_view key, First&& first, Rest&&... rest) {
    const std::array<FormatArg, 1 + sizeof...(Rest)> arguments{makeFormatArg(std::forward<First>(first)),
                                                                makeFormatArg(std::forward<Rest>(rest))...};
    return format(key, arguments);
}

// The key and its arguments kept, to be shown in whatever language is chosen
// when it is shown (LocalText::str()); an argument may be a LocalText itself.
template <typename... Args>
LocalText text(std::string_view key, Args&&... arguments) {
    return LocalText{std::string(key), {makeLocalArg(std::forward<Args>(arguments))...}};
}

}  // namespace vantrel::L10n
