#include "engine/HalationEngine.h"

#include <algorithm>
#include <cmath>

#include "engine/Blends.h"
#include "engine/ColorFilters.h"
#include "engine/GaussianBlur.h"

namespace vantrel::HalationEngine {

namespace {

// Below this an intensity adds no layer (and both below it leave the frame alone).
constexpr double kMinIntensity = 0.01;
// Frames this small or smaller on a side are left alone.
constexpr std::int64_t kMinSide = 10;

// A layer: the key's red channel times `tint` in each colour channel, blurred with the edge
// repeated so the glow does not fade towards the frame's border. Since the blur is linear,
// tinting first or last gives the same pixels.
Image glowLayer(const Image& key, const Rect& extent, float r, float g, float b, double radius) {
    ColorMatrixParameters tint;
    tint.rVector = {r, 0, 0, 0};
    tint.gVector = {g, 0, 0, 0};
    tint.bVector = {b, 0, 0, 0};
    const float sigma = std::isfinite(radius) ? float(std::max(radius, 0.0)) : kMaxBlurSigma;
    return gaussianBlur(colorMatrix(key, tint), sigma, BlurEdge::Clamp).cropped(extent);
}

}  // namespace

Image highlightKey(const Image& frame, double threshold) {
    const double t = std::isfinite(threshold) ? threshold : 1.0;
    const double k = 1.0 / std::max(1.0 - t, 0.01);
    ColorMatrixParameters m;
    const std::array<float, 4> row{float(0.2126 * k), float(0.7152 * k), float(0.0722 * k), 0.0f};
    m.rVector = m.gVector = m.bVector = row;
    const float bias = float(-t * k);
    m.biasVector = {bias, bias, bias, 0.0f};
    return colorClamp(colorMatrix(frame, m)).cropped(frame.extent());
}

Image apply(const Image& frame, const HalationParameters& p) {
    const Rect& e = frame.extent();
    if (!p.isEnabled || p.isNeutral() || !e.isFinite() || e.width <= kMinSide || e.height <= kMinSide) return frame;

    const bool halation = p.halationIntensity > kMinIntensity;
    const bool bloom = p.bloomIntensity > kMinIntensity;
    if (!halation && !bloom) return frame;
    // With two layers the key is read by both blurs; compute it once.
    Image key = highlightKey(frame, p.halationThreshold);
    if (halation && bloom) key = key.materialized();

    Image glow;
    if (halation) {
        const float a = float(p.halationIntensity * 1.8);
        glow = glowLayer(key, e, a, a * 0.12f, a * 0.02f, p.halationRadius);
    }
    if (bloom) {
        const float c = float(p.bloomIntensity * 1.3);
        const Image layer = glowLayer(key, e, c, c * 0.95f, c * 0.9f, p.bloomRadius);
        glow = halation ? addition(layer, glow).cropped(e) : layer;
    }
    return screen(glow, frame).cropped(e);
}

}  // namespace vantrel::HalationEngine
