#include <gtest/gtest.h>

#include <array>

#include "engine/color/ColorGradingCubeGenerator.h"

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
