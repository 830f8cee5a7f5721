#include "engine/filters/GeneratorKernels.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vantrel::kernels {
namespace {

TEST(GeneratorKernels, RandomNoiseIsDeterministicUniformAndIndependent) {
    // Same place, same value; rows computed in pieces agree with whole rows.
    float whole[4 * 64], pieces[4 * 64];
    RandomNoise::row(whole, 64, -32, 17);
    RandomNoise::row(pieces, 20, -32, 17);
    RandomNoise::row(pieces + 4 * 20, 44, -12, 17);
    for (int i = 0; i < 4 * 64; ++i) ASSERT_EQ(whole[i], pieces[i]);
    EXPECT_EQ(RandomNoise::at(5, -9), RandomNoise::at(5, -9));
    EXPECT_NE(RandomNoise::at(5, -9).r, RandomNoise::at(-9, 5).r);

    // Statistics over a 512 × 512 patch: each channel uniform on [0, 1) (mean 1/2,
    // variance 1/12), channels and neighbours uncorrelated.
    constexpr int kSide = 512;
    double sum[4] = {}, sumSq[4] = {}, cross = 0, neighbour = 0;
    int histogram[10] = {};
    float row[4 * kSide];
    float prevRow[4 * kSide];
    for (int j = 0; j < kSide; ++j) {
        RandomNoise::row(row, kSide, -100, j - 200);
        for (int i = 0; i < kSide; ++i) {
            const float* p = row + 4 * i;
            for (int c = 0; c < 4; ++c) {
                ASSERT_GE(p[c], 0.0f);
                ASSERT_LT(p[c], 1.0f);
                sum[c] += p[c];
                sumSq[c] += double(p[c]) * p[c];
            }
            histogram[static_cast<int>(p[0] * 10)]++;
            cross += (p[0] - 0.5) * (p[1] - 0.5);
            if (j > 0) neighbour += (p[2] - 0.5) * (prevRow[4 * i + 2] - 0.5);
        }
        std::copy(row, row + 4 * kSide, prevRow);
    }
    const double n = double(kSide) * kSide;
    for (int c = 0; c < 4; ++c) {
        const double mean = sum[c] / n, variance = sumSq[c] / n - mean * mean;
        EXPECT_NEAR(mean, 0.5, 0.003) << c;
        EXPECT_NEAR(variance, 1.0 / 12.0, 0.002) << c;
    }
    EXPECT_NEAR(cross / n, 0.0, 0.002);
    EXPECT_NEAR(neighbour / n, 0.0, 0.002);
    for (int b = 0; b < 10; ++b) EXPECT_NEAR(histogram[b] / n, 0.1, 0.005) << b;
}

TEST(GeneratorKernels, LinearRampEndsAndMidpoint) {
    const Rgba white{1, 1, 1, 1}, clear{0, 0, 0, 0};
    const LinearRamp ramp(10, 0, 10, 100, white, clear);
    EXPECT_EQ(ramp.at(10, 0), white);
    EXPECT_EQ(ramp.at(37, -50), white);  // constant before the start
    EXPECT_EQ(ramp.at(10, 100), clear);
    EXPECT_EQ(ramp.at(-4, 250), clear);  // constant past the end
    const Rgba mid = ramp.at(99, 50);
    EXPECT_FLOAT_EQ(mid.g, 0.5f);
    EXPECT_FLOAT_EQ(mid.a, 0.5f);
    EXPECT_FLOAT_EQ(ramp.t(0, 25), 0.25f);

    // Premultiplied mixing: a colour fading to transparent keeps its hue.
    const Rgba pink = premultiplied({0.83f, 0.07f, 0.31f, 1});
    const Rgba faded = premultiplied({0.93f, 0.62f, 0.07f, 0});
    const Rgba m = LinearRamp(0, 0, 1, 0, pink, faded).at(0.5, 0);
    EXPECT_FLOAT_EQ(m.r / m.a, 0.83f);
    EXPECT_FLOAT_EQ(m.g / m.a, 0.07f);

    // Coincident points give colour 0 everywhere.
    EXPECT_EQ(LinearRamp(5, 5, 5, 5, white, clear).at(100, -3), white);
}

TEST(GeneratorKernels, RadialRampRingsAndEllipse) {
    const Rgba inner{1, 1, 1, 1}, outer{0, 0, 0, 0};
    RadialRamp ramp{50, 50, 10, 30, 1, 1, inner, outer};
    EXPECT_EQ(ramp.at(50, 50), inner);
    EXPECT_EQ(ramp.at(58, 50), inner);
    EXPECT_FLOAT_EQ(ramp.at(50, 70).a, 0.5f);
    EXPECT_EQ(ramp.at(50, 80), outer);
    EXPECT_EQ(ramp.at(100, 100), outer);

    // Equal radii: a hard edge.
    RadialRamp hard{0, 0, 5, 5, 1, 1, inner, outer};
    EXPECT_EQ(hard.at(4.9, 0), inner);
    EXPECT_EQ(hard.at(5.1, 0), outer);

    // Ellipse 600 × 400 from a circle of radius 600: half-way on each axis gives the same value.
    RadialRamp ellipse{0, 0, 300, 600, 1, 600.0 / 400.0, inner, outer};
    EXPECT_FLOAT_EQ(ellipse.t(450, 0), 0.5f);
    EXPECT_FLOAT_EQ(ellipse.t(0, 300), 0.5f);
    EXPECT_FLOAT_EQ(ellipse.t(0, 200), 0.0f);
}

}  // namespace
}  // namespace vantrel::kernels
