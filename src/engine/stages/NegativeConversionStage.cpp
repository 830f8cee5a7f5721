#include "engine/stages/NegativeConversionStage.h"

#include <algorithm>
#include <cmath>

#include "engine/color/ColorFilters.h"

namespace vantrel {

namespace {

constexpr double kMinBaseComponent = 0.01;
// Signed thresholds of the optional steps of the colour chain.
constexpr double kToneThreshold = 0.01;
constexpr double kBalanceThreshold = 0.01;
constexpr double kKelvinPerBalance = 1500;
constexpr double kBWContrastFactor = 1.2;

Image convertColorNegative(const Image& input, const NegativeLabParameters& p) {
    const std::array<double, 3> base = filmBaseWorking(p.filmBaseColor);
    // The base removal is a per-channel colour matrix; written as an affine map it merges with
    // the inversion, the stretch and the white balance that follow into one matrix per pixel.
    const kernels::RgbAffine removal{{float(1.0 / base[0]), 0, 0, 0,  //
                                      0, float(1.0 / base[1]), 0, 0,  //
                                      0, 0, float(1.0 / base[2]), 0}};
    Image image = invert(spanFilter(input, removal));

    ColorControlsParameters stretch;
    stretch.contrast = float(p.densityStretch);
    stretch.saturation = float((p.densityStretch - 1) * 0.25 + 1);
    image = colorControls(image, stretch);

    if (p.highlightRecovery > kToneThreshold || p.shadowDensity > kToneThreshold) {
        HighlightShadowParameters tone;
        tone.highlightAmount = float(1 - 0.4 * p.highlightRecovery);
        tone.shadowAmount = float(p.shadowDensity * 0.5);
        image = highlightsAndShadows(image, tone);
    }
    if (std::abs(p.colorBalance) > kBalanceThreshold) {
        TemperatureAndTintParameters balance;
        balance.neutral = {kReferenceTemperature, 0};
        balance.targetNeutral = {kReferenceTemperature + kKelvinPerBalance * p.colorBalance, 0};
        image = temperatureAndTint(image, balance);
    }
    return image;
}

Image convertBWNegative(const Image& input, const NegativeLabParameters& p) {
    MonochromeParameters grey;
    grey.color = color::workingFromSRGB(0.5, 0.5, 0.5);
    grey.intensity = 1.0f;
    Image image = invert(monochrome(input, grey));
    ColorControlsParameters stretch;
    stretch.contrast = float(p.densityStretch * kBWContrastFactor);
    return colorControls(image, stretch);
}

}  // namespace

std::array<double, 3> filmBaseWorking(const std::vector<double>& filmBaseColor) {
    std::array<double, 3> encoded = NegativeLabParameters::standardFilmBase;
    for (std::size_t i = 0; i < 3 && i < filmBaseColor.size(); ++i) {
        const double v = filmBaseColor[i];
        // NaN counts as the floor, like any other unusable value.
        encoded[i] = v > kMinBaseComponent ? v : kMinBaseComponent;
    }
    // The stored base is what the eyedropper saw: sRGB-encoded. The division works on linear
    // values, so decode it first or the base would not come out white.
    const WorkingColor w = color::workingFromSRGB(encoded[0], encoded[1], encoded[2]);
    // Every sRGB colour of positive components has positive Display P3 components.
    auto positive = [](float v) { return std::max(double(v), 1e-6); };
    return {positive(w.r), positive(w.g), positive(w.b)};
}

Image applyNegativeConversion(const Image& input, const NegativeLabParameters& negative) {
    if (!negative.isEnabled) return input;
    switch (negative.filmType) {
        case NegativeFilmType::colorNegative: return convertColorNegative(input, negative);
        case NegativeFilmType::bwNegative: return convertBWNegative(input, negative);
    }
    return input;
}

}  // namespace vantrel
