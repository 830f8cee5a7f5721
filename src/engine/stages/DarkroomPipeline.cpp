#include "engine/stages/DarkroomPipeline.h"

#include <vector>

#include "engine/analysis/subject/SubjectSegmentationEngine.h"
#include "engine/stages/AdjustmentStages.h"
#include "engine/stages/ColorCubeStages.h"
#include "engine/stages/DustAndScratchesStage.h"
#include "engine/stages/DustVisualizationStage.h"
#include "engine/stages/FilmFrameGenerator.h"
#include "engine/stages/FilmGrainEngine.h"
#include "engine/stages/GeometryMove.h"
#include "engine/stages/GeometryStage.h"
#include "engine/stages/HalationEngine.h"
#include "engine/stages/HistogramEngine.h"
#include "engine/stages/LightLeakStage.h"
#include "engine/stages/LocalMaskStage.h"
#include "engine/stages/NegativeConversionStage.h"
#include "engine/stages/SpotHealingStage.h"
#include "engine/stages/SubjectStage.h"
#include "engine/stages/ToneCurveStage.h"
#include "engine/stages/UltraHDREngine.h"

namespace vantrel {

namespace {

using Inputs = DarkroomPipeline::StageInputs;
using E = EditParameters;

// Guards compare strictly: a stage that runs above a threshold does not run at it.
constexpr double kAmountThreshold = 0.001;
constexpr double kToneThreshold = 0.01;
constexpr double kDetailThreshold = 0.01;

bool always(const Inputs&) { return true; }

// Whether the recipe's setting lies further than `threshold` from its neutral value (for a
// strength, further above it: zero and negative amounts add nothing).
bool beyond(const Inputs& in, const ScalarParameter<EditParameters>& row, double threshold) {
    return row.isChangedBeyond(in.recipe.*row.member, threshold);
}

// The chain, in order. Every builder is the stage's own applyX over the running image and its
// part of the recipe; a new stage is its own file in stages/ and one row here.
const DarkroomPipeline::Stage kStages[] = {
    {"geometry", always,
     [](const Image& i, const Inputs& in) { return applyGeometry(i, in.recipe.crop, in.framing); }},
    {"spotHealing", always, [](const Image& i, const Inputs& in) { return applySpotHealing(i, in.recipe.spotHealing); }},
    {"negativeConversion", [](const Inputs& in) { return in.recipe.negativeLab.isEnabled; },
     [](const Image& i, const Inputs& in) { return applyNegativeConversion(i, in.recipe.negativeLab); }},
    {"whiteBalance", always, [](const Image& i, const Inputs& in) { return applyWhiteBalance(i, in.recipe); }},
    {"exposure", [](const Inputs& in) { return beyond(in, parameterOf(&E::exposure), kAmountThreshold); },
     [](const Image& i, const Inputs& in) { return applyExposure(i, in.recipe); }},
    {"highlightsShadows",
     [](const Inputs& in) {
         return beyond(in, parameterOf(&E::highlights), kToneThreshold) || beyond(in, parameterOf(&E::shadows), kToneThreshold);
     },
     [](const Image& i, const Inputs& in) { return applyHighlightsShadows(i, in.recipe); }},
    {"colorControls",
     [](const Inputs& in) {
         return beyond(in, parameterOf(&E::brightness), kAmountThreshold) || beyond(in, parameterOf(&E::contrast), kAmountThreshold) ||
                beyond(in, parameterOf(&E::saturation), kAmountThreshold);
     },
     [](const Image& i, const Inputs& in) { return applyColorControls(i, in.recipe); }},
    {"vibrance", [](const Inputs& in) { return beyond(in, parameterOf(&E::vibrance), kAmountThreshold); },
     [](const Image& i, const Inputs& in) { return applyVibrance(i, in.recipe); }},
    {"hslMixer", [](const Inputs& in) { return in.recipe.hasHSLAdjustments(); },
     [](const Image& i, const Inputs& in) { return applyHslMixer(i, in.recipe); }},
    {"colorGrading", [](const Inputs& in) { return !in.recipe.colorGrading.isIdentity(); },
     [](const Image& i, const Inputs& in) { return applyColorGrading(i, in.recipe.colorGrading); }},
    {"toneCurve", always, [](const Image& i, const Inputs& in) { return applyToneCurve(i, in.recipe.curvePoints); }},
    {"noiseReduction", [](const Inputs& in) { return beyond(in, parameterOf(&E::noiseReduction), kDetailThreshold); },
     [](const Image& i, const Inputs& in) { return applyNoiseReduction(i, in.recipe); }},
    {"sharpening", [](const Inputs& in) { return beyond(in, parameterOf(&E::sharpening), kDetailThreshold); },
     [](const Image& i, const Inputs& in) { return applySharpening(i, in.recipe); }},
    {"vignette", [](const Inputs& in) { return beyond(in, parameterOf(&E::vignette), kDetailThreshold); },
     [](const Image& i, const Inputs& in) { return applyVignette(i, in.recipe); }},
    {"localMasks", [](const Inputs& in) { return !in.recipe.masks.isIdentity(); },
     [](const Image& i, const Inputs& in) { return applyLocalMasks(i, in.recipe.masks); }},
    {"subjectMask", [](const Inputs& in) { return !in.recipe.subjectMask.isIdentity(); },
     [](const Image& i, const Inputs& in) { return applySubjectMask(i, in.recipe.subjectMask, in.subjectMask); }},
    {"halation", [](const Inputs& in) { return !in.recipe.halation.isNeutral(); },
     [](const Image& i, const Inputs& in) { return applyHalation(i, in.recipe.halation); }},
    // The film effects run from exactly their threshold on (and never for NaN).
    {"filmGrain",
     [](const Inputs& in) { return parameterOf(&FilmGrainParameters::amount).reaches(in.recipe.filmGrain.amount); },
     [](const Image& i, const Inputs& in) { return applyFilmGrain(i, in.recipe.filmGrain); }},
    {"lightLeak",
     [](const Inputs& in) {
         return in.recipe.lightLeaks.style != LightLeakStyle::none &&
                parameterOf(&LightLeakParameters::intensity).reaches(in.recipe.lightLeaks.intensity);
     },
     [](const Image& i, const Inputs& in) { return applyLightLeak(i, in.recipe.lightLeaks); }},
    {"dustAndScratches",
     [](const Inputs& in) {
         return parameterOf(&DustAndScratchesParameters::amount).reaches(in.recipe.dustAndScratches.amount);
     },
     [](const Image& i, const Inputs& in) { return applyDustAndScratches(i, in.recipe.dustAndScratches); }},
    {"ultraHDR", [](const Inputs& in) { return !in.recipe.ultraHDR.isNeutral(); },
     [](const Image& i, const Inputs& in) {
         return applyUltraHDR(i, in.recipe.ultraHDR, in.boostRange, in.screen);
     }},
    {"filmFrame", [](const Inputs& in) { return !in.recipe.filmFrame.isNeutral(); },
     [](const Image& i, const Inputs& in) { return applyFilmFrame(i, in.recipe.filmFrame, in.metadata); }},
    {"dustVisualization",
     [](const Inputs& in) { return in.dustView == DustView::allowed && in.recipe.spotHealing.isVisualizeDustMode; },
     [](const Image& i, const Inputs& in) { return applyDustVisualization(i, in.recipe.spotHealing); }},
};

// The subject mask is found on the scan as loaded, but the subject stage grades the frame
// turned, mirrored, straightened and cropped: the mask takes the same geometry, so the grading
// stays on the subject whatever the frame's crop (made or changed before or after detection).
std::optional<Image> subjectMaskOnFrame(const std::optional<Image>& mask, const Image& source,
                                        const CropParameters& crop, Framing framing) {
    if (!mask || mask->isEmpty() || crop.isIdentity() || !source.extent().isFinite() || source.extent().isEmpty())
        return mask;
    const Image onScan =
        mask->extent() == source.extent() ? *mask : SubjectSegmentationEngine::fitMask(*mask, source.extent());
    return applyGeometry(onScan, crop, framing);
}

// Spots and masks are kept as fractions of the finished frame; crop mode shows the frame
// uncropped, so they are placed on it where they lie on the scan. Absent when nothing moves.
std::optional<EditParameters> localWorkOnFrame(const EditParameters& recipe, const Image& source, Framing framing) {
    if (framing != Framing::uncropped || !source.extent().isFinite() ||
        (recipe.spotHealing.spots.empty() && recipe.masks.linearMasks.empty() && recipe.masks.radialMasks.empty()))
        return std::nullopt;
    const GeometryMove move(double(source.extent().width), double(source.extent().height), recipe.crop, recipe.crop,
                            Framing::cropped, Framing::uncropped);
    if (move.isIdentity()) return std::nullopt;
    EditParameters onFrame = recipe;
    onFrame.spotHealing.spots = move.spots(std::move(onFrame.spotHealing.spots));
    onFrame.masks = move.masks(std::move(onFrame.masks));
    return onFrame;
}

}  // namespace

const DarkroomPipeline& DarkroomPipeline::shared() {
    static const DarkroomPipeline instance;
    return instance;
}

DarkroomPipeline::DarkroomPipeline(ContextOptions options) : context_(options) {}

std::span<const DarkroomPipeline::Stage> DarkroomPipeline::stages() {
    return kStages;
}

Image DarkroomPipeline::render(const Image& source, const EditParameters& recipe,
                               const std::optional<Image>& subjectMask, Framing framing, DustView dustView,
                               BoostRange boostRange, ScreenHeadroom screen,
                               const ImageMetadataInfo* metadata) const {
    const std::optional<Image> mask = subjectMaskOnFrame(subjectMask, source, recipe.crop, framing);
    const std::optional<EditParameters> onFrame = localWorkOnFrame(recipe, source, framing);
    const StageInputs inputs{onFrame ? *onFrame : recipe, mask, framing, dustView, boostRange, screen, metadata};
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

}  // namespace vantrel
