#pragma once
// Fills the placeholders of a localised text from typed arguments.
//
// Understood placeholders: %@ and %s (text), %d %i %u with optional l/ll/h
// length (integer), %f %F (number), each with optional flags (+ - space 0 #),
// width and precision, and the positional form %1$@; %% is a percent sign.
// A placeholder whose argument is missing or of the wrong kind is left in the
// text as written, so a faulty caller shows up on screen instead of reading
// memory it should not. Numbers never depend on the process locale.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace vantrel {

using FormatArg = std::variant<std::string, std::int64_t, double>;

template <typename T>
FormatArg makeFormatArg(T&& value) {
    using V = std::remove_cvref_t<T>;
    static_assert(!std::is_same_v<V, bool>, "a flag is not a format argument");
    if constexpr (std::is_integral_v<V>) {
        return FormatArg(std::in_place_type<std::int64_t>, static_cast<std::int64_t>(value));
    } else if constexpr (std::is_floating_point_v<V>) {
        return FormatArg(std::in_place_type<double>, static_cast<double>(value));
    } else {
        return FormatArg(std::in_place_type<std::string>, std::string(std::string_view(value)));
    }
}

std::string formatText(std::string_view format, std::span<const FormatArg> args);

// One placeholder as the table check compares them: which argument it takes
// (zero-based) and its conversion without the position ("%+.1f", "%@", "%ld").
struct Placeholder {
    int argument = 0;
    std::string conversion;
    friend bool operator==(const Placeholder&, const Placeholder&) = default;
};

// The placeholders of a text, sorted by argument.
std::vector<Placeholder> placeholdersOf(std::string_view format);

}  // namespace vantrel
