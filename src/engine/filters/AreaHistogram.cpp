#include "engine/filters/AreaHistogram.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_reduce.h>

#include <cmath>
#include <cstdint>

namespace vantrel {
namespace {

using Counts = std::vector<std::uint32_t>;

int binOf(float v, float count, int last) {
    const float b = v * count;
    if (!(b >= 1.0f)) return 0;  // below the first bin's end, or NaN
    if (b >= float(last)) return last;
    return static_cast<int>(b);
}

}  // namespace

std::vector<float> areaHistogram(const ConstPlaneView& src, const PlaneRect& area, int count, float scale) {
    count = std::clamp(count, kMinHistogramBins, kMaxHistogramBins);
    std::vector<float> bins(4 * static_cast<std::size_t>(count), 0.0f);
    if (area.empty()) return bins;
    const float fc = float(count);
    const int last = count - 1;
    // Per-thread counters, merged at the end; 32 bits per bin suffice per band.
    const Counts total = tbb::parallel_reduce(
        tbb::blocked_range<int>(area.y, area.bottom(), 16), Counts(4 * static_cast<std::size_t>(count), 0),
        [&](const tbb::blocked_range<int>& r, Counts c) {
            for (int y = r.begin(); y < r.end(); ++y) {
                const float* p = src.at(area.x, y);
                for (int x = 0; x < area.width; ++x, p += 4)
                    for (int k = 0; k < 4; ++k) ++c[4 * binOf(p[k], fc, last) + k];
            }
            return c;
        },
        [](Counts a, const Counts& b) {
            for (std::size_t i = 0; i < a.size(); ++i) a[i] += b[i];
            return a;
        });
    const double norm = double(scale) / double(area.area());
    for (std::size_t i = 0; i < bins.size(); ++i) bins[i] = static_cast<float>(total[i] * norm);
    return bins;
}

Image areaHistogram(const Image& input, const Rect& extent, int count, float scale) {
    if (!extent.isFinite()) return Image();
    count = std::clamp(count, kMinHistogramBins, kMaxHistogramBins);
    const Rect out{0, 0, count, 1};
    const Rect measured = extent.intersected(input.extent());
    const double outside = extent.area() - measured.area();
    return readThrough(Image::raster(input.cropped(extent), out, [=](const PixelBuffer& in) {
        PixelBuffer result(out);
        std::vector<float> bins(4 * static_cast<std::size_t>(count), 0.0f);
        if (!in.isEmpty()) {
            const PlaneRect r{0, 0, int(in.width()), int(in.height())};
            bins = areaHistogram(ConstPlaneView{in.data(), 4 * in.width(), r}, r, count, 1.0f);
        }
        // Renormalise over the whole extent; its transparent part lands in bin 0.
        const double inside = in.isEmpty() ? 0.0 : double(in.width()) * double(in.height());
        const double all = inside + outside;
        for (int i = 0; i < count; ++i)
            for (int k = 0; k < 4; ++k) {
                double v = bins[4 * i + k] * inside;
                if (i == 0) v += outside;
                result.at(i, 0)[k] = static_cast<float>(all > 0 ? scale * v / all : 0.0);
            }
        return result;
    }));
}

}  // namespace vantrel
