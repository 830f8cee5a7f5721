#include "engine/stages/UltraHDREngine.h"

#include <algorithm>
#include <cmath>

#include "engine/filters/AreaHistogram.h"
#include "engine/filters/Blends.h"
#include "engine/color/ColorFilters.h"
#include "engine/filters/GaussianBlur.h"

namespace vantrel::UltraHDREngine {

namespace {

// The band is measured on a copy at most this long, which is plenty for 64 bins.
constexpr double kBinCopySide = 200.0;

ColorMatrixParameters diagonal(double k) {
    ColorMatrixParameters m;
    const float f = float(k);
    m.rVector = {f, 0, 0, 0};
    m.gVector = {0, f, 0, 0};
    m.bVector = {0, 0, f, 0};
    return m;
}

bool tooSmall(const Rect& e) { return !e.isFinite() || e.width <= 1 || e.height <= 1; }

}  // namespace

double effectiveBoost(double b) { return std::isnan(b) ? 0.0 : std::min(b, kMaxHighlightBoost); }

double headroom(double b) { return std::exp2(effectiveBoost(b)); }

Image gainMapImage(const Image& source, bool enabled, double clipThreshold, double radius) {
    const Rect& e = source.extent();
    if (!enabled) return Image::constant({0, 0, 0, 1}).cropped(e);
    if (tooSmall(e)) return source;

    ColorMatrixParameters luma;
    luma.rVector = luma.gVector = luma.bVector = {0.2126f, 0.7152f, 0.0722f, 0.0f};
    const double t = std::isfinite(clipThreshold) ? clipThreshold : 1.0;
    const double s = 1.0 / std::max(1.0 - t, 0.01);
    const float b = float(-t * s);
    ColorMatrixParameters threshold;
    threshold.rVector = threshold.gVector = threshold.bVector = {float(s), 0, 0, 0};
    threshold.biasVector = {b, b, b, 0};
    // Luma, threshold, clamp and gamma are pointwise and fuse into one pass.
    Image map = gamma(colorClamp(colorMatrix(colorMatrix(source, luma), threshold)), GammaParameters{1.8f})
                    .cropped(e);
    if (radius > 0.1) {
        const float sigma = std::isfinite(radius) ? float(radius) : kMaxBlurSigma;
        map = gaussianBlur(map, sigma, BlurEdge::Transparent).cropped(e);
    }
    return map;
}

Image gainMap(const Image& frame, const UltraHDRParameters& p) {
    return gainMapImage(frame, p.isEnabled, p.clipThreshold, p.gainMapRadius);
}

std::vector<float> edrHistogramBins(const Image& map, const UltraHDRParameters& p, const Context& context) {
    std::vector<float> result(kEdrBinCount, 0.0f);
    const Rect& e = map.extent();
    if (!p.isEnabled || !e.isFinite()) return result;

    const double f = kBinCopySide / double(std::max(e.width, e.height));
    const Image measured = f < 1.0 ? map.transformed(AffineTransform::scale(f, f)) : map;
    const Image histogram = areaHistogram(measured, measured.extent(), kEdrBinCount, 1.0f);
    if (histogram.isEmpty()) return result;
    const auto buffer = context.renderFloat(histogram, Rect{0, 0, kEdrBinCount, 1});
    if (!buffer || buffer->isEmpty()) return result;

    float bins[kEdrBinCount];
    float top = 0.0001f;
    for (int i = 0; i < kEdrBinCount; ++i) {
        const float v = buffer->at(i, 0)[0];
        bins[i] = std::isfinite(v) ? v : 0.0f;
        top = std::max(top, bins[i]);
    }
    const float weight = std::max(float(effectiveBoost(p.highlightBoost) / 3.0), 0.2f);
    for (int i = 0; i < kEdrBinCount; ++i) result[std::size_t(i)] = std::min(bins[i] / top * weight, 1.0f);
    return result;
}

}  // namespace vantrel::UltraHDREngine

namespace vantrel {

Image applyUltraHDR(const Image& frame, const UltraHDRParameters& p, BoostRange range, ScreenHeadroom display) {
    using namespace UltraHDREngine;
    const Rect& e = frame.extent();
    const double boost = effectiveBoost(p.highlightBoost);
    if (!p.isEnabled || !parameterOf(&UltraHDRParameters::highlightBoost).isChanged(boost) || tooSmall(e)) return frame;

    const Image map = gainMapImage(frame, true, p.clipThreshold, p.gainMapRadius);
    // First lift, common to both paths.
    const double k = std::min(boost / 1.8, 1.0) * 0.7;
    const Image base = screen(colorMatrix(map, diagonal(k)), frame).cropped(e);

    const bool standardRange = range == BoostRange::screen ? display.isStandardRangeOnly() : range == BoostRange::standard;
    if (standardRange) {
        if (boost <= 1.2) return base;
        const double k2 = std::min((boost - 1.2) * 0.08, 0.18);
        return screen(colorMatrix(map, diagonal(k2)), base).cropped(e);
    }
    // P × (1 + g × M): values above 1.0 stay for extended-range output.
    const double g = (std::exp2(boost) - 1.0) * 0.5;
    const Image product = multiply(colorMatrix(map, diagonal(g)), base);
    return addition(product, base).cropped(e);
}

}  // namespace vantrel
