#include "engine/filters/AreaHistogram.h"
#include "engine/core/Context.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vantrel {
namespace {

// 4 × 2 pixels whose red values cover every binning rule; green is 0.5, alpha 1.
std::vector<float> knownPixels() {
    const float red[8] = {0.0f, 0.5f, 0.999f, 1.0f, 2.5f, -0.3f, std::nanf(""), 0.25f};
    std::vector<float> px;
    for (float r : red) px.insert(px.end(), {r, 0.5f, -INFINITY, 1.0f});
    return px;
}

TEST(HistogramArea, CountsKnownValuesIncludingOutOfRangeOnes) {
    const std::vector<float> px = knownPixels();
    const PlaneRect r{0, 0, 4, 2};
    const ConstPlaneView view{px.data(), 16, r};
    const std::vector<float> bins = areaHistogram(view, r, 4, 1.0f);
    ASSERT_EQ(bins.size(), 16u);
    // Red: 0, -0.3 and NaN in bin 0; 0.25 in bin 1; 0.5 in bin 2; 0.999, 1.0 and 2.5 in bin 3.
    EXPECT_FLOAT_EQ(bins[4 * 0 + 0], 3.0f / 8);
    EXPECT_FLOAT_EQ(bins[4 * 1 + 0], 1.0f / 8);
    EXPECT_FLOAT_EQ(bins[4 * 2 + 0], 1.0f / 8);
    EXPECT_FLOAT_EQ(bins[4 * 3 + 0], 3.0f / 8);
    EXPECT_FLOAT_EQ(bins[4 * 2 + 1], 1.0f);  // green 0.5
    EXPECT_FLOAT_EQ(bins[4 * 0 + 2], 1.0f);  // blue -inf
    EXPECT_FLOAT_EQ(bins[4 * 3 + 3], 1.0f);  // alpha 1 in the last bin
    // The scale multiplies every bin; a sub-rectangle counts only its pixels.
    EXPECT_FLOAT_EQ(areaHistogram(view, r, 4, 2.0f)[4 * 3 + 0], 0.75f);
    EXPECT_FLOAT_EQ(areaHistogram(view, {1, 0, 1, 1}, 4, 1.0f)[4 * 2 + 0], 1.0f);
    // Bin counts are clamped to 1 … 2048; with one bin everything lands in it.
    EXPECT_EQ(areaHistogram(view, r, 5000, 1.0f).size(), 4u * 2048);
    EXPECT_FLOAT_EQ(areaHistogram(view, r, 0, 1.0f)[0], 1.0f);
    EXPECT_EQ(areaHistogram(view, {0, 0, 0, 0}, 8, 1.0f), std::vector<float>(32, 0.0f));
}

TEST(HistogramArea, ImageNodeRendersBinsAndCountsUncoveredAreaAsTransparent) {
    std::vector<float> px = knownPixels();
    PixelBuffer buffer(Rect{10, 20, 4, 2});
    std::copy(px.begin(), px.end(), buffer.data());
    const Image in = Image::fromBuffer(std::move(buffer));
    Context ctx;

    const Image h = areaHistogram(in, in.extent(), 4, 1.0f);
    EXPECT_EQ(h.extent(), (Rect{0, 0, 4, 1}));
    const std::optional<PixelBuffer> bins = ctx.renderFloat(h, h.extent());
    ASSERT_TRUE(bins.has_value());
    EXPECT_FLOAT_EQ(bins->at(3, 0)[0], 3.0f / 8);
    EXPECT_FLOAT_EQ(bins->at(3, 0)[3], 1.0f);

    // Twice the area: the half outside the pixels is transparent and lands in bin 0.
    const Image wide = areaHistogram(in, Rect{10, 18, 4, 4}, 4, 1.0f);
    const std::optional<PixelBuffer> w = ctx.renderFloat(wide, wide.extent());
    ASSERT_TRUE(w.has_value());
    EXPECT_FLOAT_EQ(w->at(0, 0)[3], 0.5f);
    EXPECT_FLOAT_EQ(w->at(3, 0)[3], 0.5f);
    EXPECT_FLOAT_EQ(w->at(0, 0)[0], 0.5f + 3.0f / 16);

    EXPECT_TRUE(areaHistogram(in, Rect::infinite(), 4, 1.0f).isEmpty());
    EXPECT_TRUE(areaHistogram(in, Rect{}, 4, 1.0f).isEmpty());
}

}  // namespace
}  // namespace vantrel
