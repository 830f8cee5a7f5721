#pragma once
// The eight hue channels of the HSL mixer, with display name, swatch colour and hue centre.
#include <array>
#include <string>
#include <string_view>

#include "model/EnumTable.h"

namespace vantrel {

enum class HSLColorChannel { red, orange, yellow, green, cyan, blue, purple, magenta };

template <>
struct EnumTable<HSLColorChannel> {
    using C = HSLColorChannel;
    static constexpr bool unknownIsFirstCase = true;
    static constexpr std::array<EnumCase<C>, 8> cases{{
        {C::red, "red", "hsl.red", "红 (Red)"},
        {C::orange, "orange", "hsl.orange", "橙 (Orange - 肤色)"},
        {C::yellow, "yellow", "hsl.yellow", "黄 (Yellow)"},
        {C::green, "green", "hsl.green", "绿 (Green - 植被)"},
        {C::cyan, "cyan", "hsl.aqua", "青 (Cyan - 天空)"},
        {C::blue, "blue", "hsl.blue", "蓝 (Blue - 阴影)"},
        {C::purple, "purple", "hsl.purple", "紫 (Purple)"},
        {C::magenta, "magenta", "hsl.magenta", "洋红 (Magenta)"},
    }};
};

// Swatch colour as "#RRGGBB".
std::string_view colorHex(HSLColorChannel channel);

// Hue centre in degrees (not evenly spaced: purple 285, magenta 330).
double hueCenter(HSLColorChannel channel);

// Older name of displayName() used by the mixer panel.
inline std::string localizationKey(HSLColorChannel channel) { return displayName(channel); }

}  // namespace vantrel
