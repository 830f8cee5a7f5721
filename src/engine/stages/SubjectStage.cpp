#include "engine/stages/SubjectStage.h"

#include <cmath>

#include "engine/filters/Blends.h"
#include "engine/color/ColorFilters.h"
#include "engine/filters/DetailFilters.h"
#include "engine/filters/GaussianBlur.h"
#include "engine/analysis/subject/SubjectSegmentationEngine.h"

namespace vantrel {

namespace {

constexpr double kClarityIntensityPerUnit = 1.5;
constexpr float kClarityRadius = 2.0f;
// Clarity below this cannot be seen.
constexpr double kClarityThreshold = 0.01;

// Exposure, then contrast and saturation, then a white balance as if shot at the reference
// white + temperature; each only when it changes something.
template <class Side>
Image toneAndColour(const Image& input, const Side& side) {
    Image out = input;
    if (parameterOf(&Side::exposure).isChanged(side.exposure))
        out = exposure(out, ExposureParameters{float(side.exposure)});
    if (parameterOf(&Side::contrast).isChanged(side.contrast) || parameterOf(&Side::saturation).isChanged(side.saturation)) {
        ColorControlsParameters p;
        p.contrast = float(side.contrast);
        p.saturation = float(side.saturation);
        out = colorControls(out, p);
    }
    if (parameterOf(&Side::temperature).isChanged(side.temperature)) {
        TemperatureAndTintParameters p;
        p.neutral = {kReferenceTemperature + side.temperature, 0};
        p.targetNeutral = {kReferenceTemperature, 0};
        out = temperatureAndTint(out, p);
    }
    return out;
}

}  // namespace

Image subjectSide(const Image& input, const SubjectAdjustment& subject) {
    if (subject.isIdentity()) return input;
    Image out = toneAndColour(input, subject);
    if (parameterOf(&SubjectAdjustment::clarity).isChangedBeyond(subject.clarity, kClarityThreshold)) {
        // Negative clarity gives a negative intensity, which softens.
        UnsharpMaskSettings s;
        s.intensity = float(subject.clarity * kClarityIntensityPerUnit);
        s.radius = kClarityRadius;
        out = unsharpMask(out, s);
    }
    return out;
}

Image backgroundSide(const Image& input, const BackgroundAdjustment& background) {
    if (background.isIdentity()) return input;
    Image out = toneAndColour(input, background);
    if (parameterOf(&BackgroundAdjustment::blurRadius).isChanged(background.blurRadius)) {
        // Edge pixels repeat beyond the frame, so the blurred edges do not darken.
        out = gaussianBlur(out, float(background.blurRadius), BlurEdge::Clamp).cropped(input.extent());
    }
    return out;
}

Image applySubjectMask(const Image& input, const SubjectMaskParameters& params, const std::optional<Image>& mask) {
    const Rect extent = input.extent();
    if (!params.isEnabled || !params.hasDetectedSubject || !mask || mask->isEmpty() || !extent.isFinite())
        return input;

    const Image subject = subjectSide(input, params.subject);
    const Image background = backgroundSide(input, params.background);

    // A mask made for another size is stretched onto the frame, its edge pixels repeated so
    // that its border does not fade.
    Image m = mask->extent() == extent ? *mask : SubjectSegmentationEngine::fitMask(*mask, extent);
    m = m.cropped(extent);
    if (params.isInverted) m = invert(m).cropped(extent);

    Image out = blendWithMask(subject, background, m).cropped(extent);
    return out.isEmpty() ? input : out;
}

}  // namespace vantrel
