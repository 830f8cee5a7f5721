#pragma once
// Measures the histogram from the pixels of a preview render instead of rendering the recipe a
// second time. The histogram is taken on a nearest-sampled copy of at most 400 pixels; the tap
// passes the developed image through unchanged and, while the preview renders, keeps exactly
// the pixels that copy would sample. Measuring them then gives the same histogram as measuring
// the developed image, for the price of a 400-pixel render.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/Context.h"
#include "engine/stages/HistogramData.h"
#include "engine/core/Image.h"
#include "engine/core/PixelBuffer.h"
#include "model/UltraHDRParameters.h"

namespace vantrel {

class HistogramTap {
public:
    explicit HistogramTap(const Image& developed);

    // What to render in place of the developed image: the same pixels, gathering as it goes.
    const Image& image() const { return image_; }

    // The histogram of the developed image, once image() has been rendered whole (a stopped or
    // failed render leaves the kept pixels incomplete). Where no copy could be planned it is
    // measured afresh.
    HistogramData histogram(const Context& context, const UltraHDRParameters& ultraHDR) const;

private:
    struct Samples {
        PixelBuffer copy;                    // the measuring copy, filled by the render
        std::vector<std::int64_t> columns;   // developed column of each copy column, ascending
        std::vector<std::int64_t> rowOf;     // copy row of each developed row (from minY), or -1
        std::int64_t minY = 0;
    };

    Image developed_;
    Image image_;
    std::shared_ptr<Samples> samples_;  // none: measured afresh
};

}  // namespace vantrel
