#include "engine/core/Context.h"
#include "engine/filters/Downscale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vantrel {
namespace {

TEST(Downscale, FitsTheLongEdgeKeepingAspectAndNeverEnlarging) {
    EXPECT_EQ(fitLongEdge({6000, 4000}, 2560), (PixelSize{2560, 1707}));
    EXPECT_EQ(fitLongEdge({4000, 6000}, 2560), (PixelSize{1707, 2560}));
    EXPECT_EQ(fitLongEdge({300, 200}, 400), (PixelSize{300, 200}));
    EXPECT_EQ(fitLongEdge({1, 100000}, 2560), (PixelSize{1, 2560}));
    EXPECT_EQ(fitLongEdge({0, 10}, 2560), (PixelSize{}));
}

TEST(Downscale, AveragesCoveredAreaWithFractionalWeights) {
    // One row 0, 3, 6 to two pixels: each output covers 1.5 source pixels.
    std::vector<float> src;
    for (float v : {0.0f, 3.0f, 6.0f}) src.insert(src.end(), {v, v, v, 1.0f});
    std::vector<float> out(8, -1.0f);
    downscaleArea({src.data(), 12, {0, 0, 3, 1}}, {2, 1}, {out.data(), 8, {0, 0, 2, 1}});
    EXPECT_FLOAT_EQ(out[0], 1.0f);
    EXPECT_FLOAT_EQ(out[4], 5.0f);
    EXPECT_FLOAT_EQ(out[3], 1.0f);

    // A fine checker averages to flat grey at any ratio; a part of the output matches the whole.
    const int sw = 301, sh = 203;
    std::vector<float> big(static_cast<std::size_t>(sw) * sh * 4);
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x) {
            float* p = big.data() + (static_cast<std::size_t>(y) * sw + x) * 4;
            p[0] = float((x + y) % 2);
            p[1] = 0.25f;
            p[2] = float(x) / sw;
            p[3] = 1.0f;
        }
    const PixelSize size{37, 25};
    std::vector<float> whole(static_cast<std::size_t>(size.width) * size.height * 4);
    const ConstPlaneView sv{big.data(), 4 * sw, {0, 0, sw, sh}};
    downscaleArea(sv, size, {whole.data(), 4 * size.width, {0, 0, size.width, size.height}});
    for (std::size_t i = 0; i < whole.size(); i += 4) {
        EXPECT_NEAR(whole[i], 0.5f, 0.01f);
        EXPECT_NEAR(whole[i + 1], 0.25f, 1e-6f);
        EXPECT_NEAR(whole[i + 3], 1.0f, 1e-6f);
    }
    std::vector<float> part(10 * 6 * 4);
    downscaleArea(sv, size, {part.data(), 40, {20, 13, 10, 6}});
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x)
            for (int k = 0; k < 4; ++k)
                ASSERT_EQ(part[(y * 10 + x) * 4 + k], whole[((13 + y) * size.width + 20 + x) * 4 + k]);
}

TEST(Downscale, ImageNodeKeepsOrientationAndOrigin) {
    // Top half white, bottom half black (rows stored top first), placed off the origin.
    PixelBuffer b(Rect{5, 7, 8, 8});
    for (std::int64_t y = 7; y < 15; ++y)
        for (std::int64_t x = 5; x < 13; ++x) {
            float* p = b.at(x, y);
            const float v = y >= 11 ? 1.0f : 0.0f;  // plane y up: the top rows have large y
            p[0] = p[1] = p[2] = v;
            p[3] = 1.0f;
        }
    const Image small = downscaled(Image::fromBuffer(std::move(b)), {2, 2});
    EXPECT_EQ(small.extent(), (Rect{5, 7, 2, 2}));
    Context ctx;
    const std::optional<PixelBuffer> out = ctx.renderFloat(small, small.extent());
    ASSERT_TRUE(out.has_value());
    EXPECT_FLOAT_EQ(out->at(5, 8)[0], 1.0f);
    EXPECT_FLOAT_EQ(out->at(6, 7)[0], 0.0f);
    EXPECT_TRUE(downscaled(Image::constant(WorkingColor{1, 1, 1, 1}), {4, 4}).isEmpty());
    EXPECT_TRUE(downscaled(small, {0, 3}).isEmpty());
}

TEST(Downscale, StreamedRenderMatchesTheWholeImageReduction) {
    // Taller than several strips, with a ratio that splits output rows across strips.
    const Rect frame{-3, 11, 157, 301};
    PixelBuffer b(frame);
    for (std::int64_t y = frame.y; y < frame.maxY(); ++y)
        for (std::int64_t x = frame.x; x < frame.maxX(); ++x) {
            float* p = b.at(x, y);
            p[0] = float((x * 3 + y * 7) % 13) / 13.0f;
            p[1] = float(y - frame.y) / 100.0f;  // extended values survive
            p[2] = float(x - frame.x) / 157.0f;
            p[3] = 1.0f;
        }
    const Image in = Image::fromBuffer(std::move(b));
    const PixelSize size{41, 67};
    Context ctx(ContextOptions{0, 32});
    const std::optional<PixelBuffer> streamed = renderDownscaled(ctx, in, size);
    ASSERT_TRUE(streamed.has_value());
    EXPECT_EQ(streamed->rect(), (Rect{-3, 11, 41, 67}));
    const std::optional<PixelBuffer> whole = ctx.renderFloat(downscaled(in, size), streamed->rect());
    ASSERT_TRUE(whole.has_value());
    float worst = 0.0f;
    for (std::size_t i = 0; i < std::size_t(41 * 67 * 4); ++i)
        worst = std::max(worst, std::abs(streamed->data()[i] - whole->data()[i]));
    EXPECT_LT(worst, 1e-5f);
    EXPECT_GT(streamed->at(-3, 11 + 66)[1], 2.5f);  // top output row averages the top source rows
    EXPECT_FALSE(renderDownscaled(ctx, in, {0, 0}).has_value());
    EXPECT_FALSE(renderDownscaled(ctx, Image(), size).has_value());
}

}  // namespace
}  // namespace vantrel
