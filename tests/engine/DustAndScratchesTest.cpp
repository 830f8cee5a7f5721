#include "common/TestImages.h"
#include "engine/stages/DustAndScratchesStage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace vantrel {
namespace {

using kernels::Rgba;
using testing::imageFrom;
using testing::pixel;
using testing::flat;

std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

std::uint8_t at(const std::vector<std::uint8_t>& p, int x, int yFromTop) {
    return p[std::size_t(yFromTop) * kDustPatternSide + std::size_t(x)];
}

// Rows (of 2048) in which the column pair (c, c + 1) has any mark.
int markedRows(const std::vector<std::uint8_t>& p, int c) {
    int rows = 0;
    for (int y = 0; y < kDustPatternSide; ++y) rows += (at(p, c - 1, y) | at(p, c, y) | at(p, c + 1, y)) ? 1 : 0;
    return rows;
}

TEST(DustAndScratches, PatternKeyRoundsToStepsAndHoldsToTheSliderRange) {
    EXPECT_EQ(DustPatternShape::from(1.0, 0.3).key(), "1.0_0.3");
    EXPECT_EQ(DustPatternShape::from(1.02, 0.3).key(), "1.0_0.3");
    EXPECT_EQ(DustPatternShape::from(1.0, 0.35).key(), "1.0_0.35");
    EXPECT_EQ(DustPatternShape::from(1.0, 0.04).key(), "1.0_0.05");
    EXPECT_EQ(DustPatternShape::from(1.0, 0.02).key(), "1.0_0.0");
    // Hand-edited values beyond the sliders draw the nearest pattern the sliders can make.
    EXPECT_EQ(DustPatternShape::from(1e12, 7.0).key(), "2.5_1.0");
    EXPECT_EQ(DustPatternShape::from(-40.0, -1.0).key(), "0.5_0.0");
    EXPECT_EQ(DustPatternShape::from(std::nan(""), std::nan("")).key(), "2.5_1.0");
    EXPECT_EQ(DustPatternShape::from(-1e300, std::numeric_limits<double>::infinity()).key(), "0.5_1.0");
}

TEST(DustAndScratches, GoldenPatternAndSpeckRadius) {
    std::vector<DustSpeck> specks;
    const auto pattern = drawDustPattern({1.0, 0.3}, &specks);
    ASSERT_EQ(pattern.size(), std::size_t(4194304));
    EXPECT_EQ(fnv1a(pattern), 0x3b7bd4d67d6c314eull) << std::hex << fnv1a(pattern);
    ASSERT_EQ(specks.size(), std::size_t(1100));

    // The radius is the integer part of the whole sum max(0.85 D, 0.6) + (r mod 100) / 60,
    // computed here from the generator's first four draws.
    std::uint64_t state = 0x5EEDF11A9A7C2026ull;
    const auto draw = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return std::uint32_t(state >> 32);
    };
    const int x = int(draw() & 2047u), y = int(draw() & 2047u), peak = int(draw() % 125u) + 130;
    const std::uint32_t r = draw();
    EXPECT_EQ(specks[0].x, x);
    EXPECT_EQ(specks[0].y, y);
    EXPECT_EQ(specks[0].peak, peak);
    EXPECT_EQ(specks[0].radius, int(0.85 + double(r % 100u) / 60.0));
    int counts[3] = {0, 0, 0};
    for (const DustSpeck& s : specks) {
        ASSERT_GE(s.radius, 0);
        ASSERT_LE(s.radius, 2);
        ++counts[s.radius];
    }
    // (r mod 100) / 60 + 0.85 reaches 1 from r mod 100 = 9 and 2 from 69: about 9 %, 60 %, 31 %.
    EXPECT_NEAR(counts[0] / 1100.0, 0.09, 0.03);
    EXPECT_NEAR(counts[1] / 1100.0, 0.60, 0.05);
    EXPECT_NEAR(counts[2] / 1100.0, 0.31, 0.05);
    // A speck of radius 2 is a disc: its centre at the peak, its rim lower, beyond it nothing of its own.
    for (const DustSpeck& s : specks)
        if (s.radius == 2 && s.x > 10 && s.y > 10 && s.x < 2037 && s.y < 2037) {
            EXPECT_GE(at(pattern, s.x, s.y), s.peak);
            EXPECT_GE(at(pattern, s.x + 2, s.y), int((1.0 - 4.0 / 5.0) * s.peak));
            break;
        }

    EXPECT_EQ(drawDustPattern({0.5, 0.3}, &specks).size(), std::size_t(4194304));
    EXPECT_EQ(specks.size(), std::size_t(1100 + 880));
}

TEST(DustAndScratches, ScratchLinesFollowTheDensity) {
    const auto none = drawDustPattern(DustPatternShape::from(1.0, 0.02));
    const auto one = drawDustPattern(DustPatternShape::from(1.0, 0.04));
    const auto all = drawDustPattern(DustPatternShape::from(1.0, 1.0));
    EXPECT_LT(markedRows(none, 479), 200);
    EXPECT_EQ(markedRows(one, 479), 2048);
    EXPECT_LT(markedRows(one, 1253), 200);
    for (int c : {479, 1253, 1730, 792, 1492}) EXPECT_EQ(markedRows(all, c), 2048) << c;
}

TEST(DustAndScratches, HandEditedSizesDrawQuicklyAndLikeTheSliderEnds) {
    const auto start = std::chrono::steady_clock::now();
    const auto huge = drawDustPattern({1e9, 0.3});
    const auto negative = drawDustPattern({-1e9, 0.3});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(fnv1a(huge), fnv1a(drawDustPattern({2.5, 0.3})));
    EXPECT_EQ(fnv1a(negative), fnv1a(drawDustPattern({0.5, 0.3})));
}

TEST(DustAndScratches, GuardsAndLayerOpacity) {
    DustAndScratchesCache cache;
    const Image frame = flat({0, 0, 64, 64}, 0.2f);
    EXPECT_TRUE(applyDustAndScratches(frame, {0.004, 0.3, 1.0}, cache).isSameNode(frame));
    EXPECT_TRUE(applyDustAndScratches(frame, {std::nan(""), 0.3, 1.0}, cache).isSameNode(frame));
    EXPECT_EQ(cache.drawCount(), 0u);
    const Image thin = flat({0, 0, 100, 1}, 0.2f);
    EXPECT_TRUE(applyDustAndScratches(thin, {0.5, 0.3, 1.0}, cache).isSameNode(thin));

    // On a black 2048 × 2048 frame the result is the pattern at opacity 0.55 × amount:
    // amount 0.005 gives 0.00275 × the decoded grey.
    const auto pattern = drawDustPattern({1.0, 0.3});
    const Rect e{0, 0, kDustPatternSide, kDustPatternSide};
    const Image out = applyDustAndScratches(flat(e, 0.0f), {0.005, 0.3, 1.0}, cache);
    EXPECT_EQ(out.extent(), e);
    const Rect band{470, 1000, 20, 8};  // across the first scratch line
    Context context;
    const auto b = context.renderFloat(out, band);
    ASSERT_TRUE(b);
    int marked = 0;
    for (std::int64_t y = band.minY(); y < band.maxY(); ++y)
        for (std::int64_t x = band.minX(); x < band.maxX(); ++x) {
            const int grey = at(pattern, int(x), kDustPatternSide - 1 - int(y));
            const float expected = 0.00275f * float(color::decodeSRGB(grey / 255.0));
            const Rgba p = pixel(*b, x, y);
            ASSERT_NEAR(p.r, expected, 2e-6f) << x << "," << y;
            ASSERT_NEAR(p.g, expected, 2e-6f);
            ASSERT_NEAR(p.a, 1.0f, 1e-6f);
            marked += grey > 0;
        }
    EXPECT_GE(marked, 8);
}

TEST(DustAndScratches, CacheIsReusedAndSharedSafelyByConcurrentRenders) {
    DustAndScratchesCache cache;
    const Rect e{0, 0, 256, 170};
    const Image frame = flat(e, 0.3f);
    const Context context;
    const auto reference = [&](double size) {
        DustAndScratchesCache own;
        return context.makeBitmap(applyDustAndScratches(frame, {0.6, 0.3, size}, own))->pixels;
    };
    const auto small = reference(1.0), large = reference(2.0);

    // 1.02 rounds to 1.0: the second render reuses the pattern; a new amount never redraws.
    applyDustAndScratches(frame, {0.6, 0.3, 1.0}, cache);
    applyDustAndScratches(frame, {0.9, 0.3, 1.02}, cache);
    EXPECT_EQ(cache.drawCount(), 1u);
    applyDustAndScratches(frame, {0.9, 0.3, 1.5}, cache);
    EXPECT_EQ(cache.drawCount(), 2u);

    // Renders on several threads with alternating shapes: each keeps its own pattern even when
    // another replaces the cached one.
    std::vector<std::thread> threads;
    std::vector<int> failures(8, 0);
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 3; ++i) {
                const bool big = (t + i) % 2 == 1;
                const Image out = applyDustAndScratches(frame, {0.6, 0.3, big ? 2.0 : 1.0}, cache);
                const auto b = context.makeBitmap(out);
                if (!b || b->pixels != (big ? large : small)) ++failures[std::size_t(t)];
            }
        });
    for (auto& th : threads) th.join();
    for (int t = 0; t < 8; ++t) EXPECT_EQ(failures[std::size_t(t)], 0) << t;
    EXPECT_NE(small, large);
}

}  // namespace
}  // namespace vantrel
