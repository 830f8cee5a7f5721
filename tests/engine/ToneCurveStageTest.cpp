#include <gtest/gtest.h>

#include "engine/core/Color.h"
#include "engine/stages/DarkroomPipeline.h"
#include "engine/stages/ToneCurveStage.h"
#include "model/EditParameters.h"
#include "common/TestImages.h"

namespace vantrel {
namespace {

using testing::at;
using testing::renderExtent;

std::vector<CurvePoint> curve(std::initializer_list<std::pair<double, double>> xy) {
    std::vector<CurvePoint> points;
    for (auto [x, y] : xy) points.push_back({.x = x, .y = y});
    return points;
}

TEST(ToneCurveStageTest, ShortcutsReturnTheInputItself) {
    const Image in = testing::positionImage(4, 4);
    EXPECT_TRUE(applyToneCurve(in, {}).isSameNode(in));
    EXPECT_TRUE(applyToneCurve(in, curve({{0.5, 0.7}})).isSameNode(in));
    EXPECT_TRUE(applyToneCurve(in, curve({{0, 0}, {1, 1}})).isSameNode(in));
    EXPECT_TRUE(applyToneCurve(in, curve({{0.004, -0.004}, {0.996, 1.004}})).isSameNode(in));
    EXPECT_FALSE(applyToneCurve(in, curve({{0, 0.01}, {1, 1}})).isSameNode(in));
    // The reversed two-point line is not the shortcut: points are taken in stored order.
    EXPECT_FALSE(isToneCurveShortcut(curve({{1, 1}, {0, 0}})));
}

TEST(ToneCurveStageTest, TableIsSortedAndFollowsTheSpline) {
    const auto sorted = toneCurveTable(curve({{0, 0}, {0.5, 0.6}, {1, 1}}));
    ASSERT_EQ(sorted.size(), 768u);
    EXPECT_EQ(toneCurveTable(curve({{1, 1}, {0.5, 0.6}, {0, 0}})), sorted);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(sorted[std::size_t(3 * i)], sorted[std::size_t(3 * i + 1)]);
        EXPECT_EQ(sorted[std::size_t(3 * i)], sorted[std::size_t(3 * i + 2)]);
    }
    EXPECT_FLOAT_EQ(sorted[3 * 0], 0.0f);
    EXPECT_FLOAT_EQ(sorted[3 * 255], 1.0f);
    EXPECT_GT(sorted[3 * 128], 0.6f);  // just above x = 0.5

    const auto identity = toneCurveTable(EditParameters::defaultCurvePoints());
    for (int i = 0; i < 256; ++i) EXPECT_NEAR(identity[std::size_t(3 * i)], i / 255.0f, 1e-6f);
}

TEST(ToneCurveStageTest, CurveActsOnEncodedValuesAndExtrapolates) {
    // Greys at 18 %, 4.0 (extended) and −0.1, and a Display P3 green outside sRGB.
    const Image in = testing::pipelineImage(Rect{0, 0, 4, 1}, [](std::int64_t x, std::int64_t) {
        switch (x) {
            case 0: return std::array<float, 3>{0.18f, 0.18f, 0.18f};
            case 1: return std::array<float, 3>{4.0f, 4.0f, 4.0f};
            case 2: return std::array<float, 3>{-0.1f, -0.1f, -0.1f};
            default: return std::array<float, 3>{0.0f, 1.0f, 0.0f};
        }
    });
    // Five-point default: nothing clips, nothing changes.
    EXPECT_TRUE(applyToneCurve(in, EditParameters::defaultCurvePoints()).isSameNode(in));

    // A curve through its ends with a lifted middle: ends move with slope 1 beyond 0...1.
    const PixelBuffer out = renderExtent(applyToneCurve(in, curve({{0, 0}, {0.5, 0.6}, {1, 1}})));
    const auto spline = toneCurveTable(curve({{0, 0}, {0.5, 0.6}, {1, 1}}));
    const double e = color::encodeSRGB(0.18);
    const double i = e * 255;
    const std::size_t k = std::size_t(i);
    const double expectedEncoded = spline[3 * k] + (i - double(k)) * (spline[3 * (k + 1)] - spline[3 * k]);
    EXPECT_NEAR(at(out, 0, 0)[0], color::decodeSRGB(expectedEncoded), 1e-4);
    EXPECT_GT(at(out, 0, 0)[0], 0.2f);
    // Beyond 0...1 the curve goes on with slope 1 from its ends, which here are (0, 0) and
    // (1, 1): values outside the range pass unchanged instead of clipping.
    EXPECT_NEAR(at(out, 1, 0)[0], 4.0f, 1e-3f);
    EXPECT_NEAR(at(out, 2, 0)[0], -0.1f, 1e-4f);
    // The P3 green lies outside sRGB on both sides (components below 0 and above 1): kept.
    EXPECT_NEAR(at(out, 3, 0)[0], 0.0f, 1e-3f);
    EXPECT_NEAR(at(out, 3, 0)[1], 1.0f, 1e-3f);
    EXPECT_NEAR(at(out, 3, 0)[2], 0.0f, 1e-3f);
}

}  // namespace
}  // namespace vantrel
