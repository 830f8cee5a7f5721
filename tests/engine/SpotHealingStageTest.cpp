#include <gtest/gtest.h>

#include "engine/stages/DarkroomPipeline.h"
#include "engine/stages/SpotHealingStage.h"
#include "common/TestImages.h"

namespace vantrel {
namespace {

using testing::at;
using testing::positionImage;
using testing::renderExtent;

SpotItem spot(double x, double y, double radius, Point offset, double opacity = 1.0) {
    SpotItem s;
    s.center = {x, y};
    s.radius = radius;
    s.sourceOffset = offset;
    s.opacity = opacity;
    return s;
}

TEST(SpotHealingStageTest, NothingToDoReturnsTheInput) {
    const Image in = positionImage(64, 48);
    const std::vector<SpotItem> three{spot(0.2, 0.2, 0.05, {0.1, 0}), spot(0.5, 0.5, 0.05, {0.1, 0}),
                                      spot(0.8, 0.8, 0.05, {0.1, 0})};
    EXPECT_TRUE(applySpotHealing(in, {three, false}).isSameNode(in));
    EXPECT_TRUE(applySpotHealing(in, {{}, true}).isSameNode(in));
    EXPECT_TRUE(applySpotHealing(in, {{spot(NAN, 0.5, 0.05, {0.1, 0})}, true}).isSameNode(in));
}

TEST(SpotHealingStageTest, PlacementFollowsTheRadiusAndOffsetRules) {
    const Rect proxy{0, 0, 2560, 1707};
    const auto tiny = placeSpot(proxy, spot(0.5, 0.25, 0.0001, {0, 0.00005}));
    ASSERT_TRUE(tiny);
    EXPECT_DOUBLE_EQ(tiny->radius, 4.0);
    EXPECT_DOUBLE_EQ(tiny->centerX, 1280.0);
    EXPECT_DOUBLE_EQ(tiny->centerY, 0.75 * 1707);  // y from the top becomes y from the bottom
    EXPECT_DOUBLE_EQ(tiny->sourceDX, 8.0);           // no offset: two radii to the right
    EXPECT_DOUBLE_EQ(tiny->sourceDY, 0.0);

    const auto right = placeSpot(proxy, spot(0.5, 0.5, 0.01, {0.02, 0}));
    EXPECT_NEAR(right->radius, 17.07, 1e-9);
    EXPECT_DOUBLE_EQ(right->sourceDX, 0.02 * 2560);
    const auto below = placeSpot(proxy, spot(0.5, 0.5, 0.01, {0, 0.02}));
    EXPECT_DOUBLE_EQ(below->sourceDX, 0.0);
    EXPECT_DOUBLE_EQ(below->sourceDY, -0.02 * 1707);  // below in top-down terms is down the plane
}

TEST(SpotHealingStageTest, PatchReplacesTheCentreAndFadesOut) {
    // 100 × 100, radius 0.1 → 10 px; source 0.2 W = 20 px to the right, 0.3 H = 30 px below.
    const Image in = positionImage(100, 100);
    const Image healed = applySpotHealing(in, {{spot(0.405, 0.595, 0.1, {0.2, 0.3})}, true});
    EXPECT_EQ(healed.extent(), in.extent());
    const PixelBuffer b = renderExtent(healed);
    // The disc centre is plane (40.5, 40.5): pixel (40, 40) shows pixel (60, 10).
    EXPECT_FLOAT_EQ(at(b, 40, 40)[0], 60.0f);
    EXPECT_FLOAT_EQ(at(b, 40, 40)[1], 10.0f);
    // Beyond the radius nothing changes; between 3.5 and 10 px the two are mixed.
    EXPECT_FLOAT_EQ(at(b, 52, 40)[0], 52.0f);
    const float mixed = at(b, 47, 40)[0];
    EXPECT_GT(mixed, 47.0f);
    EXPECT_LT(mixed, 67.0f);

    // Opacity 0.5: at most half of the patch, at the centre.
    const PixelBuffer half = renderExtent(applySpotHealing(in, {{spot(0.405, 0.595, 0.1, {0.2, 0.3}, 0.5)}, true}));
    EXPECT_FLOAT_EQ(at(half, 40, 40)[0], 50.0f);
    EXPECT_FLOAT_EQ(at(half, 40, 40)[1], 25.0f);
}

TEST(SpotHealingStageTest, LaterSpotsReadTheHealedImage) {
    const Image in = positionImage(100, 100);
    // First spot heals (60, 40) from (80, 40); the second heals (40, 40) from (60, 40).
    const std::vector<SpotItem> spots{spot(0.605, 0.595, 0.05, {0.2, 0}), spot(0.405, 0.595, 0.05, {0.2, 0})};
    const PixelBuffer b = renderExtent(applySpotHealing(in, {spots, true}));
    EXPECT_FLOAT_EQ(at(b, 60, 40)[0], 80.0f);
    EXPECT_FLOAT_EQ(at(b, 40, 40)[0], 80.0f);
    // Order matters: the other way round the second spot no longer sees the first's source.
    const PixelBuffer reversed = renderExtent(applySpotHealing(in, {{spots[1], spots[0]}, true}));
    EXPECT_FLOAT_EQ(at(reversed, 40, 40)[0], 60.0f);
}

TEST(SpotHealingStageTest, EdgeSpotsKeepTheFrameAndStayOpaque) {
    const Image in = positionImage(100, 80);
    // Source 2 radii to the right of a spot at the right edge lies beyond the frame.
    const Image healed = applySpotHealing(in, {{spot(0.98, 0.5, 0.1, {0, 0})}, true});
    EXPECT_EQ(healed.extent(), in.extent());
    const PixelBuffer b = renderExtent(healed);
    for (std::int64_t y = 30; y < 50; ++y)
        for (std::int64_t x = 85; x < 100; ++x) EXPECT_FLOAT_EQ(at(b, x, y)[3], 1.0f) << x << "," << y;
    EXPECT_FLOAT_EQ(at(b, 98, 40)[0], 99.0f);  // the edge column repeated
}

}  // namespace
}  // namespace vantrel
