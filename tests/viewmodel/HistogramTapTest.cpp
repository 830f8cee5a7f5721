// The histogram kept while a preview renders must be the histogram of the developed image.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "engine/stages/DarkroomPipeline.h"
#include "engine/core/SourcePixels.h"
#include "viewmodel/HistogramTap.h"

namespace vantrel::testing {
namespace {

// A smooth scene with fine detail and a few bright patches for the highlight stages.
Image makeScene(int width, int height) {
    SourcePixels p = SourcePixels::allocate(width, height, 3, SampleType::uint16);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(p.mutableRow(y));
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const double detail = 0.08 * std::sin(x * 0.37) * std::cos(y * 0.21);
            const double light = (x / 40 + y / 40) % 7 == 0 ? 0.6 : 0.0;
            const double c[3] = {0.1 + 0.6 * u + detail + light, 0.1 + 0.5 * v + detail + light,
                                 0.3 + 0.3 * std::sin(6 * u + 4 * v) + detail};
            for (int k = 0; k < 3; ++k)
                row[3 * x + k] = std::uint16_t(std::lround(std::clamp(c[k], 0.0, 1.0) * 65535.0));
        }
    }
    return Image::fromPixels(std::move(p));
}

TEST(HistogramTapTest, KeptPixelsMeasureLikeTheDevelopedImage) {
    const DarkroomPipeline pipeline(ContextOptions{4, 128});
    EditParameters plain;
    plain.exposure = 0.4;
    EditParameters rich = plain;
    rich.contrast = 1.2;
    rich.crop.straightenAngle = 3;  // turned and cropped: not at the origin before reorigin
    rich.sharpening = 0.5;
    rich.halation = HalationParameters::enabledDefault();
    rich.filmGrain.amount = 0.3;
    rich.ultraHDR = UltraHDRParameters::enabledDefault();

    struct Case {
        int width, height;
        const EditParameters* recipe;
    };
    for (const Case& c : {Case{1280, 853, &rich}, Case{997, 1411, &rich}, Case{1500, 1000, &plain},
                          Case{300, 200, &rich}, Case{401, 17, &plain}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const Image developed = pipeline.render(makeScene(c.width, c.height), *c.recipe);
        const HistogramTap tap(developed);
        const auto throughTap = pipeline.makeBitmap(tap.image());
        const auto direct = pipeline.makeBitmap(developed);
        ASSERT_TRUE(throughTap && direct);
        EXPECT_EQ(throughTap->pixels, direct->pixels);  // the tap changes no pixel

        const HistogramData expected = pipeline.computeHistogram(developed, c.recipe->ultraHDR);
        const HistogramData kept = tap.histogram(pipeline.context(), c.recipe->ultraHDR);
        EXPECT_NE(kept, HistogramData::empty());
        EXPECT_EQ(kept, expected);
    }

    // Nothing to measure: the empty histogram, as from the engine.
    const HistogramTap none{Image()};
    EXPECT_EQ(none.histogram(pipeline.context(), {}), HistogramData::empty());
}

}  // namespace
}  // namespace vantrel::testing
