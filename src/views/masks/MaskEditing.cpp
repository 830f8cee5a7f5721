#include "views/masks/MaskEditing.h"

#include <cmath>

#include "services/TextFormatter.h"

namespace vantrel {

QString exposureReadout(double exposure) {
    const FormatArg argument = makeFormatArg(exposure);
    return QString::fromStdString(formatText("%+.2f EV", std::span(&argument, 1)));
}

bool exposureStandsOut(double exposure) { return std::abs(exposure) > 0.01; }

std::span<const MaskPreset> maskPresets() {
    // Golden Hour warms by 450 K, and its hint says so.
    static constexpr MaskPreset presets[] = {
        {"mask.presetSky", MaskKind::linear, "-1.0EV", -1.0, 1.15, -0.35, 0, -150, 1.0, std::nullopt},
        {"mask.presetGround", MaskKind::linear, "+0.8EV", 0.8, 0.95, 0, 0.4, 100, 1.0, std::nullopt},
        {"mask.presetGolden", MaskKind::linear, "+450K", 0.3, 1.05, 0, 0, 450, 1.15, std::nullopt},
        {"mask.presetDramatic", MaskKind::linear, "-350K", -0.5, 1.25, -0.2, 0, -350, 0.9, std::nullopt},
        {"mask.presetFace", MaskKind::radial, "+0.6EV", 0.6, 1.05, 0, 0.25, 80, 1.0, false},
        {"mask.presetVignette", MaskKind::radial, "-0.8EV", -0.8, 1.1, -0.2, 0, -100, 1.0, true},
        {"mask.presetWarmDiffuse", MaskKind::radial, "+350K", 0.35, 0.95, 0, 0.1, 350, 1.1, false},
    };
    return presets;
}

bool applyMaskPreset(MaskGroupParameters& masks, const Uuid& id, const MaskPreset& preset) {
    // The mask of the preset's own kind: a radial preset never reaches a linear mask.
    return editMaskOfKind(masks, preset.kind, id, [&](auto& mask) {
        mask.exposure = preset.exposure;
        mask.contrast = preset.contrast;
        mask.highlights = preset.highlights;
        mask.shadows = preset.shadows;
        mask.temperature = preset.temperature;
        mask.saturation = preset.saturation;
        if (preset.inverted) mask.isInverted = *preset.inverted;
    });
}

namespace {

constexpr MaskSliderRow kExposure{MaskField::exposure, "mask.localExposure", -2, 2, 0, 0.01, "%.2f", "EV",
                                   MaskTint::accent};
constexpr MaskSliderRow kFeather{MaskField::feather, "mask.feather", 0.05, 1, 0.5, 0.01, "%.0f%%", "",
                                  MaskTint::accent};
constexpr MaskSliderRow kContrast{MaskField::contrast, "mask.localContrast", 0.5, 1.5, 1, 0.01, "%.2f", "",
                                   MaskTint::accent};
constexpr MaskSliderRow kHighlights{MaskField::highlights, "mask.localHighlights", -1, 1, 0, 0.01, "%.2f", "",
                                     MaskTint::accent};
constexpr MaskSliderRow kShadows{MaskField::shadows, "mask.localShadows", -1, 1, 0, 0.01, "%.2f", "",
                                  MaskTint::accent};
constexpr MaskSliderRow kTemperature{MaskField::temperature, "mask.localTemp", -1000, 1000, 0, 10, "%.0f", "K",
                                      MaskTint::orange};
constexpr MaskSliderRow kTint{MaskField::tint, "mask.localTint", -100, 100, 0, 1, "%.0f", "", MaskTint::magenta};
constexpr MaskSliderRow kSaturation{MaskField::saturation, "mask.localSaturation", 0, 2, 1, 0.01, "%.2f", "",
                                     MaskTint::accent};

constexpr MaskSliderRow kInspectorLinear[] = {kExposure, kContrast, kHighlights, kShadows,
                                               kTemperature, kTint, kSaturation};
constexpr MaskSliderRow kInspectorRadial[] = {kExposure, kFeather, kContrast, kHighlights,
                                               kShadows, kTemperature, kTint, kSaturation};
constexpr MaskSliderRow kMainLinear[] = {kExposure, kContrast, kTemperature};
constexpr MaskSliderRow kMainRadial[] = {kExposure, kFeather, kContrast};
constexpr MaskSliderRow kAdvancedLinear[] = {kHighlights, kShadows, kTint, kSaturation};
constexpr MaskSliderRow kAdvancedRadial[] = {kHighlights, kShadows, kTemperature, kTint, kSaturation};

}  // namespace

std::span<const MaskSliderRow> inspectorSliders(MaskKind kind) {
    if (kind == MaskKind::linear) return kInspectorLinear;
    return kInspectorRadial;
}

std::span<const MaskSliderRow> displayMainSliders(MaskKind kind) {
    if (kind == MaskKind::linear) return kMainLinear;
    return kMainRadial;
}

std::span<const MaskSliderRow> displayAdvancedSliders(MaskKind kind) {
    if (kind == MaskKind::linear) return kAdvancedLinear;
    return kAdvancedRadial;
}

}  // namespace vantrel
