#include "engine/color/LookupKernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace vantrel::kernels {
namespace {

float decodeExact(float e) { return static_cast<float>(color::decodeSRGB(e)); }

Rgba runSpan(const auto& kernel, Rgba c) {
    float px[4] = {c.r, c.g, c.b, c.a};
    kernel(px, 1);
    return {px[0], px[1], px[2], px[3]};
}

ColorCurvesParameters sampledCurve(const std::function<float(float)>& red, const std::function<float(float)>& green,
                                   const std::function<float(float)>& blue, int n = 256) {
    ColorCurvesParameters p;
    for (int i = 0; i < n; ++i) {
        const float x = static_cast<float>(i) / static_cast<float>(n - 1);
        p.curvesData.insert(p.curvesData.end(), {red(x), green(x), blue(x)});
    }
    return p;
}

TEST(LookupKernels, ColorCubeIdentityAndKnownTables) {
    for (int n : {2, 17, 32, 64}) {
        SCOPED_TRACE(n);
        const auto cube = ColorCubeKernel::make(identityColorCube(n));
        ASSERT_TRUE(cube.has_value());
        // Lattice points come back exactly; points between them within rounding.
        const float step = 1.0f / static_cast<float>(n - 1);
        const Rgba lattice{step, 0, 1, 1};
        EXPECT_EQ(cube->apply(lattice), lattice);
        for (Rgba c : {Rgba{0.2f, 0.5f, 0.9f, 1}, Rgba{0.013f, 0.77f, 0.31f, 1}}) {
            const Rgba out = runSpan(*cube, c);
            EXPECT_NEAR(out.r, c.r, 1e-6f);
            EXPECT_NEAR(out.g, c.g, 1e-6f);
            EXPECT_NEAR(out.b, c.b, 1e-6f);
        }
        // Inputs outside [0, 1] are clamped to the cube.
        const Rgba out = cube->apply({1.5f, -0.2f, 0.5f, 1});
        EXPECT_NEAR(out.r, 1.0f, 1e-6f);
        EXPECT_NEAR(out.g, 0.0f, 1e-6f);
    }

    // A 2-cell cube that swaps red and blue and halves alpha: trilinear is exact for it.
    ColorCubeParameters swap = identityColorCube(2);
    for (size_t i = 0; i < swap.cubeData.size(); i += 4) {
        std::swap(swap.cubeData[i], swap.cubeData[i + 2]);
        swap.cubeData[i + 3] = 0.5f;
    }
    const auto swapCube = ColorCubeKernel::make(swap);
    ASSERT_TRUE(swapCube.has_value());
    const Rgba out = swapCube->apply({0.2f, 0.5f, 0.9f, 0.8f});
    EXPECT_NEAR(out.r, 0.9f, 1e-6f);
    EXPECT_NEAR(out.g, 0.5f, 1e-6f);
    EXPECT_NEAR(out.b, 0.2f, 1e-6f);
    EXPECT_NEAR(out.a, 0.4f, 1e-6f);
    // On premultiplied spans the table sees unpremultiplied colour.
    const Rgba premul = runSpan(*swapCube, {0.1f, 0.25f, 0.45f, 0.5f});
    EXPECT_NEAR(premul.r, 0.9f * 0.25f, 1e-6f);
    EXPECT_NEAR(premul.a, 0.25f, 1e-6f);

    // The same swap with opaque cells over an opaque span (four at a time, then a tail).
    ColorCubeParameters opaqueSwap = identityColorCube(5);
    for (size_t i = 0; i < opaqueSwap.cubeData.size(); i += 4) std::swap(opaqueSwap.cubeData[i], opaqueSwap.cubeData[i + 2]);
    const auto opaqueCube = ColorCubeKernel::make(opaqueSwap);
    ASSERT_TRUE(opaqueCube.has_value());
    std::vector<float> span;
    for (int i = 0; i < 6; ++i) span.insert(span.end(), {0.1f * i, 0.9f - 0.1f * i, 0.33f + 0.05f * i, 1});
    const std::vector<float> before = span;
    opaqueCube->run(span.data(), span.data(), 6);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_NEAR(span[4 * i], before[4 * i + 2], 1e-6f) << i;
        EXPECT_NEAR(span[4 * i + 1], before[4 * i + 1], 1e-6f) << i;
        EXPECT_NEAR(span[4 * i + 2], before[4 * i], 1e-6f) << i;
        EXPECT_EQ(span[4 * i + 3], 1.0f);
    }

    // Malformed cubes are refused.
    ColorCubeParameters bad = identityColorCube(4);
    bad.cubeData.pop_back();
    EXPECT_FALSE(ColorCubeKernel::make(bad));
    EXPECT_FALSE(ColorCubeKernel::make({1, {0, 0, 0, 1}}));
    bad = identityColorCube(4);
    bad.cubeData[5] = NAN;
    EXPECT_FALSE(ColorCubeKernel::make(bad));
}

TEST(LookupKernels, ColorCurvesActOnSrgbEncoding) {
    const auto identity = ColorCurvesKernel::make(sampledCurve([](float x) { return x; }, [](float x) { return x; },
                                                               [](float x) { return x; }));
    ASSERT_TRUE(identity.has_value());
    // The straight-line curve is an identity everywhere, wide-gamut and extended values included.
    for (Rgba c : {Rgba{0.2f, 0.5f, 0.9f, 1}, Rgba{1.0f, 0.0f, 0.0f, 1}, Rgba{2.5f, 0.8f, -0.05f, 1},
                   Rgba{0.001f, 0.00002f, 0, 1}, Rgba{0.3f, 0.2f, 0.1f, 0.5f}}) {
        const Rgba out = runSpan(*identity, c);
        EXPECT_NEAR(out.r, c.r, 2e-5f * std::max(1.0f, std::fabs(c.r)));
        EXPECT_NEAR(out.g, c.g, 2e-5f * std::max(1.0f, std::fabs(c.g)));
        EXPECT_NEAR(out.b, c.b, 2e-5f * std::max(1.0f, std::fabs(c.b)));
        EXPECT_EQ(out.a, c.a);
    }

    // Squaring in encoded space: linear mid grey (encoded 0.5) becomes decode(0.25).
    const auto square = ColorCurvesKernel::make(sampledCurve([](float x) { return x * x; },
                                                             [](float x) { return x * x; },
                                                             [](float x) { return x * x; }));
    ASSERT_TRUE(square.has_value());
    const float midGrey = decodeExact(0.5f);
    const Rgba out = runSpan(*square, {midGrey, midGrey, midGrey, 1});
    // 0.5 is not a table entry: the table interpolates between 127/255 and 128/255.
    const float e0 = 127.0f / 255, e1 = 128.0f / 255, f = (0.5f - e0) / (e1 - e0);
    const float expected = decodeExact(e0 * e0 + f * (e1 * e1 - e0 * e0));
    EXPECT_NEAR(out.r, expected, 2e-5f);
    EXPECT_NEAR(out.b, expected, 2e-5f);

    // Each channel uses its own column.
    const auto split = ColorCurvesKernel::make(sampledCurve([](float x) { return x; }, [](float) { return 0.5f; },
                                                            [](float x) { return 1 - x; }));
    ASSERT_TRUE(split.has_value());
    EXPECT_NEAR(split->curveEncoded(1, 0.9f), 0.5f, 1e-6f);
    EXPECT_NEAR(split->curveEncoded(2, 0.25f), 0.75f, 1e-6f);
}

TEST(LookupKernels, ColorCurvesExtrapolateWithUnitSlope) {
    // A curve from 0.2 to 0.8: outside the domain it continues with slope 1 from its ends.
    const auto k = ColorCurvesKernel::make(sampledCurve([](float x) { return 0.2f + 0.6f * x; },
                                                        [](float x) { return 0.2f + 0.6f * x; },
                                                        [](float x) { return 0.2f + 0.6f * x; }));
    ASSERT_TRUE(k.has_value());
    EXPECT_NEAR(k->curveEncoded(0, 1.5f), 1.3f, 1e-6f);
    EXPECT_NEAR(k->curveEncoded(0, 1.0f), 0.8f, 1e-6f);
    EXPECT_NEAR(k->curveEncoded(0, -0.5f), -0.3f, 1e-6f);
    EXPECT_NEAR(k->curveEncoded(0, 0.0f), 0.2f, 1e-6f);

    // Seen on linear grey pixels: above white and below black.
    for (float e : {1.5f, 3.0f, -0.5f, -0.05f}) {
        SCOPED_TRACE(e);
        const float linear = decodeExact(e);
        const float expected = decodeExact(e > 1 ? 0.8f + (e - 1) : 0.2f + e);
        const Rgba out = runSpan(*k, {linear, linear, linear, 1});
        EXPECT_NEAR(out.g, expected, 1e-4f * std::max(1.0f, std::fabs(expected)));
    }
    // NaN passes through as NaN instead of indexing the table.
    EXPECT_TRUE(std::isnan(k->curveEncoded(0, NAN)));

    // Malformed curves are refused.
    EXPECT_FALSE(ColorCurvesKernel::make({{0.5f, 0.5f, 0.5f}, {0, 1}}));
    EXPECT_FALSE(ColorCurvesKernel::make({{0, 0, 0, 1, 1}, {0, 1}}));
    EXPECT_FALSE(ColorCurvesKernel::make({{0, 0, 0, 1, 1, 1}, {1, 1}}));
    EXPECT_FALSE(ColorCurvesKernel::make({{0, 0, 0, 1, 1, INFINITY}, {0, 1}}));
}

TEST(LookupKernels, FastCurveMatchesExactCurve) {
    // Smooth curves like the tone-curve spline gives: an S, a shadow lift, a fade.
    const auto k = ColorCurvesKernel::make(
        sampledCurve([](float x) { return x + 0.08f * std::sin(6.2831853f * x); },
                     [](float x) { return 1 - (1 - x) * (1 - x); }, [](float x) { return 0.1f + 0.7f * x; }));
    ASSERT_TRUE(k.has_value());
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> wide(-2.0f, 6.0f);
    std::uniform_real_distribution<float> expo(-30.0f, 12.0f);
    for (int i = 0; i < 20000; ++i) {
        const float x = i % 2 ? wide(rng) : std::copysign(std::exp2(expo(rng)), wide(rng));
        for (int ch = 0; ch < 3; ++ch) {
            const float exact = k->curveLinear(ch, x), fast = k->curveLinearFast(ch, x);
            ASSERT_NEAR(fast, exact, 1e-4f * std::max(0.01f, std::fabs(exact))) << "x " << x << " ch " << ch;
        }
    }
}

TEST(LookupKernels, CurveSpansMatchTheFormula) {
    const auto k = ColorCurvesKernel::make(
        sampledCurve([](float x) { return x * x * (3 - 2 * x); }, [](float x) { return 0.05f + 0.9f * x; },
                     [](float x) { return 1 - (1 - x) * (1 - x); }));
    ASSERT_TRUE(k.has_value());
    // Opaque spans run four pixels at a time with a tail; the values include black, tiny,
    // negative, extended and far-out ones that leave the fast table.
    const std::vector<Rgba> colours = {{0.2f, 0.5f, 0.9f, 1}, {0, 0, 0, 1},      {1e-6f, 0.3f, 0.1f, 1},
                                       {-0.05f, 0.4f, 1.3f, 1}, {120, 0.5f, 0.5f, 1}, {0.7f, 0.7f, 0.7f, 1},
                                       {0.01f, 0.02f, 0.03f, 1}};
    for (float alpha : {1.0f, 0.6f}) {
        std::vector<float> span;
        for (Rgba c : colours) {
            const Rgba p = premultiplied({c.r, c.g, c.b, alpha});
            span.insert(span.end(), {p.r, p.g, p.b, p.a});
        }
        k->run(span.data(), span.data(), static_cast<int>(colours.size()));
        for (size_t i = 0; i < colours.size(); ++i) {
            SCOPED_TRACE(::testing::Message() << "pixel " << i << " alpha " << alpha);
            const Rgba c = colours[i];
            const Rgba expected = premultiplied(k->apply({c.r, c.g, c.b, alpha}));
            for (int ch = 0; ch < 4; ++ch) {
                const float e = (&expected.r)[ch];
                EXPECT_NEAR(span[4 * i + static_cast<size_t>(ch)], e, 1e-4f * std::max(0.01f, std::fabs(e)));
            }
        }
    }
}

// A long premultiplied span: mostly opaque, with translucent and clear pixels in some groups
// of eight and values a little outside [0, 1].
std::vector<float> mixedSpan(int n) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> value(-0.1f, 1.2f);
    std::vector<float> span;
    for (int i = 0; i < n; ++i) {
        const float a = i == 19 ? 0.5f : i == 30 ? 0.0f : i == 41 ? 0.25f : 1.0f;
        const Rgba p = premultiplied({value(rng), value(rng), value(rng), a});
        span.insert(span.end(), {p.r, p.g, p.b, p.a});
    }
    return span;
}

// Every pixel of a span comes out as it does on its own, whichever path its group takes, so
// the way an image is cut into tiles and rows never changes a value.
void expectSpanMatchesPixels(const auto& kernel, int n) {
    const std::vector<float> span = mixedSpan(n);
    std::vector<float> out(span.size());
    kernel.run(span.data(), out.data(), n);
    for (size_t i = 0; i < span.size(); i += 4) {
        float alone[4];
        kernel.run(span.data() + i, alone, 1);
        for (size_t k = 0; k < 4; ++k) ASSERT_EQ(out[i + k], alone[k]) << "pixel " << i / 4 << " channel " << k;
    }
}

TEST(LookupKernels, SpansMatchPixelByPixel) {
    for (int side : {32, 9}) {
        SCOPED_TRACE(side);
        // An opaque look, then the same with translucent cells.
        ColorCubeParameters look = identityColorCube(side);
        for (size_t i = 0; i < look.cubeData.size(); i += 4) {
            float* c = &look.cubeData[i];
            c[0] = 0.9f * c[0] + 0.05f * c[2];
            c[2] = c[2] * c[2];
        }
        expectSpanMatchesPixels(*ColorCubeKernel::make(look), 53);
        for (size_t i = 3; i < look.cubeData.size(); i += 8) look.cubeData[i] = 0.75f;
        expectSpanMatchesPixels(*ColorCubeKernel::make(look), 53);
    }
    expectSpanMatchesPixels(*ColorCurvesKernel::make(sampledCurve([](float x) { return x * x * (3 - 2 * x); },
                                                                  [](float x) { return 0.05f + 0.9f * x; },
                                                                  [](float x) { return std::sqrt(x); })),
                            53);
}

}  // namespace
}  // namespace vantrel::kernels
