#pragma once
// A text kept as its key and arguments, so that it can be shown again in
// whatever language is chosen later (the status line outlives a switch of
// language). An argument may itself be such a text: a failure's cause inside
// the message about what failed.
//
//   LocalText t = L10n::text("status.exportFailed", L10n::text("cause.noSpace"));
//   t.str()   -> "Export failed: there is no space left on the device" (in the current language)
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "services/TextFormatter.h"

namespace vantrel {

struct LocalText;

// A nested text is shared and never changed after it is made.
using LocalArg = std::variant<std::string, std::int64_t, double, std::shared_ptr<const LocalText>>;

struct LocalText {
    std::string key;  // empty: no text, or a plain one (see plain())
    std::vector<LocalArg> args;

    // A text shown as it is, in every language (a file name; a fake's message in tests).
    static LocalText plain(std::string text);

    bool empty() const { return key.empty() && args.empty(); }
    // The text in the language chosen now.
    std::string str() const;

    friend bool operator==(const LocalText& a, const LocalText& b);
    // A text equals what it reads as in the language chosen now.
    friend bool operator==(const LocalText& a, std::string_view text) { return a.str() == text; }
};

// A nested text is shared; any other argument takes the form a formatted text's does.
template <typename T>
LocalArg makeLocalArg(T&& value) {
    if constexpr (std::is_same_v<std::remove_cvref_t<T>, LocalText>) {
        return LocalArg(std::make_shared<const LocalText>(std::forward<T>(value)));
    } else {
        return std::visit(
            [](auto&& plain) {
                return LocalArg(std::in_place_type<std::remove_cvref_t<decltype(plain)>>, std::move(plain));
            },
            makeFormatArg(std::forward<T>(value)));
    }
}

}  // namespace vantrel
