#include "common/TestImages.h"
#include "engine/stages/LightLeakStage.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using kernels::Rgba;
using testing::imageFrom;
using testing::pixel;

constexpr int kW = 300, kH = 200;

Image black(const Rect& r) {
    return imageFrom(r, [](std::int64_t, std::int64_t) { return Rgba{0, 0, 0, 1}; });
}

// The leak on a black frame as shown on screen, read with rows from the top.
Bitmap shown(LightLeakStyle style, LightLeakPosition position, double intensity = 1.0,
             const Rect& e = {0, 0, kW, kH}) {
    Context context;
    auto b = context.makeBitmap(applyLightLeak(black(e), {style, intensity, position}));
    EXPECT_TRUE(b);
    return b ? std::move(*b) : Bitmap{};
}

int red(const Bitmap& b, int x, int yFromTop) { return b.at(x, yFromTop)[0]; }

TEST(LightLeakEngine, GuardsReturnTheFrameItself) {
    const Image frame = black({0, 0, 40, 30});
    EXPECT_TRUE(applyLightLeak(frame, {LightLeakStyle::none, 1.0, LightLeakPosition::left}).isSameNode(frame));
    EXPECT_TRUE(applyLightLeak(frame, {LightLeakStyle::warmCorner, 0.009, LightLeakPosition::left}).isSameNode(frame));
    EXPECT_FALSE(applyLightLeak(frame, {LightLeakStyle::warmCorner, 0.01, LightLeakPosition::left}).isSameNode(frame));
    const Image line = black({0, 0, 1, 1000});
    EXPECT_TRUE(applyLightLeak(line, {LightLeakStyle::sideStreak, 1.0, LightLeakPosition::top}).isSameNode(line));
}

TEST(LightLeakEngine, WarmCornerEntersFromTheNamedCorner) {
    using P = LightLeakPosition;
    // left: top-left; right: top-right; bottom: bottom-left; top: middle of the top edge.
    const Bitmap left = shown(LightLeakStyle::warmCorner, P::left);
    EXPECT_GT(red(left, 0, 0), 200);
    EXPECT_EQ(red(left, kW - 1, kH - 1), 0);
    EXPECT_EQ(red(left, kW - 1, 0), 0);
    const Bitmap right = shown(LightLeakStyle::warmCorner, P::right);
    EXPECT_GT(red(right, kW - 1, 0), 200);
    EXPECT_EQ(red(right, 0, 0), 0);
    const Bitmap bottom = shown(LightLeakStyle::warmCorner, P::bottom);
    EXPECT_GT(red(bottom, 0, kH - 1), 200);
    EXPECT_LT(red(bottom, kW / 2, kH - 1), red(bottom, 0, kH - 1));
    EXPECT_EQ(red(bottom, kW - 1, 0), 0);
    const Bitmap top = shown(LightLeakStyle::warmCorner, P::top);
    EXPECT_GT(red(top, kW / 2, 0), red(top, 0, 0));
    EXPECT_GT(red(top, kW / 2, 0), red(top, kW / 2, kH - 1));
    // Warm: more red than green than blue.
    const std::uint8_t* p = left.at(10, 10);
    EXPECT_GT(p[0], p[1]);
    EXPECT_GT(p[1], p[2]);
}

TEST(LightLeakEngine, SideStreakFadesShortOfTheMiddle) {
    using P = LightLeakPosition;
    const Bitmap left = shown(LightLeakStyle::sideStreak, P::left);
    EXPECT_GT(red(left, 0, kH / 2), 200);
    EXPECT_GT(red(left, 60, kH / 2), 0);
    EXPECT_EQ(red(left, int(0.43 * kW), kH / 2), 0);
    const Bitmap right = shown(LightLeakStyle::sideStreak, P::right);
    EXPECT_GT(red(right, kW - 1, 10), 200);
    EXPECT_EQ(red(right, int(0.57 * kW), 10), 0);
    const Bitmap top = shown(LightLeakStyle::sideStreak, P::top);
    EXPECT_GT(red(top, 5, 0), 200);
    EXPECT_EQ(red(top, 5, int(0.43 * kH)), 0);
    EXPECT_EQ(red(top, 5, kH - 1), 0);
    const Bitmap bottom = shown(LightLeakStyle::sideStreak, P::bottom);
    EXPECT_GT(red(bottom, 5, kH - 1), 200);
    EXPECT_EQ(red(bottom, 5, 0), 0);
}

TEST(LightLeakEngine, RainbowBurnAndVintageFlarePlacement) {
    using P = LightLeakPosition;
    // rainbowBurn top runs from (0.2 W, top edge) towards (0.8 W, half height).
    const Bitmap top = shown(LightLeakStyle::rainbowBurn, P::top);
    EXPECT_GT(top.at(int(0.2 * kW), 0)[0], 200);
    EXPECT_GT(top.at(int(0.2 * kW), 0)[2], top.at(int(0.2 * kW), 0)[1]);  // pink: more blue than green
    EXPECT_GT(top.at(int(0.2 * kW), 0)[0], top.at(int(0.8 * kW), kH / 2)[0]);
    const Bitmap bottom = shown(LightLeakStyle::rainbowBurn, P::bottom);
    EXPECT_GT(bottom.at(int(0.2 * kW), kH - 1)[0], bottom.at(int(0.2 * kW), 0)[0]);
    const Bitmap left = shown(LightLeakStyle::rainbowBurn, P::left);
    EXPECT_GT(left.at(0, int(0.2 * kH))[0], left.at(kW - 1, int(0.2 * kH))[0]);

    // vintageFlare on 1000 × 1000 at left: centre (100, 500), core radius 20 at alpha 0.8 I.
    const Rect square{0, 0, 1000, 1000};
    Context context;
    const double intensity = 0.5;
    const auto core = context.renderFloat(
        applyLightLeak(black(square), {LightLeakStyle::vintageFlare, intensity, P::left}),
        Rect{90, 490, 20, 20});
    ASSERT_TRUE(core);
    const WorkingColor expected = color::workingFromSRGB(0.95, 0.28, 0.12, 0.8 * intensity);
    const Rgba c = pixel(*core, 100, 500);
    EXPECT_NEAR(c.r, expected.r, 1e-4f);
    EXPECT_NEAR(c.g, expected.g, 1e-4f);
    EXPECT_NEAR(c.b, expected.b, 1e-4f);
    const Bitmap flareTop = shown(LightLeakStyle::vintageFlare, P::top);
    EXPECT_GT(red(flareTop, kW / 2, int(0.1 * kH)), red(flareTop, kW / 2, int(0.9 * kH)));
}

TEST(LightLeakEngine, LeakFollowsAFrameAwayFromTheOrigin) {
    const Bitmap atOrigin = shown(LightLeakStyle::warmCorner, LightLeakPosition::right, 0.7);
    const Bitmap moved = shown(LightLeakStyle::warmCorner, LightLeakPosition::right, 0.7, Rect{-500, 321, kW, kH});
    EXPECT_EQ(moved.pixels, atOrigin.pixels);
}

}  // namespace
}  // namespace vantrel
