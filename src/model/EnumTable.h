#pragma once
// Enumerations stored as text: each enumeration lists, once, its cases with
// their stored text, display-name key and any label older files used. The
// functions below (found by argument-dependent lookup) serve every such table.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include <nlohmann/json_fwd.hpp>

#include "model/Json.h"
#include "model/Translation.h"

namespace vantrel {

template <class E>
struct EnumCase {
    E value;
    std::string_view raw;             // the stored text
    std::string_view displayKey = {};  // localisation key of the display name
    std::string_view olderLabel = {};  // text older files hold for this case, read but never written
};

// Specialised per enumeration with:
//   static constexpr std::array<EnumCase<E>, N> cases;      (in declaration order)
//   static constexpr bool unknownIsFirstCase;               (unknown text reads as the first case)
template <class E>
struct EnumTable;

template <class E>
concept TabledEnum = std::is_enum_v<E> && requires { EnumTable<E>::cases; };

template <TabledEnum E>
constexpr const EnumCase<E>& enumCase(E value) {
    for (const auto& c : EnumTable<E>::cases)
        if (c.value == value) return c;
    return EnumTable<E>::cases.front();  // unreachable for a valid value
}

// Every case in declaration order.
template <TabledEnum E>
constexpr auto allCases() {
    std::array<E, EnumTable<E>::cases.size()> values{};
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = EnumTable<E>::cases[i].value;
    return values;
}

template <TabledEnum E>
constexpr std::string_view rawValue(E value) {
    return enumCase(value).raw;
}

template <TabledEnum E>
constexpr std::string_view displayNameKey(E value) {
    return enumCase(value).displayKey;
}

// The display name in the current language (the key itself until a translation is installed).
template <TabledEnum E>
std::string displayName(E value) {
    return translate(displayNameKey(value));
}

// The case whose stored text is exactly `text`.
template <TabledEnum E>
constexpr std::optional<E> enumFromRaw(std::string_view text) {
    for (const auto& c : EnumTable<E>::cases)
        if (c.raw == text) return c.value;
    return std::nullopt;
}

// How a file's text is read: the stored text or an older label, else the first
// case where the enumeration tolerates unknown text, else nothing.
template <TabledEnum E>
constexpr std::optional<E> enumFromStored(std::string_view text) {
    for (const auto& c : EnumTable<E>::cases)
        if (c.raw == text || (!c.olderLabel.empty() && c.olderLabel == text)) return c.value;
    if (EnumTable<E>::unknownIsFirstCase) return EnumTable<E>::cases.front().value;
    return std::nullopt;
}

template <TabledEnum E>
void to_json(nlohmann::json& j, const E& value) {
    json_io::writeText(j, rawValue(value));
}

template <TabledEnum E>
void from_json(const nlohmann::json& j, E& value) {
    const std::string& text = json_io::stringOf(j);
    const auto parsed = enumFromStored<E>(text);
    if (!parsed) throw JsonDecodeError({}, "unknown value \"" + text + "\"");
    value = *parsed;
}

}  // namespace vantrel
