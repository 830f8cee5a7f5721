#pragma once
// The whole non-destructive recipe of one frame: every value the darkroom
// needs to develop a scan.
#include <array>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "model/ColorGradingParameters.h"
#include "model/CropParameters.h"
#include "model/CurvePoint.h"
#include "model/DustAndScratchesParameters.h"
#include "model/FilmFrameParameters.h"
#include "model/FilmGrainParameters.h"
#include "model/HSLAdjustment.h"
#include "model/HSLColorChannel.h"
#include "model/HalationParameters.h"
#include "model/LightLeakParameters.h"
#include "model/MaskGroupParameters.h"
#include "model/NegativeLabParameters.h"
#include "model/ReferenceWhite.h"
#include "model/ScalarParameter.h"
#include "model/SpotHealingParameters.h"
#include "model/SubjectMaskParameters.h"
#include "model/UltraHDRParameters.h"

namespace vantrel {

struct EditParameters {
    double exposure = 0;
    double contrast = 1;
    double brightness = 0;
    double highlights = 1;
    double shadows = 0;
    double temperature = kReferenceTemperature;  // kelvin
    double tint = 0;
    double saturation = 1;
    double vibrance = 0;
    HSLAdjustments hslAdjustments{};
    std::vector<CurvePoint> curvePoints = defaultCurvePoints();
    double noiseReduction = 0;
    double sharpening = 0;
    double vignette = 0;
    CropParameters crop{};
    SpotHealingParameters spotHealing{};
    ColorGradingParameters colorGrading{};
    MaskGroupParameters masks{};
    SubjectMaskParameters subjectMask{};
    HalationParameters halation{};
    FilmFrameParameters filmFrame{};
    FilmGrainParameters filmGrain{};
    LightLeakParameters lightLeaks{};
    DustAndScratchesParameters dustAndScratches{};
    UltraHDRParameters ultraHDR{};
    NegativeLabParameters negativeLab{};

    // The neutral recipe, built once per run.
    static const EditParameters& defaultValue();

    // The five-point diagonal curve, built once per run: its point identifiers
    // differ from one run to the next.
    static const std::vector<CurvePoint>& defaultCurvePoints();

    // The HSL entries' reads and writes (HSLAdjustment.h).
    HSLAdjustment hslAdjustment(HSLColorChannel channel) const {
        return vantrel::hslAdjustment(hslAdjustments, channel);
    }
    void setHSLAdjustment(const HSLAdjustment& adjustment, HSLColorChannel channel) {
        vantrel::setHSLAdjustment(hslAdjustments, adjustment, channel);
    }
    bool hasHSLAdjustments() const { return vantrel::hasHSLAdjustments(hslAdjustments); }

    // Exact equality, curve-point identifiers included.
    bool operator==(const EditParameters&) const = default;

    // Equality of what the recipe does to the picture: like ==, but curve points
    // compare by position only. Use it to ask "has this frame been edited": the
    // default curve's identifiers are drawn afresh every run, so a recipe saved
    // in an earlier run never equals this run's default exactly.
    bool sameContent(const EditParameters& other) const;
};

// The recipe's own scalar settings; the defaults above are their neutral values.
template <>
struct ParameterTable<EditParameters> {
    using E = EditParameters;
    using G = ParameterGroup;
    static constexpr std::array<ScalarParameter<E>, 12> rows{{
        {.key = "exposure", .member = &E::exposure, .lower = -2, .upper = 2, .neutral = 0, .unit = "EV",
         .label = "inspector.exposure", .group = G::tone},
        {.key = "contrast", .member = &E::contrast, .lower = 0.5, .upper = 2, .neutral = 1,
         .label = "inspector.contrast", .group = G::tone},
        {.key = "highlights", .member = &E::highlights, .lower = 0, .upper = 1, .neutral = 1,
         .label = "inspector.highlights", .group = G::tone},
        {.key = "shadows", .member = &E::shadows, .lower = 0, .upper = 1, .neutral = 0,
         .label = "inspector.shadows", .group = G::tone},
        // No slider of its own: presets and synchronised recipes set it, the latter with the tone.
        {.key = "brightness", .member = &E::brightness, .lower = -1, .upper = 1, .neutral = 0,
         .syncedWith = G::tone},
        {.key = "temperature", .member = &E::temperature, .lower = 2500, .upper = 9500,
         .neutral = kReferenceTemperature, .tolerance = 1.0, .step = 50, .format = "%.0f", .unit = "K",
         .label = "inspector.temp", .group = G::color, .accent = 0xFF9500},
        {.key = "tint", .member = &E::tint, .lower = -100, .upper = 100, .neutral = 0, .step = 1, .format = "%.0f",
         .label = "inspector.tint", .group = G::color, .accent = 0xD959BF},
        {.key = "saturation", .member = &E::saturation, .lower = 0, .upper = 2, .neutral = 1,
         .label = "inspector.saturation", .group = G::color},
        {.key = "vibrance", .member = &E::vibrance, .lower = -1, .upper = 1, .neutral = 0,
         .label = "inspector.vibrance", .group = G::color},
        // Strengths: values below zero do nothing.
        {.key = "sharpening", .member = &E::sharpening, .lower = 0, .upper = 1, .neutral = 0, .onlyAbove = true,
         .label = "inspector.sharpening", .group = G::detail},
        {.key = "noiseReduction", .member = &E::noiseReduction, .lower = 0, .upper = 0.3, .neutral = 0,
         .onlyAbove = true, .label = "inspector.noiseReduction", .group = G::detail},
        {.key = "vignette", .member = &E::vignette, .lower = -1, .upper = 1, .neutral = 0,
         .label = "inspector.vignette", .group = G::vignette},
    }};
};

// Two programs may change one frame's recipe at once. Each field this program
// changed since `base` (what it last read or wrote) takes `ours`; every other
// field takes `theirs` (what the file holds now). A field both changed, to
// different values, keeps `ours` and makes it a conflict.
struct RecipeMerge {
    EditParameters recipe;
    bool conflict = false;
};
RecipeMerge mergeRecipes(const EditParameters& base, const EditParameters& ours, const EditParameters& theirs);

// Reading is lenient at this level: a missing or null key takes its default;
// nested records follow their own rules.
void to_json(nlohmann::json& j, const EditParameters& recipe);
void from_json(const nlohmann::json& j, EditParameters& recipe);

}  // namespace vantrel
