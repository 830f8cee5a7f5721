#pragma once
// A 128-bit identifier, written as 8-4-4-4-12 upper-case hexadecimal text.
#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace vantrel {

class Uuid {
public:
    using Bytes = std::array<std::uint8_t, 16>;

    // The nil identifier (all zero).
    constexpr Uuid() = default;
    constexpr explicit Uuid(const Bytes& bytes) : bytes_(bytes) {}

    // A fresh random (version 4) identifier.
    static Uuid random();

    // Parses 8-4-4-4-12 hexadecimal text in either letter case; nothing on any other text.
    static std::optional<Uuid> parse(std::string_view text);

    // The 36-character upper-case text form.
    std::string toString() const;

    const Bytes& bytes() const { return bytes_; }
    bool isNil() const { return *this == Uuid(); }

    friend constexpr auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    Bytes bytes_{};
};

void to_json(nlohmann::json& j, const Uuid& id);
void from_json(const nlohmann::json& j, Uuid& id);

}  // namespace vantrel

template <>
struct std::hash<vantrel::Uuid> {
    std::size_t operator()(const vantrel::Uuid& id) const noexcept;
};
