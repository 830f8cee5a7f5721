#include "views/masks/MaskEditing.h"

#include <cmath>

#include "services/L10n.h"
#include "services/StringTable.h"
#include "services/TextFormatter.h"

namespace vantrel {

QString exposureReadout(double exposure) {
    const FormatArg argument = makeFormatArg(exposure);
    return QString::fromStdString(formatText("%+.2f EV", std::span(&argument, 1)));
}

bool exposureStandsOut(double exposure) { return std::abs(exposure) > 0.01; }

QString shownMaskName(const std::string& name) {
    std::optional<std::string> shown;
    anyMaskKind([&](const auto& kind) {
        const StringTable::Texts* texts = StringTable::builtIn().row(kind.nameKey);
        for (std::size_t i = 0; texts && i < texts->size() && !shown; ++i) {
            const std::string& form = (*texts)[i];
            const std::size_t at = form.find("%d");
            if (at == std::string::npos) continue;
            const std::string before = form.substr(0, at), after = form.substr(at + 2);
            if (name.size() <= before.size() + after.size() || !name.starts_with(before) || !name.ends_with(after))
                continue;
            const std::string number = name.substr(before.size(), name.size() - before.size() - after.size());
            if (number.size() > 6 || !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
                continue;
            shown = L10n::tr(kind.nameKey, std::stoi(number));
        }
        return shown.has_value();
    });
    return QString::fromStdString(shown.value_or(name));
}

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
