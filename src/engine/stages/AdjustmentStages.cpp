#include "engine/stages/AdjustmentStages.h"

#include "engine/color/ColorFilters.h"
#include "engine/filters/DetailFilters.h"

namespace vantrel {

namespace {

// How the recipe's units map onto the filters' own.
constexpr double kNoiseLevelPerUnit = 0.1;
constexpr float kNoiseSharpness = 0.5f;
constexpr double kSharpenIntensityPerUnit = 2;
constexpr float kSharpenRadius = 1.5f;
constexpr double kVignetteIntensityPerUnit = 1.5;
constexpr float kVignetteRadius = 1.8f;

}  // namespace

Image applyWhiteBalance(const Image& input, const EditParameters& recipe) {
    // The reference white mapped onto itself is the identity: no node needed.
    if (recipe.temperature == parameterOf(&EditParameters::temperature).neutral &&
        recipe.tint == parameterOf(&EditParameters::tint).neutral)
        return input;
    TemperatureAndTintParameters p;
    p.neutral = {recipe.temperature, recipe.tint};
    p.targetNeutral = {kReferenceTemperature, 0};
    return temperatureAndTint(input, p);
}

Image applyExposure(const Image& input, const EditParameters& recipe) {
    return exposure(input, ExposureParameters{float(recipe.exposure)});
}

Image applyHighlightsShadows(const Image& input, const EditParameters& recipe) {
    HighlightShadowParameters p;
    p.highlightAmount = float(recipe.highlights);
    p.shadowAmount = float(recipe.shadows);
    return highlightsAndShadows(input, p);
}

Image applyColorControls(const Image& input, const EditParameters& recipe) {
    ColorControlsParameters p;
    p.brightness = float(recipe.brightness);
    p.contrast = float(recipe.contrast);
    p.saturation = float(recipe.saturation);
    return colorControls(input, p);
}

Image applyVibrance(const Image& input, const EditParameters& recipe) {
    return vibrance(input, VibranceParameters{float(recipe.vibrance)});
}

Image applyNoiseReduction(const Image& input, const EditParameters& recipe) {
    NoiseReductionSettings s;
    s.noiseLevel = float(recipe.noiseReduction * kNoiseLevelPerUnit);
    s.sharpness = kNoiseSharpness;
    return noiseReduction(input, s);
}

Image applySharpening(const Image& input, const EditParameters& recipe) {
    UnsharpMaskSettings s;
    s.intensity = float(recipe.sharpening * kSharpenIntensityPerUnit);
    s.radius = kSharpenRadius;
    return unsharpMask(input, s);
}

Image applyVignette(const Image& input, const EditParameters& recipe) {
    VignetteParameters p;
    p.intensity = float(recipe.vignette * kVignetteIntensityPerUnit);
    p.radius = kVignetteRadius;
    return vignette(input, p);
}

}  // namespace vantrel
