#include "common/TestImages.h"
#include "engine/filters/Blends.h"
#include "engine/color/ColorFilters.h"
#include "engine/filters/GaussianBlur.h"
#include "engine/stages/HalationEngine.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vantrel {
namespace {

using kernels::Rgba;
using testing::imageFrom;
using testing::pixel;
using testing::renderWorking;
using testing::flat;

HalationParameters settings(double halation, double bloom, double threshold = 0.7) {
    HalationParameters p;
    p.isEnabled = true;
    p.halationIntensity = halation;
    p.bloomIntensity = bloom;
    p.halationThreshold = threshold;
    return p;
}

float screenOf(float layer, float frame) { return layer + frame - layer * frame; }

TEST(HalationEngine, NeutralSettingsAndSmallFramesReturnTheFrameItself) {
    const Image frame = flat({0, 0, 40, 30}, 0.9f);
    HalationParameters off = HalationParameters::cine800T();
    off.isEnabled = false;
    EXPECT_TRUE(applyHalation(frame, off).isSameNode(frame));
    EXPECT_TRUE(applyHalation(frame, settings(0.005, 0.009)).isSameNode(frame));
    EXPECT_FALSE(applyHalation(frame, settings(0.005, 0.011)).isSameNode(frame));

    const HalationParameters on = HalationParameters::cine800T();
    const Image narrow = flat({0, 0, 10, 500}, 0.9f);
    EXPECT_TRUE(applyHalation(narrow, on).isSameNode(narrow));
    const Image wider = flat({0, 0, 11, 500}, 0.9f);
    EXPECT_FALSE(applyHalation(wider, on).isSameNode(wider));
    EXPECT_TRUE(applyHalation(Image(), on).isEmpty());
}

TEST(HalationEngine, WorkedValuesOnAUniformFrame) {
    // Luminance 0.85 over threshold 0.7 gives the key (0.85 − 0.7) / 0.3 = 0.5; a uniform key
    // stays uniform under the edge-clamped blur, right into the corners.
    const Rect e{0, 0, 64, 48};
    const Image frame = flat(e, 0.85f);
    const float key = 0.5f;

    const PixelBuffer halation = renderWorking(applyHalation(frame, settings(0.5, 0.0)), e);
    const float a = 0.5f * 1.8f;
    for (auto [x, y] : {std::pair{0, 0}, {63, 47}, {32, 20}}) {
        const Rgba p = pixel(halation, x, y);
        EXPECT_NEAR(p.r, screenOf(a * key, 0.85f), 1e-4f);
        EXPECT_NEAR(p.g, screenOf(a * 0.12f * key, 0.85f), 1e-4f);
        EXPECT_NEAR(p.b, screenOf(a * 0.02f * key, 0.85f), 1e-4f);
        EXPECT_NEAR(p.a, 1.0f, 1e-6f);
    }

    // Both layers: bloom added to halation, then screened.
    const PixelBuffer both = renderWorking(applyHalation(frame, settings(0.5, 0.4)), e);
    const float c = 0.4f * 1.3f;
    const Rgba p = pixel(both, 10, 10);
    EXPECT_NEAR(p.r, screenOf(a * key + c * key, 0.85f), 1e-4f);
    EXPECT_NEAR(p.g, screenOf(a * 0.12f * key + c * 0.95f * key, 0.85f), 1e-4f);
    EXPECT_NEAR(p.b, screenOf(a * 0.02f * key + c * 0.9f * key, 0.85f), 1e-4f);

    // 0.01 exactly adds no halation layer: the result is the bloom alone.
    const PixelBuffer bloomOnly = renderWorking(applyHalation(frame, settings(0.0, 0.4)), e);
    const PixelBuffer atThreshold = renderWorking(applyHalation(frame, settings(0.01, 0.4)), e);
    const PixelBuffer above = renderWorking(applyHalation(frame, settings(0.011, 0.4)), e);
    EXPECT_EQ(pixel(atThreshold, 5, 5), pixel(bloomOnly, 5, 5));
    EXPECT_GT(pixel(above, 5, 5).r, pixel(bloomOnly, 5, 5).r);
}

TEST(HalationEngine, ThresholdOfOneKeysOnlyExtendedHighlights) {
    // The divisor is held at 0.01 (gain 100): 0.99 gives no key, 1.005 gives 0.5.
    const Rect e{0, 0, 32, 32};
    const HalationParameters p = settings(0.5, 0.0, 1.0);
    const PixelBuffer below = renderWorking(applyHalation(flat(e, 0.99f), p), e);
    EXPECT_NEAR(pixel(below, 16, 16).r, 0.99f, 1e-6f);
    const PixelBuffer above = renderWorking(applyHalation(flat(e, 1.005f), p), e);
    EXPECT_NEAR(pixel(above, 16, 16).r, screenOf(0.9f * 0.5f, 1.005f), 1e-3f);
}

TEST(HalationEngine, GlowSpreadsFromHighlightsAndKeepsTheExtent) {
    // A bright square in a dark frame (not at the origin): the glow reaches the dark pixels
    // next to it, is red-orange, and nothing leaves the frame's extent for any radius.
    const Rect e{-20, 7, 120, 90};
    const Image frame = imageFrom(e, [](std::int64_t x, std::int64_t y) {
        const float v = (x >= 30 && x < 50 && y >= 40 && y < 60) ? 1.0f : 0.05f;
        return Rgba{v, v, v, 1};
    });
    for (double radius : {2.0, 18.0, 100.0}) {
        HalationParameters p = settings(0.8, 0.0, 0.7);
        p.halationRadius = radius;
        const Image out = applyHalation(frame, p);
        EXPECT_EQ(out.extent(), e);
        const PixelBuffer b = renderWorking(out, e);
        const Rgba near = pixel(b, 54, 50);
        EXPECT_GT(near.r, 0.05f + 1e-3f) << radius;
        EXPECT_GT(near.r - 0.05f, 5.0f * (near.g - 0.05f)) << radius;
    }
}

TEST(HalationEngine, MatchesAFullSizeBlurOfTheKey) {
    // The glow is computed on a coarser grid; it must agree with the plain graph (key, tint,
    // edge-clamped blur at full size, sum, screen) to a small fraction of the glow, also on
    // odd sides (half a block pair at the edge) and away from the origin.
    for (const Rect e : {Rect{-7, 13, 300, 180}, Rect{5, -3, 301, 179}}) {
        const Image frame = imageFrom(e, [](std::int64_t x, std::int64_t y) {
            const bool lamp = (x - 60) * (x - 60) + (y - 150) * (y - 150) < 150 || (x > 200 && x < 215 && y > 30 && y < 140);
            const float v = lamp ? 1.4f : 0.1f + 0.002f * float(x + 7);
            return Rgba{v, v * 0.8f, v * 0.6f, 1};
        });
        const HalationParameters p = HalationParameters::cine800T();
        const Image key = HalationEngine::highlightKey(frame, p.halationThreshold);
        const auto layer = [&](double intensity, double radius, float g, float b) {
            ColorMatrixParameters m;
            const float a = float(intensity);
            m.rVector = {a, 0, 0, 0};
            m.gVector = {a * g, 0, 0, 0};
            m.bVector = {a * b, 0, 0, 0};
            return gaussianBlur(colorMatrix(key, m), float(radius), BlurEdge::Clamp).cropped(e);
        };
        const Image glow = addition(layer(p.bloomIntensity * 1.3, p.bloomRadius, 0.95f, 0.9f),
                                    layer(p.halationIntensity * 1.8, p.halationRadius, 0.12f, 0.02f));
        const PixelBuffer reference = renderWorking(screen(glow, frame).cropped(e), e);
        const PixelBuffer fast = renderWorking(applyHalation(frame, p), e);
        float worst = 0, strongest = 0;
        for (std::int64_t y = e.minY(); y < e.maxY(); ++y)
            for (std::int64_t x = e.minX(); x < e.maxX(); ++x) {
                worst = std::max(worst, std::fabs(pixel(fast, x, y).r - pixel(reference, x, y).r));
                strongest = std::max(strongest, pixel(reference, x, y).r - 0.1f - 0.002f * float(x + 7));
                EXPECT_EQ(pixel(fast, x, y).a, 1.0f);
            }
        EXPECT_GT(strongest, 0.3f);
        EXPECT_LT(worst, 0.02f * strongest);
    }
}

TEST(HalationEngine, TilesAndThreadsDoNotChangeAByte) {
    const Rect e{3, -11, 517, 389};
    const Image frame = imageFrom(e, [](std::int64_t x, std::int64_t y) {
        const float v = ((x * 7 + y * 13) % 101 == 0) ? 3.0f : 0.3f + 0.001f * float((x * y) % 500);
        return Rgba{v, v * 0.9f, v * 0.7f, 1};
    });
    HalationParameters tight = settings(0.7, 0.0, 0.5);
    tight.halationRadius = 3;  // a block of one pixel: no halving by the graph
    for (const HalationParameters& p : {HalationParameters::cine800T(), settings(0.6, 0.5), tight}) {
        const Image out = applyHalation(frame, p);
        Context whole({.threads = 0, .tileSize = 4096});
        Context oneThread({.threads = 1, .tileSize = 48});
        const auto a = whole.renderFloat(out, e);
        const auto b = oneThread.renderFloat(out, e);
        ASSERT_TRUE(a && b);
        const std::size_t n = std::size_t(e.width) * std::size_t(e.height) * 4;
        EXPECT_EQ(0, std::memcmp(a->data(), b->data(), n * sizeof(float)));
    }
}

}  // namespace
}  // namespace vantrel
