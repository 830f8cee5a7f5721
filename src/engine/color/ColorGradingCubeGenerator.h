#pragma once
// Three-way colour wheels as a colour cube: each wheel adds a colour offset whose strength in
// a cell follows the cell's luminance (shadows dark, highlights bright, midtones between), and
// the balance slides the split. All cell arithmetic is in 32-bit floats.
#include <array>
#include <vector>

#include "model/ColorGradingParameters.h"

namespace vantrel {

struct ColorGradingCubeGenerator {
    static constexpr int cubeDimension = 32;
    static constexpr int cubeFloatCount = cubeDimension * cubeDimension * cubeDimension * 4;

    // The red, green and blue offsets of one wheel; zero for a neutral wheel.
    static std::array<float, 3> wheelOffset(const ColorWheelAdjustment& wheel);

    // The table: red index fastest, then green, then blue; every channel in 0…1, alpha 1.
    // The identity table when the grading is an identity.
    static std::vector<float> makeCubeData(const ColorGradingParameters& grading);
};

}  // namespace vantrel
