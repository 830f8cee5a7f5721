#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "common/TestImages.h"
#include "engine/color/ColorCubeGenerator.h"
#include "engine/color/ColorGradingCubeGenerator.h"
#include "engine/color/LookupFilters.h"
#include "engine/stages/ColorCubeStages.h"
#include "model/EditParameters.h"

namespace vantrel {
namespace {

constexpr int kN = 32;

std::array<float, 4> entry(const std::vector<float>& t, int r, int g, int b) {
    const std::size_t i = std::size_t(((b * kN + g) * kN + r) * 4);
    return {t[i], t[i + 1], t[i + 2], t[i + 3]};
}

void expectRgb(const std::array<float, 4>& e, float r, float g, float b, float tol, const char* what) {
    EXPECT_NEAR(e[0], r, tol) << what;
    EXPECT_NEAR(e[1], g, tol) << what;
    EXPECT_NEAR(e[2], b, tol) << what;
    EXPECT_EQ(e[3], 1.0f) << what;
}

EditParameters withHsl(HSLColorChannel channel, HSLAdjustment a) {
    EditParameters r;
    r.setHSLAdjustment(a, channel);
    return r;
}

TEST(ColorCubeGeneratorTest, NeutralMixerIsTheIdentityTableInRedFastestOrder) {
    EditParameters tiny;
    tiny.hslAdjustments["red"] = {0.0005, 0, 0};
    EXPECT_TRUE(ColorCubeGenerator::activeBands(tiny).empty());

    const auto table = ColorCubeGenerator::makeCubeData(tiny);
    ASSERT_EQ(table.size() * sizeof(float), 524288u);
    for (int b = 0; b < kN; ++b)
        for (int g = 0; g < kN; ++g)
            for (int r = 0; r < kN; ++r) {
                const auto e = entry(table, r, g, b);
                ASSERT_EQ(e[0], float(r) * (1.0f / 31.0f));
                ASSERT_EQ(e[1], float(g) * (1.0f / 31.0f));
                ASSERT_EQ(e[2], float(b) * (1.0f / 31.0f));
                ASSERT_EQ(e[3], 1.0f);
            }
}

TEST(ColorCubeGeneratorTest, BandsChangeTheirHuesAsWeightedAverages) {
    // Red saturation −100: pure red loses all colour, and so does a hue 29° away, since a
    // lone band gives its whole change wherever it reaches.
    const auto desaturated = ColorCubeGenerator::makeCubeData(withHsl(HSLColorChannel::red, {0, -100, 0}));
    expectRgb(entry(desaturated, 31, 0, 0), 0.5f, 0.5f, 0.5f, 1e-6f, "pure red");
    expectRgb(entry(desaturated, 31, 15, 0), 0.5f, 0.5f, 0.5f, 1e-6f, "red-orange");
    expectRgb(entry(desaturated, 0, 31, 0), 0, 1, 0, 1e-6f, "green is out of reach");
    expectRgb(entry(desaturated, 0, 31, 31), 0, 1, 1, 1e-6f, "cyan is out of reach");

    // Orange hue +100 shifts by 30°: (1, 15/31, 0) at H 29.03° goes to H 59.03°.
    const auto shifted = ColorCubeGenerator::makeCubeData(withHsl(HSLColorChannel::orange, {100, 0, 0}));
    const double h = 60.0 * (15.0 / 31.0) + 30.0;
    expectRgb(entry(shifted, 31, 15, 0), 1.0f, float(h / 60.0), 0.0f, 1e-5f, "orange to yellow");

    // Two overlapping bands with the same setting give that setting, not twice it.
    EditParameters both = withHsl(HSLColorChannel::red, {0, 0, 40});
    both.setHSLAdjustment({0, 0, 40}, HSLColorChannel::orange);
    const auto lighter = ColorCubeGenerator::makeCubeData(both);
    const auto lighterRed = ColorCubeGenerator::makeCubeData(withHsl(HSLColorChannel::red, {0, 0, 40}));
    // (1, 8/31, 0) at H 15.5° lies between the two centres: L 0.5 + 0.2.
    const auto e = entry(lighter, 31, 8, 0);
    EXPECT_NEAR((std::max({e[0], e[1], e[2]}) + std::min({e[0], e[1], e[2]})) / 2, 0.7f, 1e-6f);
    expectRgb(e, entry(lighterRed, 31, 8, 0)[0], entry(lighterRed, 31, 8, 0)[1], entry(lighterRed, 31, 8, 0)[2],
              1e-6f, "same as one band");

    // Luminance +100 on red lifts pure red to white.
    expectRgb(entry(ColorCubeGenerator::makeCubeData(withHsl(HSLColorChannel::red, {0, 0, 100})), 31, 0, 0), 1, 1,
              1, 1e-6f, "red to white");
}

TEST(ColorCubeGeneratorTest, GreysBlackAndWhiteKeepTheirColourWhateverTheSettings) {
    EditParameters strong;
    for (HSLColorChannel c : allCases<HSLColorChannel>()) strong.setHSLAdjustment({100, 100, 100}, c);
    const auto table = ColorCubeGenerator::makeCubeData(strong);
    for (int k = 0; k < kN; ++k) {
        const float v = float(k) * (1.0f / 31.0f);
        const auto e = entry(table, k, k, k);
        EXPECT_EQ(e[0], v);
        EXPECT_EQ(e[1], v);
        EXPECT_EQ(e[2], v);
    }
    for (float v : table) {
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, 1.0f);
    }
    // Saturation pushed below zero (−150 from a hand-edited file) gives grey, not a negative
    // saturation.
    const auto below = ColorCubeGenerator::makeCubeData(withHsl(HSLColorChannel::blue, {0, -150, 0}));
    expectRgb(entry(below, 0, 0, 31), 0.5f, 0.5f, 0.5f, 1e-6f, "blue to grey");
}

TEST(ColorCubeGeneratorTest, TheCubeStagesLookUpTheirTablesInTurn) {
    const Image input = testing::pipelineImage(Rect{0, 0, 64, 48}, [](std::int64_t x, std::int64_t y) {
        return std::array<float, 3>{float(x) / 63.0f, float(y) / 47.0f, float((x * 7 + y * 3) % 64) / 63.0f};
    });
    EditParameters r = withHsl(HSLColorChannel::orange, {30, -40, 20});
    r.setHSLAdjustment({-50, 60, -30}, HSLColorChannel::blue);
    r.colorGrading.shadows = {210, 0.4, -0.2};
    r.colorGrading.highlights = {40, 0.3, 0.1};
    r.colorGrading.balance = 0.2;

    const Image mixerCube = colorCube(input, {32, ColorCubeGenerator::makeCubeData(r)});
    const Image oneAfterOther =
        colorCube(mixerCube, {32, ColorGradingCubeGenerator::makeCubeData(r.colorGrading)});
    EXPECT_EQ(testing::maxDifference(testing::renderExtent(applyColorGrading(applyHslMixer(input, r), r.colorGrading)),
                                     testing::renderExtent(oneAfterOther)),
              0.0f);

    // Each alone is its own cube.
    EXPECT_EQ(testing::maxDifference(testing::renderExtent(applyColorGrading(input, r.colorGrading)),
                                     testing::renderExtent(colorCube(
                                         input, {32, ColorGradingCubeGenerator::makeCubeData(r.colorGrading)}))),
              0.0f);
    EditParameters mixerOnly = r;
    mixerOnly.colorGrading = {};
    EXPECT_EQ(testing::maxDifference(testing::renderExtent(applyHslMixer(input, mixerOnly)),
                                     testing::renderExtent(mixerCube)),
              0.0f);
    // Entries under unknown keys make no band and no cube.
    EditParameters unknown;
    unknown.hslAdjustments["aqua"] = {50, 0, 0};
    EXPECT_TRUE(applyHslMixer(input, unknown).isSameNode(input));
}

// The colour grading wheels' table, built the same way.

TEST(ColorGradingCubeGeneratorTest, WorkedValues) {
    // Identity grading gives the exact identity table, whatever the hues.
    ColorGradingParameters identity;
    identity.shadows.hue = 120;
    identity.highlights.hue = 300;
    const auto id = ColorGradingCubeGenerator::makeCubeData(identity);
    ASSERT_EQ(id.size() * sizeof(float), 524288u);
    for (int b = 0; b < kN; b += 5)
        for (int g = 0; g < kN; g += 3)
            for (int r = 0; r < kN; ++r)
                expectRgb(entry(id, r, g, b), 0.032258064f * float(r), 0.032258064f * float(g),
                          0.032258064f * float(b), 0, "identity");

    // Shadows hue 0, saturation 1: offsets (0.25, −0.125, −0.125); black becomes (0.25, 0, 0).
    ColorGradingParameters shadows;
    shadows.shadows = {0, 1, 0};
    const auto offset = ColorGradingCubeGenerator::wheelOffset(shadows.shadows);
    EXPECT_NEAR(offset[0], 0.25f, 1e-7f);
    EXPECT_NEAR(offset[1], -0.125f, 1e-6f);
    EXPECT_NEAR(offset[2], -0.125f, 1e-6f);
    const auto sh = ColorGradingCubeGenerator::makeCubeData(shadows);
    expectRgb(entry(sh, 0, 0, 0), 0.25f, 0, 0, 1e-6f, "black");
    expectRgb(entry(sh, 31, 31, 31), 1, 1, 1, 0, "white");

    // Midtones luminance 1: nothing at black and white, about 0.1498 at the middle greys.
    ColorGradingParameters mid;
    mid.midtones = {0, 0, 1};
    const auto md = ColorGradingCubeGenerator::makeCubeData(mid);
    expectRgb(entry(md, 0, 0, 0), 0, 0, 0, 0, "black");
    expectRgb(entry(md, 31, 31, 31), 1, 1, 1, 0, "white");
    for (int k : {15, 16}) {
        const float v = 0.032258064f * float(k);
        const auto e = entry(md, k, k, k);
        EXPECT_NEAR(e[0] - v, 0.1498f, 1e-4f) << k;
        EXPECT_EQ(e[0], e[1]);
        EXPECT_EQ(e[1], e[2]);
    }

    // A positive balance moves the split up: a grey below the middle gets more of the shadows wheel.
    ColorGradingParameters balanced = shadows;
    balanced.balance = 0.8;
    const float plain = entry(sh, 12, 12, 12)[0], moved = entry(ColorGradingCubeGenerator::makeCubeData(balanced), 12, 12, 12)[0];
    EXPECT_GT(moved, plain + 0.01f);
}

TEST(ColorGradingCubeGeneratorTest, EveryEntryStaysInRangeUnderStrongWheels) {
    ColorGradingParameters g;
    g.shadows = {200, 1, -1};
    g.midtones = {40, 1, 1};
    g.highlights = {330, 1, 1};
    g.balance = -1;
    const auto table = ColorGradingCubeGenerator::makeCubeData(g);
    for (std::size_t i = 0; i < table.size(); ++i) {
        ASSERT_GE(table[i], 0.0f) << i;
        ASSERT_LE(table[i], 1.0f) << i;
        if (i % 4 == 3) {
            ASSERT_EQ(table[i], 1.0f);
        }
    }
    EXPECT_EQ(ColorGradingCubeGenerator::wheelOffset({75, 0, 0.0005}), (std::array<float, 3>{0, 0, 0}));
}

}  // namespace
}  // namespace vantrel
