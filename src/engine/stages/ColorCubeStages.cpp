#include "engine/stages/ColorCubeStages.h"

#include "engine/color/ColorCubeGenerator.h"
#include "engine/color/ColorGradingCubeGenerator.h"
#include "engine/color/LookupFilters.h"

namespace vantrel {

Image applyHslMixer(const Image& input, const EditParameters& recipe) {
    const auto bands = ColorCubeGenerator::activeBands(recipe);
    if (bands.empty()) return input;
    return colorCube(input, {ColorCubeGenerator::cubeDimension, ColorCubeGenerator::makeCubeData(bands)});
}

Image applyColorGrading(const Image& input, const ColorGradingParameters& grading) {
    if (grading.isIdentity()) return input;
    return colorCube(input, {ColorGradingCubeGenerator::cubeDimension, ColorGradingCubeGenerator::makeCubeData(grading)});
}

}  // namespace vantrel
