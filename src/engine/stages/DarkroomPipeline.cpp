#include "engine/stages/DarkroomPipeline.h"

#include <cmath>

#include "engine/color/ColorCubeGenerator.h"
#include "engine/color/ColorFilters.h"
#include "engine/filters/DetailFilters.h"
#include "engine/stages/DustVisualizationStage.h"
#include "engine/stages/FilmFrameGenerator.h"
#include "engine/stages/FilmGrainEngine.h"
#include "engine/stages/DustAndScratchesStage.h"
#include "engine/stages/GeometryStage.h"
#include "engine/stages/HalationEngine.h"
#include "engine/stages/HistogramEngine.h"
#include "engine/stages/LocalMaskStage.h"
#include "engine/stages/NegativeConversionStage.h"
#include "engine/stages/SpotHealingStage.h"
#include "engine/stages/SubjectStage.h"
#include "engine/stages/ToneCurveStage.h"
#include "engine/stages/UltraHDREngine.h"

namespace vantrel {

namespace {

using Inputs = DarkroomPipeline::StageInputs;

// Guards compare strictly: a stage that runs above a threshold does not run at it.
constexpr double kAmountThreshold = 0.001;
constexpr double kToneThreshold = 0.01;
constexpr double kDetailThreshold = 0.01;
constexpr double kGrainThreshold = 0.005;
constexpr double kLightLeakThreshold = 0.01;
constexpr double kDustThreshold = 0.005;

constexpr double kReferenceTemperature = 6500;
constexpr double kNoiseLevelPerUnit = 0.1;
constexpr float kNoiseSharpness = 0.5f;
constexpr double kSharpenIntensityPerUnit = 2;
constexpr float kSharpenRadius = 1.5f;
constexpr double kVignetteIntensityPerUnit = 1.5;
constexpr float kVignetteRadius = 1.8f;

bool always(const Inputs&) { return true; }

Image whiteBalance(const Image& image, const Inputs& in) {
    const EditParameters& r = in.recipe;
    // The reference white mapped onto itself is the identity: no node needed.
    if (r.temperature == kReferenceTemperature && r.tint == 0) return image;
    TemperatureAndTintParameters p;
    p.neutral = {r.temperature, r.tint};
    p.targetNeutral = {kReferenceTemperature, 0};
    return temperatureAndTint(image, p);
}

Image exposureStage(const Image& image, const Inputs& in) {
    return exposure(image, ExposureParameters{float(in.recipe.exposure)});
}

Image highlightsShadowsStage(const Image& image, const Inputs& in) {
    HighlightShadowParameters p;
    p.highlightAmount = float(in.recipe.highlights);
    p.shadowAmount = float(in.recipe.shadows);
    return highlightsAndShadows(image, p);
}

Image colorControlsStage(const Image& image, const Inputs& in) {
    ColorControlsParameters p;
    p.brightness = float(in.recipe.brightness);
    p.contrast = float(in.recipe.contrast);
    p.saturation = float(in.recipe.saturation);
    return colorControls(image, p);
}

Image vibranceStage(const Image& image, const Inputs& in) {
    return vibrance(image, VibranceParameters{float(in.recipe.vibrance)});
}

Image noiseReductionStage(const Image& image, const Inputs& in) {
    NoiseReductionSettings s;
    s.noiseLevel = float(in.recipe.noiseReduction * kNoiseLevelPerUnit);
    s.sharpness = kNoiseSharpness;
    return noiseReduction(image, s);
}

Image sharpeningStage(const Image& image, const Inputs& in) {
    UnsharpMaskSettings s;
    s.intensity = float(in.recipe.sharpening * kSharpenIntensityPerUnit);
    s.radius = kSharpenRadius;
    return unsharpMask(image, s);
}

Image vignetteStage(const Image& image, const Inputs& in) {
    VignetteParameters p;
    p.intensity = float(in.recipe.vignette * kVignetteIntensityPerUnit);
    p.radius = kVignetteRadius;
    return vignette(image, p);
}

const std::array<DarkroomPipeline::Stage, DarkroomPipeline::kStageCount> kStages{{
    {"geometry", always,
     [](const Image& i, const Inputs& in) { return applyGeometry(i, in.recipe.crop, in.applyCrop); }},
    {"spotHealing", always,
     [](const Image& i, const Inputs& in) {
         return applySpotHealing(i, in.recipe.spotHealing.spots, in.recipe.spotHealing.isEnabled);
     }},
    {"negativeConversion", [](const Inputs& in) { return in.recipe.negativeLab.isEnabled; },
     [](const Image& i, const Inputs& in) { return applyNegativeConversion(i, in.recipe.negativeLab); }},
    {"whiteBalance", always, whiteBalance},
    {"exposure", [](const Inputs& in) { return std::abs(in.recipe.exposure) > kAmountThreshold; }, exposureStage},
    {"highlightsShadows",
     [](const Inputs& in) {
         return std::abs(in.recipe.highlights - 1) > kToneThreshold || std::abs(in.recipe.shadows) > kToneThreshold;
     },
     highlightsShadowsStage},
    {"colorControls",
     [](const Inputs& in) {
         const EditParameters& r = in.recipe;
         return std::abs(r.brightness) > kAmountThreshold || std::abs(r.contrast - 1) > kAmountThreshold ||
                std::abs(r.saturation - 1) > kAmountThreshold;
     },
     colorControlsStage},
    {"vibrance", [](const Inputs& in) { return std::abs(in.recipe.vibrance) > kAmountThreshold; }, vibranceStage},
    {"hslMixer", [](const Inputs& in) { return in.recipe.hasHSLAdjustments(); },
     [](const Image& i, const Inputs& in) { return applyHslMixer(i, in.recipe); }},
    {"colorGrading", [](const Inputs& in) { return !in.recipe.colorGrading.isIdentity(); },
     [](const Image& i, const Inputs& in) { return applyColorGrading(i, in.recipe); }},
    {"toneCurve", always, [](const Image& i, const Inputs& in) { return applyToneCurve(i, in.recipe.curvePoints); }},
    // Signed guards: zero and negative amounts add nothing.
    {"noiseReduction", [](const Inputs& in) { return in.recipe.noiseReduction > kDetailThreshold; },
     noiseReductionStage},
    {"sharpening", [](const Inputs& in) { return in.recipe.sharpening > kDetailThreshold; }, sharpeningStage},
    {"vignette", [](const Inputs& in) { return std::abs(in.recipe.vignette) > kDetailThreshold; }, vignetteStage},
    {"localMasks", [](const Inputs& in) { return !in.recipe.masks.isIdentity(); },
     [](const Image& i, const Inputs& in) {
         return applyMasks(i, in.recipe.masks.linearMasks, in.recipe.masks.radialMasks);
     }},
    {"subjectMask", [](const Inputs& in) { return !in.recipe.subjectMask.isIdentity(); },
     [](const Image& i, const Inputs& in) { return applySubjectMask(i, in.subjectMask, in.recipe.subjectMask); }},
    {"halation", [](const Inputs& in) { return !in.recipe.halation.isNeutral(); },
     [](const Image& i, const Inputs& in) { return HalationEngine::apply(i, in.recipe.halation); }},
    // "Not below" thresholds: the stage runs at exactly the threshold (and never for NaN).
    {"filmGrain", [](const Inputs& in) { return in.recipe.filmGrain.amount >= kGrainThreshold; },
     [](const Image& i, const Inputs& in) {
         const FilmGrainParameters& g = in.recipe.filmGrain;
         return FilmGrainEngine::apply(i, g.amount, g.size, g.roughness, g.colorDyeClouds);
     }},
    {"lightLeak",
     [](const Inputs& in) {
         return in.recipe.lightLeaks.style != LightLeakStyle::none &&
                in.recipe.lightLeaks.intensity >= kLightLeakThreshold;
     },
     [](const Image& i, const Inputs& in) {
         const LightLeakParameters& l = in.recipe.lightLeaks;
         return FilmPhysicsEngine::applyLightLeak(i, l.style, l.intensity, l.position);
     }},
    {"dustAndScratches", [](const Inputs& in) { return in.recipe.dustAndScratches.amount >= kDustThreshold; },
     [](const Image& i, const Inputs& in) {
         const DustAndScratchesParameters& d = in.recipe.dustAndScratches;
         return FilmPhysicsEngine::applyDustAndScratches(i, d.amount, d.scratchesDensity, d.dustSize);
     }},
    {"ultraHDR", [](const Inputs& in) { return !in.recipe.ultraHDR.isNeutral(); },
     [](const Image& i, const Inputs& in) {
         return UltraHDREngine::apply(i, in.recipe.ultraHDR,
                                      in.forceStandardRange ? std::optional<bool>(true) : std::nullopt);
     }},
    {"filmFrame", [](const Inputs& in) { return !in.recipe.filmFrame.isNeutral(); },
     [](const Image& i, const Inputs& in) { return FilmFrameGenerator::apply(i, in.recipe.filmFrame); }},
    {"dustVisualization",
     [](const Inputs& in) { return in.allowDustVisualization && in.recipe.spotHealing.isVisualizeDustMode; },
     [](const Image& i, const Inputs& in) {
         return applyDustVisualization(i, in.recipe.spotHealing.visualizeDustIntensity);
     }},
}};

}  // namespace

const DarkroomPipeline& DarkroomPipeline::shared() {
    static const DarkroomPipeline instance;
    return instance;
}

DarkroomPipeline::DarkroomPipeline(ContextOptions options) : context_(options) {}

const std::array<DarkroomPipeline::Stage, DarkroomPipeline::kStageCount>& DarkroomPipeline::stages() {
    return kStages;
}

Image DarkroomPipeline::render(const Image& source, const EditParameters& recipe,
                               const std::optional<Image>& subjectMask, bool applyCrop,
                               bool allowDustVisualization, bool forceStandardRange) const {
    const StageInputs inputs{recipe, subjectMask, applyCrop, allowDustVisualization, forceStandardRange};
    Image image = source;
    std::vector<std::string_view> ran;
    for (const Stage& stage : kStages) {
        if (!stage.runs(inputs)) continue;
        Image out = stage.build(image, inputs);
        // A stage that could not produce anything leaves the running image as it stood.
        if (out.isEmpty() && !image.isEmpty()) continue;
        image = std::move(out);
        ran.push_back(stage.label);
    }
    // The labels go on once the chain is built: a label between two stages would keep
    // consecutive colour matrices (white balance, exposure, the end of the negative chain)
    // from merging into one. The trace lists them in the order they ran all the same.
    for (std::string_view label : ran) image = image.withStage(std::string(label));
    return image;
}

std::optional<Bitmap> DarkroomPipeline::makeBitmap(const Image& image, std::optional<Rect> rect,
                                                   std::stop_token stop) const {
    RenderOptions options;
    options.space = outputColorSpace();
    options.stop = std::move(stop);
    return context_.makeBitmap(image, rect, options);
}

HistogramData DarkroomPipeline::computeHistogram(const Image& developed, const UltraHDRParameters& ultraHDR) const {
    return HistogramEngine::computeHistogram(developed, context_, ultraHDR);
}

Image DarkroomPipeline::applyGeometry(const Image& input, const CropParameters& crop, bool applyCrop) {
    return vantrel::applyGeometry(input, crop, applyCrop);
}

Image DarkroomPipeline::applySpotHealing(const Image& input, const std::vector<SpotItem>& spots, bool isEnabled) {
    return vantrel::applySpotHealing(input, spots, isEnabled);
}

Image DarkroomPipeline::applyNegativeConversion(const Image& input, const NegativeLabParameters& negative) {
    return vantrel::applyNegativeConversion(input, negative);
}

Image DarkroomPipeline::applyToneCurve(const Image& input, const std::vector<CurvePoint>& points) {
    return vantrel::applyToneCurve(input, points);
}

Image DarkroomPipeline::applyMasks(const Image& input, const std::vector<LinearMask>& linearMasks,
                                   const std::vector<RadialMask>& radialMasks) {
    return vantrel::applyMasks(input, linearMasks, radialMasks);
}

Image DarkroomPipeline::applySubjectMask(const Image& input, const std::optional<Image>& subjectMask,
                                         const SubjectMaskParameters& params) {
    return vantrel::applySubjectMask(input, subjectMask, params);
}

Image DarkroomPipeline::applyDustVisualization(const Image& input, double intensity) {
    return vantrel::applyDustVisualization(input, intensity);
}

}  // namespace vantrel
