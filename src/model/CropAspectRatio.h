#pragma once
// The aspect ratios to which crop editing can be locked.
#include <array>
#include <optional>
#include <string>

#include "model/EnumTable.h"

namespace vantrel {

enum class CropAspectRatio { free, original, square, fourByFive, sixBySeven, threeByTwo, xpan, sixteenByNine };

template <>
struct EnumTable<CropAspectRatio> {
    using C = CropAspectRatio;
    static constexpr bool unknownIsFirstCase = true;
    static constexpr std::array<EnumCase<C>, 8> cases{{
        {C::free, "free", "crop.ratioFree", "自由比例 (Free)"},
        {C::original, "original", "crop.ratioOriginal", "原始画幅 (Original)"},
        {C::square, "square", "crop.ratio1x1", "1:1 (哈苏 6x6)"},
        {C::fourByFive, "fourByFive", "crop.ratio4x5", "4:5 (大画幅 8x10)"},
        {C::sixBySeven, "sixBySeven", "crop.ratio6x7", "6:7 (玛米亚 67)"},
        {C::threeByTwo, "threeByTwo", "crop.ratio3x2", "3:2 (135 全画幅)"},
        {C::xpan, "xpan", "crop.ratio65x24", "65:24 (哈苏 XPan 宽幅)"},
        {C::sixteenByNine, "sixteenByNine", "crop.ratio16x9", "16:9 (现代宽屏)"},
    }};
};

// Width over height to hold, none for `free`; `original` follows the image
// (1.5 when its height is not above 0).
std::optional<double> ratio(CropAspectRatio aspect, double imageWidth, double imageHeight);

// The crop bar's short label: translated for free and original, the ratio text otherwise.
std::string shortLabel(CropAspectRatio aspect);

// A fixed ratio other than 1:1 is held the other way round by a crop that stands so (a 3:2 crop
// turned a quarter is a 2:3 one): whether a crop of `width` × `height` pixels does. Never for
// free, original or square.
bool isHeldTurned(CropAspectRatio aspect, double width, double height);
// The ratio a crop of `cropWidth` × `cropHeight` pixels on a frame of `frameWidth` × `frameHeight`
// holds: the aspect's, its inverse where the crop stands turned.
std::optional<double> heldRatio(CropAspectRatio aspect, double frameWidth, double frameHeight, double cropWidth,
                                double cropHeight);
// The short label of a ratio held turned: "2:3" for 3:2.
std::string shortLabel(CropAspectRatio aspect, bool turned);

}  // namespace vantrel
