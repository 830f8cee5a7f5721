#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "common/TestImages.h"
#include "engine/color/ColorFilters.h"
#include "engine/core/Context.h"
#include "engine/core/LargeBlocks.h"

namespace vantrel {
namespace {

TEST(Outputs, BitmapOfSourceRoundTripsAndRejectsBadRects) {
    const Context ctx;
    const Image src = Image::fromPixels(testing::asymmetricPixels(9, 5), ColorProfile::displayP3());
    auto bmp = ctx.makeBitmap(src);
    ASSERT_TRUE(bmp);
    ASSERT_EQ(bmp->width, 9);
    ASSERT_EQ(bmp->height, 5);
    const SourcePixels ref = testing::asymmetricPixels(9, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x)
            for (int k = 0; k < 4; ++k) ASSERT_EQ(bmp->at(x, y)[k], ref.row(y)[4 * x + k]) << x << "," << y;
    EXPECT_FALSE(ctx.makeBitmap(src, Rect{}));
    EXPECT_FALSE(ctx.makeBitmap(Image::constant({1, 1, 1, 1})));
    EXPECT_FALSE(ctx.makeBitmap(src, Rect{0, 0, std::int64_t(1) << 40, 10}));
    EXPECT_FALSE(ctx.makeBitmap(Image()));
}

TEST(Outputs, ColorFilterWorksOnStraightColour) {
    const Context ctx;
    const Image half = Image::constant({0.2f, 0.1f, 0.05f, 0.5f}).cropped(Rect{0, 0, 4, 4});
    const Image inv = colorFilter(half, [](float* c) {
        c[0] = 1 - c[0];
        c[1] = 1 - c[1];
        c[2] = 1 - c[2];
    });
    auto f = ctx.renderFloat(inv, Rect{0, 0, 4, 4});
    ASSERT_TRUE(f);
    const float* p = f->at(1, 1);
    EXPECT_FLOAT_EQ(p[0], 0.5f * (1 - 0.4f));
    EXPECT_FLOAT_EQ(p[1], 0.5f * (1 - 0.2f));
    EXPECT_FLOAT_EQ(p[3], 0.5f);

    // Position-dependent colour filters see pixel centres in the plane.
    const Image ramp = Image::pointwise({half}, [](const RowSpan& s, const float* const* in, float* out) {
        for (int i = 0; i < s.count; ++i)
            kernels::forEachUnpremultiplied(in[0] + 4 * i, out + 4 * i, 1, [&](float* c) {
                c[0] = float(double(s.x + i) + 0.5);
                c[1] = float(double(s.y) + 0.5);
            });
    });
    auto g = ctx.renderFloat(ramp, Rect{0, 0, 4, 4});
    ASSERT_TRUE(g);
    EXPECT_FLOAT_EQ(g->at(3, 1)[0], 3.5f * 0.5f);
    EXPECT_FLOAT_EQ(g->at(3, 1)[1], 1.5f * 0.5f);
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

TEST(Outputs, StripsAreDeliveredInOrderAndMatchTheWholeRender) {
    const Image src = Image::fromPixels(testing::asymmetricPixels(37, 29)).translated(-3, 5);
    const Context ctx({3, 16});
    const auto whole = ctx.makeBitmap16(src, std::nullopt);
    ASSERT_TRUE(whole);
    std::vector<std::uint16_t> joined;
    std::vector<LargeArray<std::uint8_t>> kept;  // strips whose memory the sink took
    int expectedFirst = 0;
    const bool ok = ctx.renderStrips(src, src.extent(), PixelFormat::rgba16, 7, [&](const Strip& s) {
        EXPECT_EQ(s.firstRow, expectedFirst);
        EXPECT_EQ(s.rect, (Rect{-3, 5 + 29 - s.firstRow - s.rows, 37, s.rows}));
        EXPECT_EQ(s.rowBytes, 37u * 8);
        expectedFirst += s.rows;
        const auto* p = static_cast<const std::uint16_t*>(s.data);
        joined.insert(joined.end(), p, p + std::size_t(s.rows) * 37 * 4);
        if (s.firstRow % 14 == 0) kept.push_back(std::move(*s.memory));
        return true;
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(expectedFirst, 29);
    EXPECT_TRUE(std::equal(joined.begin(), joined.end(), whole->pixels.begin(), whole->pixels.end()));
    // Taken memory keeps its strip; the strips after it were rendered elsewhere.
    ASSERT_EQ(kept.size(), 3u);
    for (std::size_t k = 0; k < kept.size(); ++k) {
        const std::size_t first = 14 * k * 37 * 4, count = std::min<std::size_t>(7, 29 - 14 * k) * 37 * 4;
        EXPECT_EQ(std::memcmp(kept[k].get(), whole->pixels.data() + first, count * 2), 0) << k;
    }
    // A sink that refuses stops the render.
    int calls = 0;
    EXPECT_FALSE(ctx.renderStrips(src, src.extent(), PixelFormat::rgba8, 4, [&](const Strip&) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
    // Float strips carry the encoded values.
    bool floatOk = ctx.renderStrips(src, src.extent(), PixelFormat::rgbaFloat, 100, [&](const Strip& s) {
        const float* p = static_cast<const float*>(s.data);
        EXPECT_NEAR(p[0] * 65535.0f, float(whole->pixels[0]), 0.6f);
        return true;
    });
    EXPECT_TRUE(floatOk);
}

// Freed blocks are taken again, whole huge pages on their boundaries, and the pool never
// keeps more than the most that was live at once.
TEST(Outputs, LargeBlocksAreReusedWithinThePeak) {
    constexpr std::size_t MB = std::size_t(1) << 20;
    LargeBlockPool pool(2, 64 * MB);
    void* a = pool.allocate(5 * MB);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % kHugePageBytes, 0u);
    std::memset(a, 1, 5 * MB);
    pool.release(a);
    EXPECT_EQ(pool.allocate(5 * MB + 1), a);  // the same 6 MB block
    void* small = pool.allocate(1);           // a block far larger than asked is not given
    EXPECT_NE(small, a);
    pool.release(a);
    pool.release(small);
    EXPECT_EQ(pool.stats().pooledBytes, 8 * MB);
    EXPECT_EQ(pool.stats().reused, 1u);
    // A request nothing fits gives pooled blocks back first: mapped memory stays within the peak.
    void* big = pool.allocate(12 * MB);
    LargeBlockPool::Stats s = pool.stats();
    EXPECT_EQ(s.peakLiveBytes, 12 * MB);
    EXPECT_LE(s.liveBytes + s.pooledBytes, s.peakLiveBytes);
    pool.release(big);
    // At most two blocks are kept.
    void* blocks[3] = {pool.allocate(2 * MB), pool.allocate(2 * MB), pool.allocate(2 * MB)};
    for (void* b : blocks) pool.release(b);
    EXPECT_LE(pool.stats().pooledBytes, 4 * MB);
    EXPECT_EQ(pool.stats().liveBytes, 0u);
}

TEST(Outputs, SpacesAndStageTrace) {
    const Context ctx;
    // An sRGB colour argument comes back as the same sRGB codes; P3 red clips in sRGB.
    const Image swatch = Image::constant(color::workingFromSRGB(0.6, 0.2, 0.8)).cropped(Rect{0, 0, 2, 2});
    RenderOptions srgb;
    srgb.space = OutputSpace::sRGB;
    const auto s = ctx.makeBitmap(swatch, std::nullopt, srgb);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->at(1, 1)[0], 153);
    EXPECT_EQ(s->at(1, 1)[1], 51);
    EXPECT_EQ(s->at(1, 1)[2], 204);
    const auto red = ctx.makeBitmap(Image::constant({1, 0, 0, 1}).cropped(Rect{0, 0, 1, 1}), std::nullopt, srgb);
    ASSERT_TRUE(red);
    EXPECT_EQ(red->at(0, 0)[0], 255);
    EXPECT_EQ(red->at(0, 0)[1], 0);
    const auto p3 = ctx.makeBitmap(Image::constant({1, 0, 0, 1}).cropped(Rect{0, 0, 1, 1}));
    EXPECT_EQ(p3->at(0, 0)[0], 255);
    EXPECT_EQ(p3->space, OutputSpace::displayP3);

    // Stage labels come back in build order, shared stages once.
    const Image a = swatch.withStage("geometry");
    const Image b = colorFilter(a, [](float* c) { c[0] *= 2; }).withStage("exposure");
    const Image c = Image::pointwise({b, a}, [](const RowSpan& sp, const float* const* in, float* out) {
        for (int i = 0; i < 4 * sp.count; ++i) out[i] = in[0][i] + in[1][i];
    }).withStage("blend");
    EXPECT_EQ(c.stages(), (std::vector<std::string>{"geometry", "exposure", "blend"}));
    RenderStats stats;
    RenderOptions o;
    o.stats = &stats;
    ASSERT_TRUE(ctx.makeBitmap(c, std::nullopt, o));
    EXPECT_EQ(stats.stages, c.stages());
    EXPECT_GE(stats.tiles, 1u);
}

TEST(Outputs, BadInputGivesNothingOrDefinedPixels) {
    const Context ctx({2, 64});
    // Zero-size and malformed sources are the empty image.
    EXPECT_TRUE(Image::fromPixels(SourcePixels::allocate(0, 10, 3, SampleType::uint8)).isEmpty());
    SourcePixels bad = testing::asymmetricPixels(4, 4);
    bad.rowBytes = 3;
    EXPECT_TRUE(Image::fromPixels(bad).isEmpty());
    // Infinite images need a rect; absurd rects are refused without allocating.
    const Image gen = Image::constant({0.5f, 0.5f, 0.5f, 1});
    EXPECT_FALSE(ctx.makeBitmap(gen));
    EXPECT_FALSE(ctx.makeBitmap(gen, Rect{0, 0, 1'000'000'000, 1'000'000'000}));
    EXPECT_FALSE(ctx.renderFloat(gen, Rect::infinite()));
    EXPECT_FALSE(ctx.makeBitmap(gen, Rect{0, 0, -5, 3}));
    // A small rect of an enormous crop renders only what was asked.
    const auto small = ctx.makeBitmap(gen.cropped(Rect{-(std::int64_t(1) << 40), 0, std::int64_t(1) << 41, 1 << 30}), Rect{0, 0, 3, 3});
    ASSERT_TRUE(small);
    EXPECT_EQ(small->at(2, 2)[0], std::lround(color::encodeSRGB(0.5) * 255));
    // NaN and infinities in float sources never reach the output as garbage.
    SourcePixels f = SourcePixels::allocate(3, 1, 3, SampleType::float32);
    float* row = reinterpret_cast<float*>(f.mutableRow(0));
    const float vals[9] = {NAN, INFINITY, -INFINITY, 0.5f, NAN, 2.0f, -1.0f, 0.0f, 1.0f};
    std::copy(vals, vals + 9, row);
    const auto fb = ctx.makeBitmap(Image::fromPixels(f, ColorProfile::linearDisplayP3()));
    ASSERT_TRUE(fb);
    EXPECT_EQ(fb->at(0, 0)[0], 0);
    EXPECT_EQ(fb->at(0, 0)[1], 255);
    EXPECT_EQ(fb->at(0, 0)[2], 0);
    EXPECT_EQ(fb->at(1, 0)[1], 0);
    EXPECT_EQ(fb->at(1, 0)[2], 255);
    // Neighbourhoods with absurd margins are capped and still render a small rect.
    NeighbourhoodOptions huge;
    huge.margin = 1 << 30;
    const Image n = Image::neighbourhood(
        gen.cropped(Rect{0, 0, 8, 8}), [](const ConstPixelView&, const PixelView& out) {
            for (std::int64_t y = out.rect.minY(); y < out.rect.maxY(); ++y)
                for (std::int64_t x = out.rect.minX(); x < out.rect.maxX(); ++x) out.at(x, y)[3] = 1;
        },
        huge);
    EXPECT_TRUE(n.extent().isFinite());
}

}  // namespace
}  // namespace vantrel
