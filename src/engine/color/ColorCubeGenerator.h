#pragma once
// The HSL mixer as a colour cube: each of the eight hue bands shifts the hue, scales the
// saturation and moves the lightness of the colours near its hue centre. The cube is looked
// up with linear working values by the colour-cube filter.
#include <vector>

#include "model/EditParameters.h"

namespace vantrel {

struct ColorCubeGenerator {
    static constexpr int cubeDimension = 32;
    // Floats in a table: N³ cells of RGBA.
    static constexpr int cubeFloatCount = cubeDimension * cubeDimension * cubeDimension * 4;

    // One non-neutral channel of the mixer, in the cube's units.
    struct Band {
        double center = 0;           // hue centre, degrees
        double hueShift = 0;         // degrees (mixer −100…100 gives ±30°)
        double saturationShift = 0;  // relative (±1)
        double luminanceShift = 0;   // absolute (±0.5)
    };

    // The recipe's active bands, in channel order.
    static std::vector<Band> activeBands(const EditParameters& recipe);

    // The table: red index fastest, then green, then blue; alpha 1. The identity table when no
    // band is active.
    static std::vector<float> makeCubeData(const EditParameters& recipe);
    static std::vector<float> makeCubeData(const std::vector<Band>& bands);
};

}  // namespace vantrel
