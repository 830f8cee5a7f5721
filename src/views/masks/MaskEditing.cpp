#include "views/masks/MaskEditing.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "services/TextFormatter.h"

namespace vantrel {

namespace {

template <typename List>
std::optional<std::size_t> indexOf(const List& list, const Uuid& id) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].id == id) return i;
    return std::nullopt;
}

// The value's place in a mask (const or not); none for feather of a linear mask.
template <typename Mask>
auto fieldOf(Mask& mask, MaskField field) -> std::conditional_t<std::is_const_v<Mask>, const double*, double*> {
    switch (field) {
    case MaskField::exposure: return &mask.exposure;
    case MaskField::contrast: return &mask.contrast;
    case MaskField::highlights: return &mask.highlights;
    case MaskField::shadows: return &mask.shadows;
    case MaskField::temperature: return &mask.temperature;
    case MaskField::tint: return &mask.tint;
    case MaskField::saturation: return &mask.saturation;
    case MaskField::feather:
        if constexpr (requires { mask.feather; }) return &mask.feather;
        return nullptr;
    }
    return nullptr;
}

}  // namespace

std::optional<MaskLocation> locateMask(const MaskGroupParameters& masks, const std::optional<Uuid>& id) {
    if (!id) return std::nullopt;
    if (const auto i = indexOf(masks.linearMasks, *id)) return MaskLocation{MaskKind::linear, *i};
    if (const auto i = indexOf(masks.radialMasks, *id)) return MaskLocation{MaskKind::radial, *i};
    return std::nullopt;
}

std::optional<Uuid> firstMaskID(const MaskGroupParameters& masks, MaskKind first) {
    const bool linearFirst = first == MaskKind::linear || masks.radialMasks.empty();
    if (linearFirst && !masks.linearMasks.empty()) return masks.linearMasks.front().id;
    if (!masks.radialMasks.empty()) return masks.radialMasks.front().id;
    return std::nullopt;
}

std::optional<Uuid> removeMask(MaskGroupParameters& masks, const Uuid& id) {
    std::erase_if(masks.linearMasks, [&](const LinearMask& m) { return m.id == id; });
    std::erase_if(masks.radialMasks, [&](const RadialMask& m) { return m.id == id; });
    return firstMaskID(masks);
}

bool removeMaskOfKind(MaskGroupParameters& masks, MaskKind kind, const Uuid& id) {
    auto eraseFirst = [&](auto& list) {
        const auto i = indexOf(list, id);
        if (!i) return false;
        list.erase(list.begin() + std::ptrdiff_t(*i));
        return true;
    };
    return kind == MaskKind::linear ? eraseFirst(masks.linearMasks) : eraseFirst(masks.radialMasks);
}

std::optional<double> maskValue(const MaskGroupParameters& masks, const std::optional<Uuid>& id, MaskField field) {
    const std::optional<MaskLocation> at = locateMask(masks, id);
    if (!at) return std::nullopt;
    const double* v = at->kind == MaskKind::linear ? fieldOf(masks.linearMasks[at->index], field)
                                                   : fieldOf(masks.radialMasks[at->index], field);
    if (!v) return std::nullopt;
    return *v;
}

bool setMaskValue(MaskGroupParameters& masks, const std::optional<Uuid>& id, MaskField field, double value) {
    bool written = false;
    editMask(masks, id, [&](auto& mask) {
        if (double* v = fieldOf(mask, field)) {
            *v = value;
            written = true;
        }
    });
    return written;
}

MaskSummary summarizeMask(const MaskGroupParameters& masks, const std::optional<Uuid>& id) {
    MaskSummary summary;
    const std::optional<MaskLocation> at = locateMask(masks, id);
    if (!at) return summary;
    auto fill = [&](const auto& mask) {
        summary.kind = at->kind;
        summary.name = mask.name;
        summary.exposure = mask.exposure;
        summary.isInverted = mask.isInverted;
    };
    if (at->kind == MaskKind::linear)
        fill(masks.linearMasks[at->index]);
    else
        fill(masks.radialMasks[at->index]);
    return summary;
}

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

bool resetMaskCorrections(MaskGroupParameters& masks, const Uuid& id) {
    return editMask(masks, id, [](auto& mask) {
        mask.exposure = 0;
        mask.contrast = 1;
        mask.highlights = 0;
        mask.shadows = 0;
        mask.temperature = 0;
        mask.tint = 0;
        mask.saturation = 1;
        mask.isInverted = false;
    });
}

bool toggleMaskInversion(MaskGroupParameters& masks, const Uuid& id) {
    return editMask(masks, id, [](auto& mask) { mask.isInverted = !mask.isInverted; });
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
