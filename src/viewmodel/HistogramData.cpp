#include "viewmodel/HistogramData.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace vantrel {

namespace {

// A clipped end shows when more than this share of the pixels sits in it.
constexpr double kClippingShare = 0.005;

std::vector<float> normalised(const std::array<std::uint32_t, HistogramData::kBins>& counts) {
    const std::uint32_t peak = *std::max_element(counts.begin(), counts.end());
    std::vector<float> bins(counts.size(), 0.f);
    if (peak == 0) return bins;
    for (std::size_t i = 0; i < counts.size(); ++i) bins[i] = float(counts[i]) / float(peak);
    return bins;
}

}  // namespace

HistogramData HistogramData::fromRgba8(const unsigned char* pixels, int width, int height, long bytesPerLine) {
    if (!pixels || width <= 0 || height <= 0) return empty();
    std::array<std::uint32_t, kBins> r{}, g{}, b{}, l{};
    for (int y = 0; y < height; ++y) {
        const unsigned char* p = pixels + y * bytesPerLine;
        for (int x = 0; x < width; ++x, p += 4) {
            ++r[p[0]];
            ++g[p[1]];
            ++b[p[2]];
            // Rec. 709 weights on the encoded values, as a display histogram shows them.
            ++l[(2126 * p[0] + 7152 * p[1] + 722 * p[2] + 5000) / 10000];
        }
    }
    HistogramData data;
    data.red = normalised(r);
    data.green = normalised(g);
    data.blue = normalised(b);
    data.luma = normalised(l);
    const double total = double(width) * double(height);
    data.isShadowClipping = l.front() > kClippingShare * total;
    data.isHighlightClipping = l.back() > kClippingShare * total;
    return data;
}

}  // namespace vantrel
