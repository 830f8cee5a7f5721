#include "viewmodel/HistogramTap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/stages/HistogramEngine.h"

namespace vantrel {

HistogramTap::HistogramTap(const Image& developed) : developed_(developed), image_(developed) {
    const Rect& e = developed.extent();
    if (e.isEmpty() || !e.isFinite()) return;
    const Rect copyRect = HistogramEngine::measuringCopy(developed).extent();
    // The kept pixels are measured as they are: they must not be scaled again.
    if (std::max(copyRect.width, copyRect.height) > HistogramEngine::kMeasuredSide && copyRect != e) return;

    auto samples = std::make_shared<Samples>();
    samples->copy = PixelBuffer(copyRect);
    samples->minY = e.minY();
    samples->rowOf.assign(std::size_t(e.height), -1);
    // Each copy pixel samples the developed pixel under its inverse-mapped centre (nearest).
    AffineTransform inverse;
    if (copyRect != e) {
        const double s = double(HistogramEngine::kMeasuredSide) / double(std::max(e.width, e.height));
        inverse = AffineTransform::scale(s, s).snapped().inverted().snapped();
    }
    for (std::int64_t x = copyRect.minX(); x < copyRect.maxX(); ++x)
        samples->columns.push_back(std::int64_t(std::floor(inverse.a * (double(x) + 0.5) + inverse.tx)));
    for (std::int64_t y = copyRect.minY(); y < copyRect.maxY(); ++y) {
        const auto source = std::int64_t(std::floor(inverse.d * (double(y) + 0.5) + inverse.ty));
        if (source >= e.minY() && source < e.maxY()) samples->rowOf[std::size_t(source - e.minY())] = y;
    }
    if (!std::is_sorted(samples->columns.begin(), samples->columns.end())) return;

    const std::int64_t copyX = copyRect.minX();
    image_ = Image::pointwise({developed}, [samples, copyX](const RowSpan& s, const float* const* in, float* out) {
        std::memcpy(out, in[0], sizeof(float) * 4 * std::size_t(s.count));
        const std::int64_t row = s.y - samples->minY;
        if (row < 0 || row >= std::int64_t(samples->rowOf.size())) return;
        const std::int64_t copyY = samples->rowOf[std::size_t(row)];
        if (copyY < 0) return;
        const auto& cols = samples->columns;
        auto it = std::lower_bound(cols.begin(), cols.end(), s.x);
        for (; it != cols.end() && *it < s.x + s.count; ++it)
            std::memcpy(samples->copy.at(copyX + (it - cols.begin()), copyY), in[0] + 4 * (*it - s.x), sizeof(float) * 4);
    });
    samples_ = std::move(samples);
}

HistogramData HistogramTap::histogram(const Context& context, const UltraHDRParameters& ultraHDR) const {
    if (!samples_) return HistogramEngine::computeHistogram(developed_, context, ultraHDR);
    const std::shared_ptr<const PixelBuffer> copy(samples_, &samples_->copy);
    return HistogramEngine::computeHistogram(Image::fromBuffer(copy), context, ultraHDR);
}

}  // namespace vantrel
