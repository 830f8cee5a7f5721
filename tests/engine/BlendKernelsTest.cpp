#include "engine/filters/BlendKernels.h"

#include <gtest/gtest.h>

#include "common/TestImages.h"

namespace vantrel::kernels {
namespace {

using testing::expectNear;

// Premultiplied inputs: a half-transparent source over an opaque backdrop.
const Rgba kSource{0.2f, 0.4f, 0.1f, 0.5f};  // colour (0.4, 0.8, 0.2) at alpha 0.5
const Rgba kBackdrop{0.6f, 0.3f, 1.5f, 1.0f};

TEST(BlendKernels, ScreenAdditionMultiplyOnPremultipliedValues) {
    expectNear(ScreenBlend::apply(kSource, kBackdrop),
               {0.2f + 0.6f - 0.12f, 0.4f + 0.3f - 0.12f, 0.1f + 1.5f - 0.15f, 0.5f + 1 - 0.5f});
    // Screen with black changes nothing; with white gives white.
    expectNear(ScreenBlend::apply({0, 0, 0, 1}, kBackdrop), {0.6f, 0.3f, 1.5f, 1});
    expectNear(ScreenBlend::apply({1, 1, 1, 1}, {0.3f, 0.7f, 0.1f, 1}), {1, 1, 1, 1});
    // Dust: a grey mark v at opacity α gives cb + v·α·(1 − cb).
    const float v = 0.8f, alpha = 0.3f;
    EXPECT_NEAR(ScreenBlend::apply({v * alpha, v * alpha, v * alpha, alpha}, {0.25f, 0.25f, 0.25f, 1}).r,
                0.25f + v * alpha * 0.75f, 1e-6f);

    // Addition adds colour without clamping and saturates alpha at 1.
    expectNear(AdditionBlend::apply(kSource, kBackdrop), {0.8f, 0.7f, 1.6f, 1});
    expectNear(AdditionBlend::apply({0.1f, 0, 0, 0.25f}, {0.2f, 0, 0, 0.5f}), {0.3f, 0, 0, 0.75f});

    // Multiply multiplies every premultiplied component, alpha included.
    expectNear(MultiplyBlend::apply(kSource, kBackdrop), {0.12f, 0.12f, 0.15f, 0.5f});
    // P · (1 + g·M) from addition of P and the product diag(g)·M × P.
    const Rgba p{0.5f, 0.4f, 0.3f, 1}, gm{0.2f, 0.2f, 0.2f, 1};
    const Rgba sum = AdditionBlend::apply(MultiplyBlend::apply(gm, p), p);
    expectNear(sum, {0.6f, 0.48f, 0.36f, 1});

    // Spans, here written over the backdrop.
    float src[8] = {0.2f, 0.4f, 0.1f, 0.5f, 0, 0, 0, 0};
    float dst[8] = {0.6f, 0.3f, 1.5f, 1, 0.5f, 0.5f, 0.5f, 1};
    blendSpan<MultiplyBlend>(src, dst, dst, 2);
    EXPECT_FLOAT_EQ(dst[0], 0.12f);
    EXPECT_FLOAT_EQ(dst[7], 0.0f);
}

TEST(BlendKernels, SoftLight) {
    // Opaque layer: below half grey darkens, above lightens, half grey is neutral.
    const Rgba backdrop{0.3f, 0.3f, 0.3f, 1};
    expectNear(SoftLightBlend::apply({0.5f, 0.5f, 0.5f, 1}, backdrop), backdrop);
    const float dark = SoftLightBlend::apply({0.2f, 0.2f, 0.2f, 1}, backdrop).r;
    EXPECT_NEAR(dark, 0.3f - (1 - 0.4f) * 0.3f * 0.7f, 1e-6f);
    const float light = SoftLightBlend::apply({0.9f, 0.9f, 0.9f, 1}, backdrop).r;
    // 0.3 > 0.25: D = sqrt(0.3).
    EXPECT_NEAR(light, 0.3f + 0.8f * (std::sqrt(0.3f) - 0.3f), 1e-6f);
    // D's polynomial branch for dark backdrops.
    const float x = 0.1f, d = ((16 * x - 12) * x + 4) * x;
    EXPECT_NEAR(SoftLightBlend::apply({1, 1, 1, 1}, {x, x, x, 1}).g, x + (d - x), 1e-6f);

    // Black and white backdrops stay whatever the layer, translucent layers included.
    for (Rgba layer : {Rgba{0.1f, 0.9f, 0.4f, 1}, Rgba{0.05f, 0.3f, 0.2f, 0.35f}}) {
        expectNear(SoftLightBlend::apply(layer, {0, 0, 0, 1}), {0, 0, 0, 1});
        expectNear(SoftLightBlend::apply(layer, {1, 1, 1, 1}), {1, 1, 1, 1});
    }

    // Translucent layer over an opaque backdrop: co = cb − (αs − 2cs)·cb·(1 − cb) below half.
    const Rgba layer{0.1f, 0.1f, 0.1f, 0.4f};  // colour 0.25 at alpha 0.4
    EXPECT_NEAR(SoftLightBlend::apply(layer, backdrop).r, 0.3f - (0.4f - 0.2f) * 0.3f * 0.7f, 1e-6f);

    // General compositing over a translucent backdrop (W3C formula written out).
    const Rgba s{0.3f, 0.1f, 0.05f, 0.6f}, b{0.2f, 0.35f, 0.1f, 0.5f};
    auto reference = [](float cs, float as, float cb, float ab) {
        const float Cs = cs / as, Cb = cb / ab;
        const float D = Cb <= 0.25f ? ((16 * Cb - 12) * Cb + 4) * Cb : std::sqrt(Cb);
        const float B = Cs <= 0.5f ? Cb - (1 - 2 * Cs) * Cb * (1 - Cb) : Cb + (2 * Cs - 1) * (D - Cb);
        return cs * (1 - ab) + cb * (1 - as) + as * ab * B;
    };
    const Rgba out = SoftLightBlend::apply(s, b);
    EXPECT_NEAR(out.r, reference(s.r, s.a, b.r, b.a), 1e-6f);
    EXPECT_NEAR(out.g, reference(s.g, s.a, b.g, b.a), 1e-6f);
    EXPECT_NEAR(out.b, reference(s.b, s.a, b.b, b.a), 1e-6f);
    EXPECT_NEAR(out.a, 0.6f + 0.5f - 0.3f, 1e-6f);
    // A fully transparent layer leaves the backdrop.
    expectNear(SoftLightBlend::apply({0, 0, 0, 0}, b), b);
    // Extended backdrops are not clamped: above 1 the square-root branch applies.
    EXPECT_NEAR(SoftLightBlend::apply({0.9f, 0.9f, 0.9f, 1}, {2, 2, 2, 1}).r, 2 + 0.8f * (std::sqrt(2.0f) - 2), 1e-6f);
    EXPECT_GT(SoftLightBlend::apply({0.2f, 0.2f, 0.2f, 1}, {1.5f, 1.5f, 1.5f, 1}).r, 1.5f);
}

TEST(BlendKernels, BlendWithMaskUsesPremultipliedGreen) {
    const Rgba image{0.8f, 0.6f, 0.4f, 1}, background{0.2f, 0.2f, 0.2f, 1};
    expectNear(MaskBlend::apply(image, background, {1, 1, 1, 1}), image);
    expectNear(MaskBlend::apply(image, background, {0, 0, 0, 1}), background);
    // White at opacity 0.5 (premultiplied green 0.5) mixes half way.
    expectNear(MaskBlend::apply(image, background, {0.5f, 0.5f, 0.5f, 0.5f}), {0.5f, 0.4f, 0.3f, 1});
    // Only green counts; out-of-range masks are clamped.
    expectNear(MaskBlend::apply(image, background, {1, 0, 1, 1}), background);
    expectNear(MaskBlend::apply(image, background, {0, 3, 0, 1}), image);
    expectNear(MaskBlend::apply(image, background, {0, -1, 0, 1}), background);
    // Alpha is mixed too.
    EXPECT_NEAR(MaskBlend::apply({0, 0, 0, 0}, background, {0.25f, 0.25f, 0.25f, 1}).a, 0.75f, 1e-6f);
}

}  // namespace
}  // namespace vantrel::kernels
