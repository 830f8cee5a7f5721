#include "common/TestImages.h"
#include "engine/color/ColorFilters.h"
#include "engine/core/detail/Node.h"
#include "engine/color/LookupFilters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace vantrel {
namespace {

using testing::expectNear;
using testing::imageFrom;
using testing::pixel;
using testing::renderWorking;
using kernels::Rgba;

// Varied colours (some extended, some translucent, one fully transparent) on an
// extent that does not start at the origin.
const Rect kRect{-5, 7, 37, 23};
Rgba straightColour(std::int64_t x, std::int64_t y) {
    const float u = float(x + 5) / 36.0f, v = float(y - 7) / 22.0f;
    const float a = (x + y) % 5 == 0 ? 0.4f : (x == 0 && y == 10 ? 0.0f : 1.0f);
    return {1.3f * u - 0.1f, v, 0.5f * (u + v), a};
}
Image testImage() {
    return imageFrom(kRect, [](std::int64_t x, std::int64_t y) { return kernels::premultiplied(straightColour(x, y)); });
}

TEST(ColorFilterImage, EveryFilterRendersItsFormula) {
    ColorMatrixParameters matrix;
    matrix.rVector = {0.9f, 0.1f, 0, 0};
    matrix.aVector = {0, 0, 0, 0.8f};
    matrix.biasVector = {0.05f, 0, 0, 0.1f};
    ColorPolynomialParameters poly;
    poly.greenCoefficients = {0.1f, 0.5f, 0.3f, 0.1f};
    const MonochromeParameters mono{color::workingFromSRGB(0.6, 0.45, 0.3), 0.7f};
    const TemperatureAndTintParameters wb{{5200, 12}, {6500, 0}};

    struct Case {
        const char* name;
        std::function<Image(const Image&)> filter;
        std::function<Rgba(Rgba)> formula;  // on straight colour
    };
    const std::vector<Case> cases = {
        {"colorMatrix", [&](const Image& i) { return colorMatrix(i, matrix); },
         [&](Rgba c) { return kernels::ColorMatrixKernel{matrix}.apply(c); }},
        {"colorClamp", [](const Image& i) { return colorClamp(i); },
         [](Rgba c) { return kernels::ColorClampKernel{}.apply(c); }},
        {"colorPolynomial", [&](const Image& i) { return colorPolynomial(i, poly); },
         [&](Rgba c) { return kernels::ColorPolynomialKernel{poly}.apply(c); }},
        {"invert", [](const Image& i) { return invert(i); }, [](Rgba c) { return Rgba{1 - c.r, 1 - c.g, 1 - c.b, c.a}; }},
        {"exposure", [](const Image& i) { return exposure(i, {-1.5f}); },
         [](Rgba c) { return Rgba{c.r * 0.35355339f, c.g * 0.35355339f, c.b * 0.35355339f, c.a}; }},
        {"gamma", [](const Image& i) { return gamma(i, {1.8f}); },
         [](Rgba c) { return kernels::GammaKernel{1.8f}.apply(c); }},
        {"colorControls", [](const Image& i) { return colorControls(i, {0.6f, -0.1f, 1.3f}); },
         [](Rgba c) { return kernels::colorControlsKernel({0.6f, -0.1f, 1.3f}).apply(c); }},
        {"temperatureAndTint", [&](const Image& i) { return temperatureAndTint(i, wb); },
         [&](Rgba c) {
             return kernels::RgbAffine::fromMatrix(whiteAdaptationMatrix(wb.neutral, wb.targetNeutral)).apply(c);
         }},
        {"highlightsAndShadows", [](const Image& i) { return highlightsAndShadows(i, {0.3f, 0.6f}); },
         [](Rgba c) { return kernels::HighlightShadowKernel({0.3f, 0.6f}).apply(c); }},
        {"vibrance", [](const Image& i) { return vibrance(i, {-0.6f}); },
         [](Rgba c) { return kernels::VibranceKernel{-0.6f}.apply(c); }},
        {"monochrome", [&](const Image& i) { return monochrome(i, mono); },
         [&](Rgba c) { return kernels::monochromeKernel(mono).apply(c); }},
    };

    const Image input = testImage();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const Image out = k.filter(input);
        EXPECT_EQ(out.extent(), kRect);
        const PixelBuffer buffer = renderWorking(out, kRect.grown(2));
        for (std::int64_t y = kRect.minY(); y < kRect.maxY(); ++y)
            for (std::int64_t x = kRect.minX(); x < kRect.maxX(); ++x) {
                const Rgba c = straightColour(x, y);
                const Rgba expected = kernels::premultiplied(k.formula(c.a == 0 ? Rgba{} : c));
                const Rgba got = pixel(buffer, x, y);
                ASSERT_NEAR(got.r, expected.r, 2e-5f) << x << "," << y;
                ASSERT_NEAR(got.g, expected.g, 2e-5f) << x << "," << y;
                ASSERT_NEAR(got.b, expected.b, 2e-5f) << x << "," << y;
                ASSERT_NEAR(got.a, expected.a, 2e-5f) << x << "," << y;
            }
        // Nothing leaks outside the extent.
        expectNear(pixel(buffer, kRect.minX() - 1, kRect.minY()), {}, 0);
    }
}

TEST(ColorFilterImage, VignetteFallsOffFromTheExtentCentre) {
    const Rect rect{100, -30, 40, 20};
    const Image flat = imageFrom(rect, [](std::int64_t, std::int64_t) { return Rgba{0.5f, 0.5f, 0.5f, 1}; });
    const PixelBuffer dark = renderWorking(vignette(flat, {1.8f, 1.5f}), rect);
    const PixelBuffer light = renderWorking(vignette(flat, {1.8f, -1.5f}), rect);
    // The four corner pixels are alike, darkest (or brightest) of all, the centre nearly unchanged.
    const float corner = pixel(dark, 100, -30).r;
    for (auto [x, y] : {std::pair{139, -30}, std::pair{100, -11}, std::pair{139, -11}})
        EXPECT_FLOAT_EQ(pixel(dark, x, y).r, corner);
    const kernels::VignetteKernel k({1.8f, 1.5f}, 100, -30, 40, 20);
    EXPECT_FLOAT_EQ(corner, 0.5f * k.factor(100.5f, -29.5f));
    EXPECT_LT(corner, pixel(dark, 119, -21).r);
    EXPECT_NEAR(pixel(dark, 119, -21).r, 0.5f, 0.002f);
    EXPECT_GT(pixel(light, 100, -30).r, 0.5f);
    EXPECT_EQ(pixel(dark, 100, -30).a, 1.0f);
    // Equal whites add no work at all.
    EXPECT_TRUE(temperatureAndTint(flat, {}).isSameNode(flat));
    // Generators have no centre: a vignette over an infinite image leaves it as it is.
    const Image infinite = Image::constant({0.5f, 0.5f, 0.5f, 1});
    EXPECT_TRUE(vignette(infinite, {1.8f, 1.5f}).isSameNode(infinite));
}

TEST(ColorFilterImage, ConsecutiveAffineFiltersBecomeOneNode) {
    const Image input = testImage();
    const TemperatureAndTintParameters wb{{8000, 10}, {6500, 0}};
    const Image fused = invert(colorControls(exposure(temperatureAndTint(input, wb), {0.5f}), {1.2f, 0.05f, 1.3f}));
    ASSERT_EQ(fused.node()->inputs.size(), 1u);
    EXPECT_EQ(fused.node()->inputs[0], input.node());
    // Same pixels as the filters one after another.
    const kernels::RgbAffine steps[] = {kernels::RgbAffine::fromMatrix(whiteAdaptationMatrix(wb.neutral, wb.targetNeutral)),
                                        kernels::exposureKernel({0.5f}), kernels::colorControlsKernel({1.2f, 0.05f, 1.3f}),
                                        kernels::invertKernel()};
    const PixelBuffer out = renderWorking(fused, kRect);
    for (std::int64_t y = kRect.minY(); y < kRect.maxY(); ++y)
        for (std::int64_t x = kRect.minX(); x < kRect.maxX(); ++x) {
            Rgba c = straightColour(x, y);
            if (c.a == 0) c = {};
            for (const auto& step : steps) c = step.apply(c);
            expectNear(pixel(out, x, y), kernels::premultiplied(c), 2e-5f);
        }
    // A stage label in between keeps the stages apart.
    const Image labelled = exposure(temperatureAndTint(input, wb).withStage("white balance"), {0.5f});
    EXPECT_EQ(labelled.stages(), std::vector<std::string>{"white balance"});
    EXPECT_NE(labelled.node()->inputs[0], input.node());
}

TEST(ColorFilterImage, ChainIsDeterministicAndUnmaterialised) {
    Image image = testImage();
    image = temperatureAndTint(image, {{7500, -5}, {6500, 0}});
    image = exposure(image, {0.4f});
    image = highlightsAndShadows(image, {0.7f, 0.4f});
    image = colorControls(image, {1.2f, 0.01f, 1.1f});
    image = vibrance(image, {0.4f});
    image = colorCube(image, identityColorCube(17));
    ColorCurvesParameters curve;
    for (int i = 0; i < 256; ++i) {
        const float x = float(i) / 255.0f;
        curve.curvesData.insert(curve.curvesData.end(), {x * x, x, std::sqrt(x)});
    }
    image = colorCurves(image, curve);
    image = vignette(image, {1.0f, 0.5f});

    Context single({.threads = 1, .tileSize = 4096});
    RenderStats stats;
    RenderOptions options;
    options.space = OutputSpace::linearWorking;
    options.stats = &stats;
    const auto a = single.renderFloat(image, kRect, options);
    const PixelBuffer b = renderWorking(image, kRect);
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(stats.materialized, 0u);
    for (std::int64_t y = kRect.minY(); y < kRect.maxY(); ++y)
        for (std::int64_t x = kRect.minX(); x < kRect.maxX(); ++x)
            for (int c = 0; c < 4; ++c) ASSERT_EQ(a->at(x, y)[c], b.at(x, y)[c]);
}

}  // namespace
}  // namespace vantrel
