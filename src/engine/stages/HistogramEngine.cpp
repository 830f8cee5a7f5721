#include "engine/stages/HistogramEngine.h"

#include <algorithm>
#include <cmath>

#include "engine/filters/AreaHistogram.h"
#include "engine/stages/UltraHDREngine.h"

namespace vantrel::HistogramEngine {

namespace {

constexpr int kBins = HistogramData::kBinCount;

// The working values as the screen shows them: the sRGB curve (Display P3 shares it) on the
// straight colour, negatives as 0, premultiplied again; alpha kept.
Image displayEncoded(const Image& image) {
    const color::CurveTable* curve = &color::srgbEncodeTable();
    return Image::pointwise({image}, [curve](const RowSpan& s, const float* const* in, float* out) {
        const float* px = in[0];
        for (int i = 0; i < s.count; ++i, px += 4, out += 4) {
            const float a = px[3];
            const float inv = a == 1.0f ? 1.0f : (a > 1e-6f ? 1.0f / a : 0.0f);
            for (int k = 0; k < 3; ++k) {
                const float v = (*curve)(px[k] * inv);
                out[k] = (v > 0.0f ? v : 0.0f) * (a == 1.0f ? 1.0f : std::max(a, 0.0f));
            }
            out[3] = a;
        }
    });
}

}  // namespace

Image measuringCopy(const Image& image) {
    const Rect& e = image.extent();
    if (!e.isFinite()) return image;
    const double s = double(kMeasuredSide) / double(std::max(e.width, e.height));
    // Point samples are enough for statistics and cost a quarter of interpolated ones.
    return s < 1.0 ? image.transformed(AffineTransform::scale(s, s), TransformOptions{Sampling::nearest}) : image;
}

HistogramData fromRawBins(const float* raw) {
    HistogramData d;
    d.redBins.resize(kBins);
    d.greenBins.resize(kBins);
    d.blueBins.resize(kBins);
    d.lumaBins.resize(kBins);
    float peak = 0.000001f;
    for (int i = 0; i < kBins; ++i) {
        const float* px = raw + 4 * i;
        // Negative and not-a-number shares count as none.
        const float r = px[0] > 0.0f ? px[0] : 0.0f;
        const float g = px[1] > 0.0f ? px[1] : 0.0f;
        const float b = px[2] > 0.0f ? px[2] : 0.0f;
        d.redBins[std::size_t(i)] = r;
        d.greenBins[std::size_t(i)] = g;
        d.blueBins[std::size_t(i)] = b;
        d.lumaBins[std::size_t(i)] = 0.2126f * r + 0.7152f * g + 0.0722f * b;
        peak = std::max({peak, r, g, b});
    }
    const float scale = 1.0f / std::log(1.0f + peak);
    for (auto* bins : {&d.redBins, &d.greenBins, &d.blueBins, &d.lumaBins})
        for (float& v : *bins) v = std::log(1.0f + v) * scale;
    d.shadowClipping = d.lumaBins.front() > kClippingLevel;
    d.highlightClipping = d.lumaBins.back() > kClippingLevel;
    return d;
}

HistogramData computeHistogram(const Image& image, const Context& context, const UltraHDRParameters& ultraHDR) {
    if (!image.extent().isFinite()) return HistogramData::empty();
    const Image copy = measuringCopy(image);
    // One render of the small copy, then the bins straight from its pixels.
    const auto pixels = context.renderFloat(displayEncoded(copy), copy.extent());
    if (!pixels || pixels->isEmpty()) return HistogramData::empty();
    const PlaneMapping map = PlaneMapping::near(pixels->rect());
    const PlaneRect area = map.rect(pixels->rect());
    const std::vector<float> raw = areaHistogram(map.view(pixels->view()), area, kBins, 1.0f);
    if (raw.size() != std::size_t(kBins) * 4) return HistogramData::empty();

    HistogramData d = fromRawBins(raw.data());
    if (ultraHDR.isEnabled) {
        d.isUltraHDREnabled = true;
        d.edrHeadroom = UltraHDREngine::headroom(ultraHDR.highlightBoost);
        d.edrBins = UltraHDREngine::edrHistogramBins(UltraHDREngine::gainMap(copy, ultraHDR), ultraHDR, context);
    }
    return d;
}

}  // namespace vantrel::HistogramEngine
