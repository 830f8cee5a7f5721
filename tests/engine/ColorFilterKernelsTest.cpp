#include "engine/color/ColorKernels.h"
#include "engine/color/WhitePoint.h"

#include <gtest/gtest.h>

#include "common/TestImages.h"

#include <cmath>
#include <functional>
#include <vector>

namespace vantrel::kernels {
namespace {

using testing::expectNear;

Rgba run(const std::function<void(float*, int)>& kernel, Rgba premultipliedIn) {
    float px[4] = {premultipliedIn.r, premultipliedIn.g, premultipliedIn.b, premultipliedIn.a};
    kernel(px, 1);
    return {px[0], px[1], px[2], px[3]};
}

Rgba grey(float v) { return {v, v, v, 1}; }

// A few opaque, translucent and extended colours every identity must keep.
const std::vector<Rgba> kSamples = {
    {0.2f, 0.5f, 0.9f, 1}, {0, 0, 0, 1}, {1, 1, 1, 1}, {1.7f, 0.4f, -0.1f, 1}, {0.1f, 0.05f, 0.3f, 0.5f},
};

TEST(ColorFilterKernels, NeutralSettingsAreIdentities) {
    const std::vector<std::pair<const char*, std::function<void(float*, int)>>> identities = {
        {"exposure 0", exposureKernel({0})},
        {"colour controls (sat 1, bright 0, contrast 1)", colorControlsKernel({})},
        {"temperature 6500 -> 6500, tint 0", RgbAffine::fromMatrix(whiteAdaptationMatrix({6500, 0}, {6500, 0}))},
        {"highlights 1, shadows 0", HighlightShadowKernel(HighlightShadowParameters{})},
        {"vibrance 0", VibranceKernel{0}},
        {"colour matrix defaults", ColorMatrixKernel{}},
        {"polynomial defaults", ColorPolynomialKernel{}},
        {"gamma 1", GammaKernel{1}},
        {"monochrome intensity 0", monochromeKernel({color::workingFromSRGB(0.5, 0.3, 0.1), 0})},
        {"vignette intensity 0", [](float* px, int n) { VignetteKernel({1.8f, 0}, 0, 0, 10, 10).row(px, px, n, 0, 0); }},
    };
    for (const auto& [name, kernel] : identities) {
        SCOPED_TRACE(name);
        for (const Rgba& c : kSamples) expectNear(run(kernel, c), c, 1e-6f);
    }
    // A different white point with tint is not an identity, but the same one is.
    EXPECT_EQ(whiteAdaptationMatrix({4000, 15}, {4000, 15}).m, color::Matrix3{}.m);
}

TEST(ColorFilterKernels, DocumentedAffineValues) {
    // Exposure is 2^EV.
    expectNear(run(exposureKernel({1}), grey(0.25f)), grey(0.5f), 1e-7f);
    expectNear(run(exposureKernel({-2}), {0.8f, 0.4f, 2.0f, 1}), {0.2f, 0.1f, 0.5f, 1}, 1e-7f);
    expectNear(run(exposureKernel({1.5f}), grey(1)), grey(std::sqrt(8.0f)), 1e-6f);

    // Invert is 1 − c on unpremultiplied colour, a − c premultiplied; extended values go below 0.
    expectNear(run(invertKernel(), {0.2f, 0.9f, 1.5f, 1}), {0.8f, 0.1f, -0.5f, 1}, 1e-6f);
    expectNear(run(invertKernel(), {0.1f, 0.2f, 0.0f, 0.5f}), {0.4f, 0.3f, 0.5f, 0.5f}, 1e-6f);

    // Colour controls: saturation 0 gives luminance with weights (0.2125, 0.7154, 0.0721).
    const float y = 0.2125f * 0.9f + 0.7154f * 0.2f + 0.0721f * 0.1f;
    expectNear(run(colorControlsKernel({0, 0, 1}), {0.9f, 0.2f, 0.1f, 1}), grey(y), 1e-6f);
    // Saturation 2 extrapolates away from grey.
    expectNear(run(colorControlsKernel({2, 0, 1}), {0.9f, 0.2f, 0.1f, 1}),
               {2 * 0.9f - y, 2 * 0.2f - y, 2 * 0.1f - y, 1}, 1e-6f);
    // Contrast pivots on 0.5 linear; brightness is added before the contrast scale.
    expectNear(run(colorControlsKernel({1, 0, 1.2f}), {0.5f, 0.0f, 1.0f, 1}), {0.5f, -0.1f, 1.1f, 1}, 1e-6f);
    expectNear(run(colorControlsKernel({1, 0.2f, 2}), grey(0.3f)), grey(0.5f), 1e-6f);
    // Grain-strength layer at a small amount stays near the neutral 0.5 instead of near white.
    const float amount = 0.005f;
    const Rgba layer = run(colorControlsKernel({1, (1 - amount) * 0.5f, amount * 1.4f}), grey(0.0f));
    EXPECT_NEAR(layer.r, 0.5f + 1.4f * amount * (0.0f - amount / 2), 1e-6f);

    // Monochrome with a grey colour at full intensity: every channel becomes the luminance.
    const Rgba c{0.9f, 0.2f, 0.1f, 1};
    const float lum = luminance(c.r, c.g, c.b);
    expectNear(run(monochromeKernel({color::workingFromSRGB(0.5, 0.5, 0.5), 1}), c), grey(lum), 1e-6f);
    // A coloured tint keeps the luminance and takes the tint's hue.
    const Rgba tinted = run(monochromeKernel({color::workingFromSRGB(0.6, 0.45, 0.3), 1}), c);
    EXPECT_NEAR(luminance(tinted.r, tinted.g, tinted.b), lum, 1e-6f);
    EXPECT_GT(tinted.r, tinted.g);
    EXPECT_GT(tinted.g, tinted.b);

    // Chained affine maps compose: exposure +1 then invert.
    const RgbAffine both = then(exposureKernel({1}), invertKernel());
    expectNear(both.apply({0.1f, 0.2f, 0.3f, 1}), {0.8f, 0.6f, 0.4f, 1}, 1e-6f);
}

TEST(ColorFilterKernels, MatrixClampPolynomialAndGamma) {
    // Halation key: rows of luminance weights times k, bias −T·k, then clamped to [0, 1].
    const float t = 0.8f, k = 1.0f / std::max(1.0f - t, 0.01f);
    ColorMatrixParameters key;
    key.rVector = key.gVector = key.bVector = {0.2126f * k, 0.7152f * k, 0.0722f * k, 0};
    key.biasVector = {-t * k, -t * k, -t * k, 0};
    const Rgba bright{1.2f, 0.9f, 0.7f, 1};
    const float expected = (luminance(1.2f, 0.9f, 0.7f) - t) * k;
    expectNear(run(ColorMatrixKernel{key}, bright), {expected, expected, expected, 1}, 1e-5f);
    const Rgba clamped = run(ColorClampKernel{}, run(ColorMatrixKernel{key}, bright));
    EXPECT_FLOAT_EQ(clamped.r, std::min(expected, 1.0f));
    expectNear(run(ColorClampKernel{}, run(ColorMatrixKernel{key}, grey(0.3f))), grey(0), 0);

    // A layer that keeps only alpha = 0.55·amount: the result is premultiplied by the new alpha.
    ColorMatrixParameters dust;
    dust.aVector = {0, 0, 0, 0.55f * 0.005f};
    expectNear(run(ColorMatrixKernel{dust}, {0.4f, 0.6f, 0.8f, 1}),
               {0.4f * 0.00275f, 0.6f * 0.00275f, 0.8f * 0.00275f, 0.00275f}, 1e-7f);
    // The alpha row reads unpremultiplied colour.
    ColorMatrixParameters alphaFromRed;
    alphaFromRed.aVector = {1, 0, 0, 0};
    expectNear(run(ColorMatrixKernel{alphaFromRed}, {0.25f, 0.1f, 0.2f, 0.5f}), {0.25f, 0.1f, 0.2f, 0.5f}, 1e-7f);

    // Clamp works on unpremultiplied components and keeps NaN out.
    ColorClampParameters band{{0.2f, 0.2f, 0.2f, 0}, {0.6f, 0.6f, 0.6f, 1}};
    expectNear(run(ColorClampKernel{band}, {0.05f, 0.2f, 0.45f, 0.5f}), {0.1f, 0.2f, 0.3f, 0.5f}, 1e-7f);
    EXPECT_EQ(ColorClampKernel{band}.apply({NAN, 0.3f, 2, 1}).r, 0.2f);

    // Grain midtone weight: 3.8L − 3.8L² is 0 at 0 and 1 and 0.95 at 0.5.
    ColorPolynomialParameters poly;
    poly.redCoefficients = poly.greenCoefficients = poly.blueCoefficients = {0, 3.8f, -3.8f, 0};
    expectNear(run(ColorPolynomialKernel{poly}, {0, 0.5f, 1, 1}), {0, 0.95f, 0, 1}, 1e-6f);
    poly.alphaCoefficients = {0.5f, 0, 0, 0};
    expectNear(run(ColorPolynomialKernel{poly}, grey(0.5f)), {0.475f, 0.475f, 0.475f, 0.5f}, 1e-6f);
    ColorPolynomialParameters cubic;
    cubic.redCoefficients = {0.1f, 0.2f, 0.3f, 0.4f};
    EXPECT_NEAR(ColorPolynomialKernel{cubic}.apply({2, 0, 0, 1}).r, 0.1f + 0.4f + 1.2f + 3.2f, 1e-5f);

    // Gamma raises unpremultiplied values to the power and mirrors negatives.
    expectNear(run(GammaKernel{1.8f}, {0.5f, 0.25f, -0.5f, 1}),
               {std::pow(0.5f, 1.8f), std::pow(0.25f, 1.8f), -std::pow(0.5f, 1.8f), 1}, 1e-6f);
}

TEST(ColorFilterKernels, WhiteBalanceModelValues) {
    struct Xy {
        double temperature, x, y;
    };
    for (const Xy& e : {Xy{2500, 0.47701, 0.41368}, Xy{5750, 0.32700, 0.33620}, Xy{6500, 0.31353, 0.32353},
                        Xy{9500, 0.28363, 0.29167}}) {
        SCOPED_TRACE(e.temperature);
        const Chromaticity c = chromaticity({e.temperature, 0});
        EXPECT_NEAR(c.x, e.x, 2e-5);
        EXPECT_NEAR(c.y, e.y, 2e-5);
    }

    struct Shift {
        WhitePoint neutral, target;
        Rgba grey;
    };
    const Shift shifts[] = {
        {{9500, 0}, {6500, 0}, {0.56382f, 0.49634f, 0.38123f, 1}},
        {{7000, 0}, {6500, 0}, {0.51490f, 0.49881f, 0.46931f, 1}},
        {{6500, 0}, {5750, 0}, {0.52831f, 0.49702f, 0.44441f, 1}},
        {{6500, 20}, {6500, 0}, {0.53364f, 0.48524f, 0.53421f, 1}},
    };
    for (const Shift& s : shifts) {
        SCOPED_TRACE(s.neutral.temperature);
        const Rgba out = run(RgbAffine::fromMatrix(whiteAdaptationMatrix(s.neutral, s.target)), grey(0.5f));
        expectNear(out, s.grey, 5e-4f);
    }

    // Directions: a neutral above the target warms, below cools; positive tint goes magenta,
    // negative tint goes green. Luminance of grey stays about the same.
    auto greyThrough = [](WhitePoint neutral) {
        return run(RgbAffine::fromMatrix(whiteAdaptationMatrix(neutral, {6500, 0})), grey(0.5f));
    };
    const Rgba warm = greyThrough({8000, 0}), cool = greyThrough({5000, 0});
    EXPECT_GT(warm.r, warm.b);
    EXPECT_LT(cool.r, cool.b);
    const Rgba magenta = greyThrough({6500, 30}), green = greyThrough({6500, -30});
    EXPECT_LT(magenta.g, magenta.r);
    EXPECT_LT(magenta.g, magenta.b);
    EXPECT_GT(green.g, green.r);
    EXPECT_GT(green.g, green.b);
    EXPECT_NEAR(luminance(warm.r, warm.g, warm.b), 0.5f, 0.02f);

    // Absurd temperatures are clamped, never inf or NaN.
    for (double t : {0.0, -100.0, 1e9, double(NAN)}) {
        const auto m = whiteAdaptationMatrix({t, 0}, {6500, 0});
        for (double v : m.m) EXPECT_TRUE(std::isfinite(v)) << t;
    }
}

TEST(ColorFilterKernels, HighlightsAndShadowsCurve) {
    auto lumOut = [](HighlightShadowParameters p, float y) {
        const Rgba out = run(HighlightShadowKernel(p), grey(y));
        return out.r;
    };
    // Shadows 1 lifts the deep tones; highlights 0 pulls the bright tones.
    EXPECT_NEAR(lumOut({1, 1}, 0.05f), 0.078f, 0.001f);
    EXPECT_NEAR(lumOut({0, 0}, 0.8f), 0.552f, 0.001f);
    // White, black and extended values are left alone.
    for (float y : {0.0f, 1.0f, 3.0f}) EXPECT_EQ(lumOut({0, 1}, y), y);
    // Each curve is monotone and only lowers (highlights) or only raises (shadows).
    float prevH = 0, prevS = 0;
    for (int i = 1; i < 100; ++i) {
        const float y = static_cast<float>(i) / 100.0f;
        const float h = lumOut({0, 0}, y), s = lumOut({1, 1}, y);
        EXPECT_LE(h, y + 1e-6f);
        EXPECT_GE(s, y - 1e-6f);
        EXPECT_GE(h, prevH);
        EXPECT_GE(s, prevS);
        prevH = h;
        prevS = s;
    }
    // Colour ratios are kept: the pixel is scaled as a whole.
    const Rgba c = run(HighlightShadowKernel({1, 0.8f}), {0.1f, 0.05f, 0.02f, 1});
    EXPECT_NEAR(c.r / c.g, 2.0f, 1e-5f);
    EXPECT_GT(c.r, 0.1f);
    // Out-of-range amounts are clamped rather than blowing up.
    EXPECT_EQ(lumOut({-5, 0}, 0.8f), lumOut({0, 0}, 0.8f));
}

TEST(ColorFilterKernels, VibranceVignetteDirections) {
    // Positive vibrance boosts a muted colour relatively more than a vivid one; greys stay.
    auto spread = [](Rgba c) { return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}); };
    const Rgba muted{0.5f, 0.45f, 0.4f, 1}, vivid{0.9f, 0.1f, 0.05f, 1};
    const float mutedGain = spread(run(VibranceKernel{0.5f}, muted)) / spread(muted);
    const float vividGain = spread(run(VibranceKernel{0.5f}, vivid)) / spread(vivid);
    EXPECT_GT(mutedGain, vividGain);
    EXPECT_GT(vividGain, 1.0f);
    // Negative vibrance mutes vivid colours most.
    EXPECT_LT(spread(run(VibranceKernel{-0.5f}, vivid)) / spread(vivid),
              spread(run(VibranceKernel{-0.5f}, muted)) / spread(muted));
    expectNear(run(VibranceKernel{1}, grey(0.3f)), grey(0.3f), 1e-7f);
    // Opaque spans (four at a time, then a tail) match the per-colour formula.
    float span[4 * 5] = {0.5f, 0.45f, 0.4f, 1, 0.9f, 0.1f, 0.05f, 1, 0.3f, 0.3f, 0.3f, 1,
                         1.6f, -0.1f, 0.2f, 1, 0.2f, 0.6f, 0.4f, 1};
    float expectedSpan[4 * 5];
    for (int i = 0; i < 5; ++i) {
        const Rgba o = VibranceKernel{0.7f}.apply({span[4 * i], span[4 * i + 1], span[4 * i + 2], 1});
        const float values[4] = {o.r, o.g, o.b, o.a};
        std::copy(values, values + 4, expectedSpan + 4 * i);
    }
    VibranceKernel{0.7f}(span, 5);
    for (int i = 0; i < 20; ++i) EXPECT_NEAR(span[i], expectedSpan[i], 1e-6f) << i;
    // The formula: f = 1 + v·(1 − sat), c' = Y + f·(c − Y).
    const float y = luminance(muted.r, muted.g, muted.b), f = 1 + 0.5f * (1 - 0.1f);
    EXPECT_NEAR(run(VibranceKernel{0.5f}, muted).r, y + f * (muted.r - y), 1e-6f);

    // Vignette at radius 1.8 over a 200×100 extent: corners and half-way points.
    const double w = 200, h = 100;
    const float halfDiag = static_cast<float>(std::hypot(w, h) / 2);
    auto factorAt = [&](float intensity, float d) {
        VignetteKernel k({1.8f, intensity}, -50, 20, w, h);
        const float dirX = static_cast<float>(w) / (2 * halfDiag), dirY = static_cast<float>(h) / (2 * halfDiag);
        return k.factor(50 + d * halfDiag * dirX, 70 + d * halfDiag * dirY);
    };
    EXPECT_NEAR(factorAt(1.5f, 1), 0.376f, 0.001f);
    EXPECT_NEAR(factorAt(-1.5f, 1), 1.624f, 0.001f);
    EXPECT_NEAR(factorAt(0.6f, 1), 0.750f, 0.001f);
    EXPECT_NEAR(factorAt(1.5f, 0.5f), 0.793f, 0.001f);
    EXPECT_NEAR(factorAt(-1.5f, 0.5f), 1.207f, 0.001f);
    EXPECT_FLOAT_EQ(factorAt(1.5f, 0), 1.0f);
    EXPECT_GE(factorAt(100, 1), 0.0f);  // never negative
}

TEST(ColorFilterKernels, VibranceSpansMatchPixelByPixel) {
    // Opaque groups run four at a time, others pixel by pixel; each pixel must come out as it
    // does on its own, so tiling never changes a value.
    std::vector<float> span;
    for (int i = 0; i < 23; ++i) {
        const float a = i == 6 ? 0.5f : i == 13 ? 0.0f : 1.0f;
        const float r = 0.04f * float(i), g = 0.9f - 0.03f * float(i), b = 0.5f + 0.02f * float(i % 5);
        span.insert(span.end(), {r * a, g * a, b * a, a});
    }
    std::vector<float> out(span.size());
    const VibranceKernel kernel{0.6f};
    kernel.run(span.data(), out.data(), 23);
    for (size_t i = 0; i < span.size(); i += 4) {
        float alone[4];
        kernel.run(span.data() + i, alone, 1);
        for (size_t k = 0; k < 4; ++k) EXPECT_EQ(out[i + k], alone[k]) << "pixel " << i / 4;
    }
}

TEST(ColorFilterKernels, PremultipliedAlphaFollowsUnpremultipliedFormula) {
    // For every colour filter, a translucent pixel gives the premultiplied result of the
    // formula on its unpremultiplied colour; a transparent pixel keeps no colour.
    ColorMatrixParameters mat;
    mat.rVector = {0.5f, 0.2f, 0, 0.1f};
    mat.biasVector = {0.05f, 0, -0.1f, 0};
    const std::vector<std::pair<const char*, std::function<Rgba(Rgba)>>> formulas = {
        {"exposure", [](Rgba c) { return exposureKernel({0.7f}).apply(c); }},
        {"controls", [](Rgba c) { return colorControlsKernel({1.3f, 0.1f, 1.4f}).apply(c); }},
        {"invert", [](Rgba c) { return invertKernel().apply(c); }},
        {"matrix", [&](Rgba c) { return ColorMatrixKernel{mat}.apply(c); }},
        {"clamp", [](Rgba c) { return ColorClampKernel{}.apply(c); }},
        {"gamma", [](Rgba c) { return GammaKernel{2.2f}.apply(c); }},
        {"highlights", [](Rgba c) { return HighlightShadowKernel({0.2f, 0.7f}).apply(c); }},
        {"vibrance", [](Rgba c) { return VibranceKernel{0.8f}.apply(c); }},
    };
    const std::vector<std::function<void(float*, int)>> spans = {
        exposureKernel({0.7f}), colorControlsKernel({1.3f, 0.1f, 1.4f}), invertKernel(), ColorMatrixKernel{mat},
        ColorClampKernel{}, GammaKernel{2.2f}, HighlightShadowKernel({0.2f, 0.7f}), VibranceKernel{0.8f},
    };
    const Rgba colour{0.6f, 0.3f, 0.15f, 1};
    for (size_t i = 0; i < formulas.size(); ++i) {
        SCOPED_TRACE(formulas[i].first);
        for (float a : {1.0f, 0.5f, 0.1f}) {
            const Rgba expected = premultiplied(formulas[i].second({colour.r, colour.g, colour.b, a}));
            expectNear(run(spans[i], premultiplied({colour.r, colour.g, colour.b, a})), expected, 2e-6f);
        }
        const Rgba clear = run(spans[i], {0, 0, 0, 0});
        expectNear(clear, premultiplied(formulas[i].second({0, 0, 0, 0})), 1e-7f);
    }
}

}  // namespace
}  // namespace vantrel::kernels

namespace vantrel::kernels {
namespace {

TEST(FilterMath, VectorCurvesMatchTheLibraryFunctions) {
    // Relative error of the per-pixel approximations across the ranges the tone curves use.
    double worstLog = 0, worstExp = 0, worstPow = 0, worstSRGB = 0;
    for (int i = 1; i <= 4000; ++i) {
        const float x = std::ldexp(float(i) / 4000.0f, -(i % 25));  // 2^-25 … 1
        worstLog = std::max(worstLog, std::abs(double(log2Approx(splat(x))[0]) - std::log2(double(x))));
        const float t = -30.0f + 60.0f * float(i) / 4000.0f;
        worstExp = std::max(worstExp, std::abs(exp2Approx(splat(t))[0] / std::exp2(double(t)) - 1.0));
        worstPow = std::max(worstPow, std::abs(powApprox(splat(x), 0.7f)[0] / std::pow(double(x), 0.7) - 1.0));
        const float v = float(i) / 4000.0f;
        worstSRGB = std::max(worstSRGB, std::abs(double(decodeSRGBApprox(encodeSRGBApprox(splat(v)))[0]) - v));
        worstSRGB = std::max(worstSRGB, std::abs(double(encodeSRGBApprox(splat(v))[0]) - color::encodeSRGB(v)));
    }
    EXPECT_LT(worstLog, 1e-6);
    EXPECT_LT(worstExp, 1e-6);
    EXPECT_LT(worstPow, 2e-6);
    EXPECT_LT(worstSRGB, 2e-6);
    // Both ends of the curves.
    EXPECT_EQ(encodeSRGBApprox(splat(0.0f))[0], 0.0f);
    EXPECT_NEAR(encodeSRGBApprox(splat(1.0f))[0], 1.0f, 1e-6f);
    EXPECT_NEAR(decodeSRGBApprox(splat(1.0f))[0], 1.0f, 1e-6f);
    EXPECT_LT(powApprox(splat(0.0f), 0.5f)[0], 1e-18f);
}

TEST(ColorFilterKernels, HighlightsAndShadowsTableFollowsTheFormula) {
    // The per-pixel table against the formula, densely near black and near white too.
    for (HighlightShadowParameters p : {HighlightShadowParameters{0.2f, 0.7f}, HighlightShadowParameters{1.0f, -1.0f},
                                        HighlightShadowParameters{0.0f, 0.0f}, HighlightShadowParameters{0.8f, 0.3f}}) {
        const HighlightShadowKernel k(p);
        double worst = 0;
        for (int i = 0; i < 20000; ++i) {
            const float y = i < 10000 ? std::ldexp(1.0f + float(i % 97) / 97.0f, -(i % 21) - 1)
                                      : 1.0f - std::ldexp(1.0f + float(i % 89) / 89.0f, -(i % 24) - 2);
            worst = std::max(worst, std::abs(double(k.gain(y)) / double(k.exactGain(splat(y))[0]) - 1.0));
        }
        // Kinks of the curve's clamps dominate; smooth stretches are far closer.
        EXPECT_LT(worst, 1e-3) << p.highlightAmount << " " << p.shadowAmount;
    }
}

}  // namespace
}  // namespace vantrel::kernels
