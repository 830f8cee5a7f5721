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

}  // namespace vantrel
