#include "common/TestImages.h"
#include "engine/stages/UltraHDREngine.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vantrel {
namespace {

using kernels::Rgba;
using testing::imageFrom;
using testing::pixel;
using testing::renderWorking;
using testing::flat;

UltraHDRParameters boost(double b, double radius = 0.1) {
    UltraHDRParameters p = UltraHDRParameters::enabledDefault();
    p.highlightBoost = b;
    p.gainMapRadius = radius;
    return p;
}

float screenOf(float layer, float frame) { return layer + frame - layer * frame; }

// Luminance 0.875 over the default threshold 0.75: (0.125 / 0.25)^1.8.
constexpr float kFrame = 0.875f;
const float kMap = std::pow(0.5f, 1.8f);

TEST(ScreenHeadroom, StandardRangeUpTo105AndWhenUnreadable) {
    EXPECT_EQ(ScreenHeadroom().potential, 1.0);
    EXPECT_TRUE(ScreenHeadroom().isStandardRangeOnly());
    EXPECT_TRUE(ScreenHeadroom{1.05}.isStandardRangeOnly());
    EXPECT_FALSE(ScreenHeadroom{1.0500001}.isStandardRangeOnly());
    EXPECT_FALSE(ScreenHeadroom{16.0}.isStandardRangeOnly());
    EXPECT_TRUE(ScreenHeadroom{std::nan("")}.isStandardRangeOnly());
    EXPECT_TRUE(ScreenHeadroom{0.2}.isStandardRangeOnly());
}

TEST(UltraHDREngine, GuardsReturnTheFrameItself) {
    const Image frame = flat({0, 0, 30, 20}, kFrame);
    UltraHDRParameters off = boost(2.0);
    off.isEnabled = false;
    EXPECT_TRUE(applyUltraHDR(frame, off, BoostRange::standard).isSameNode(frame));
    EXPECT_TRUE(applyUltraHDR(frame, boost(0.05), BoostRange::extended).isSameNode(frame));
    EXPECT_TRUE(applyUltraHDR(frame, boost(std::nan("")), BoostRange::extended).isSameNode(frame));
    EXPECT_FALSE(applyUltraHDR(frame, boost(0.051), BoostRange::extended).isSameNode(frame));
    const Image line = flat({0, 0, 1, 50}, kFrame);
    EXPECT_TRUE(applyUltraHDR(line, boost(2.0), BoostRange::extended).isSameNode(line));
    EXPECT_TRUE(UltraHDREngine::gainMapImage(line, true, 0.75, 4.0).isSameNode(line));
}

TEST(UltraHDREngine, GainMapWorkedValues) {
    const Rect e{5, -3, 40, 30};
    const Image frame = flat(e, kFrame);
    // Disabled: opaque black over the frame's extent.
    const Image black = UltraHDREngine::gainMap(frame, UltraHDRParameters::defaultValue());
    EXPECT_EQ(black.extent(), e);
    EXPECT_EQ(pixel(renderWorking(black, e), 10, 0), (Rgba{0, 0, 0, 1}));

    // Radius 0.1 exactly: no blur, so the map is uniform to the edge.
    const PixelBuffer sharp = renderWorking(UltraHDREngine::gainMapImage(frame, true, 0.75, 0.1), e);
    EXPECT_NEAR(pixel(sharp, 5, -3).r, kMap, 1e-5f);
    EXPECT_NEAR(pixel(sharp, 44, 26).g, kMap, 1e-5f);
    // Radius 4: unchanged inside, fading towards the edges (the blur sees transparency there).
    const PixelBuffer soft = renderWorking(UltraHDREngine::gainMapImage(frame, true, 0.75, 4.0), e);
    EXPECT_NEAR(pixel(soft, 25, 12).r, kMap, 1e-4f);
    EXPECT_LT(pixel(soft, 5, -3).r, 0.5f * kMap);
    // Threshold 0.995: divisor held at 0.01, so 1.0 maps to (0.005 × 100)^1.8.
    const PixelBuffer steep = renderWorking(UltraHDREngine::gainMapImage(flat(e, 1.0f), true, 0.995, 0.0), e);
    EXPECT_NEAR(pixel(steep, 20, 10).r, std::pow(0.5f, 1.8f), 1e-4f);
}

TEST(UltraHDREngine, StandardAndExtendedPathsWorkedValues) {
    const Rect e{0, 0, 24, 24};
    const Image frame = flat(e, kFrame);
    const auto valueAt = [&](const Image& img) { return pixel(renderWorking(img, e), 12, 12).r; };

    // Boost 1.2 on the standard path: only the first lift, k = 1.2 / 1.8 × 0.7.
    const float p12 = screenOf(float(1.2 / 1.8 * 0.7) * kMap, kFrame);
    EXPECT_NEAR(valueAt(applyUltraHDR(frame, boost(1.2), BoostRange::standard)), p12, 1e-5f);
    // Boost 3: k = 0.7, k2 = min(1.8 × 0.08, 0.18) = 0.144.
    const float p3 = screenOf(0.7f * kMap, kFrame);
    EXPECT_NEAR(valueAt(applyUltraHDR(frame, boost(3.0), BoostRange::standard)), screenOf(0.144f * kMap, p3), 1e-5f);
    // Boost 1.5 on the extended path: P × (1 + g M), g = (2^1.5 − 1) × 0.5 ≈ 0.914.
    const float p15 = screenOf(float(1.5 / 1.8 * 0.7) * kMap, kFrame);
    const float g = float((std::exp2(1.5) - 1.0) * 0.5);
    EXPECT_NEAR(g, 0.9142f, 1e-4f);
    EXPECT_NEAR(valueAt(applyUltraHDR(frame, boost(1.5), BoostRange::extended)), p15 * (1 + g * kMap), 1e-5f);

    // A bright frame goes above 1.0 on the extended path only.
    const Image bright = flat(e, 0.98f);
    EXPECT_GT(valueAt(applyUltraHDR(bright, boost(2.0), BoostRange::extended)), 1.2f);
    EXPECT_LE(valueAt(applyUltraHDR(bright, boost(2.0), BoostRange::standard)), 1.0f);

    // A hand-edited boost far beyond the slider stays finite.
    const float huge = valueAt(applyUltraHDR(bright, boost(5000.0), BoostRange::extended));
    EXPECT_TRUE(std::isfinite(huge));
    EXPECT_EQ(UltraHDREngine::headroom(5000.0), std::exp2(UltraHDREngine::kMaxHighlightBoost));
}

TEST(UltraHDREngine, UnforcedPathFollowsTheScreenAndForcedIgnoresIt) {
    const Rect e{0, 0, 16, 16};
    const Image frame = flat(e, 0.98f);
    const auto valueAt = [&](const Image& img) { return pixel(renderWorking(img, e), 8, 8).r; };
    const float standard = valueAt(applyUltraHDR(frame, boost(2.0), BoostRange::standard));
    const float extended = valueAt(applyUltraHDR(frame, boost(2.0), BoostRange::extended));
    ASSERT_NE(standard, extended);
    EXPECT_EQ(valueAt(applyUltraHDR(frame, boost(2.0))), standard);  // the default screen
    const ScreenHeadroom screen{4.0};
    EXPECT_EQ(valueAt(applyUltraHDR(frame, boost(2.0), BoostRange::screen, screen)), extended);
    EXPECT_EQ(valueAt(applyUltraHDR(frame, boost(2.0), BoostRange::standard, screen)), standard);
}

TEST(UltraHDREngine, ExtendedRangeBins) {
    const Context context;
    // Half the map black, half white (over the threshold): two full bins.
    const Rect e{0, 0, 600, 300};
    const Image frame = imageFrom(e, [](std::int64_t x, std::int64_t) {
        const float v = x < 300 ? 0.1f : 1.0f;
        return Rgba{v, v, v, 1};
    });
    const auto bins = [&](double b) {
        const UltraHDRParameters p = boost(b, 0.0);
        return UltraHDREngine::edrHistogramBins(UltraHDREngine::gainMap(frame, p), p, context);
    };
    const std::vector<float> at15 = bins(1.5);
    ASSERT_EQ(at15.size(), 64u);
    EXPECT_NEAR(at15[0], 0.5f, 1e-3f);   // normalised to the fullest bin, times 1.5 / 3
    EXPECT_NEAR(at15[63], 0.5f, 1e-3f);
    EXPECT_NEAR(at15[30], 0.0f, 1e-6f);
    EXPECT_NEAR(bins(0.3)[0], 0.2f, 1e-3f);  // held at 0.2, not 0.1
    EXPECT_NEAR(bins(3.0)[63], 1.0f, 1e-3f);
    UltraHDRParameters off = boost(1.5);
    off.isEnabled = false;
    EXPECT_EQ(UltraHDREngine::edrHistogramBins(frame, off, context), std::vector<float>(64, 0.0f));
    EXPECT_EQ(UltraHDREngine::edrHistogramBins(Image::constant({1, 1, 1, 1}), boost(1.5), context),
              std::vector<float>(64, 0.0f));
    // A small map is measured as it is: a 100 × 50 map with a quarter bright.
    const Image small = imageFrom({0, 0, 100, 50}, [](std::int64_t x, std::int64_t) {
        const float v = x < 75 ? 0.0f : 1.0f;
        return Rgba{v, v, v, 1};
    });
    const std::vector<float> s = UltraHDREngine::edrHistogramBins(small, boost(3.0), context);
    EXPECT_NEAR(s[0], 1.0f, 1e-6f);
    EXPECT_NEAR(s[63], 1.0f / 3.0f, 1e-5f);
}

}  // namespace
}  // namespace vantrel
