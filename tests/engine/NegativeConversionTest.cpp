#include <gtest/gtest.h>

#include "engine/stages/DarkroomPipeline.h"
#include "engine/stages/NegativeConversionStage.h"
#include "common/TestImages.h"

namespace vantrel {
namespace {

using testing::at;
using testing::renderExtent;

NegativeLabParameters colourNegative() {
    NegativeLabParameters p;
    p.isEnabled = true;
    return p;
}

// A known positive: a smooth, colourful ramp in linear working values.
std::array<float, 3> positiveAt(std::int64_t x, std::int64_t y) {
    return {0.05f + 0.9f * float(x) / 31.0f, 0.05f + 0.9f * float(y) / 15.0f, 0.5f - 0.4f * float(x - y) / 31.0f};
}

// The scan of that positive on film with the given base: density transmits base × (1 − P).
Image negativeOf(const std::array<double, 3>& base) {
    return testing::pipelineImage(Rect{0, 0, 32, 16}, [&](std::int64_t x, std::int64_t y) {
        const auto p = positiveAt(x, y);
        return std::array<float, 3>{float(base[0] * (1 - p[0])), float(base[1] * (1 - p[1])),
                                    float(base[2] * (1 - p[2]))};
    });
}

// A negative whose conversion (with neutral controls) is the flat grey `v`.
Image negativeOfGrey(float v) {
    const auto base = filmBaseWorking(NegativeLabParameters::defaultValue().filmBaseColor);
    return testing::pipelineImage(Rect{0, 0, 4, 4}, [&](std::int64_t, std::int64_t) {
        return std::array<float, 3>{float(base[0] * (1 - v)), float(base[1] * (1 - v)), float(base[2] * (1 - v))};
    });
}

TEST(NegativeConversionTest, SwitchedOffLeavesTheScanAlone) {
    const Image in = negativeOfGrey(0.3f);
    EXPECT_TRUE(applyNegativeConversion(in, NegativeLabParameters{}).isSameNode(in));
    NegativeLabParameters bw;
    bw.filmType = NegativeFilmType::bwNegative;
    EXPECT_TRUE(applyNegativeConversion(in, bw).isSameNode(in));
}

TEST(NegativeConversionTest, FilmBaseIsDecodedBeforeTheDivision) {
    const auto base = filmBaseWorking({0.85, 0.45, 0.25});
    const WorkingColor expected = color::workingFromSRGB(0.85, 0.45, 0.25);
    EXPECT_NEAR(base[0], expected.r, 1e-6);
    EXPECT_NEAR(base[1], expected.g, 1e-6);
    EXPECT_NEAR(base[2], expected.b, 1e-6);
    // Linear values of an orange base are far smaller than its encoded components.
    EXPECT_LT(base[2], 0.1);

    // Missing elements take the standard base, extra ones are ignored, the floor is 0.01.
    EXPECT_EQ(filmBaseWorking({}), base);
    EXPECT_EQ(filmBaseWorking({0.85, 0.45, 0.25, 0.9}), base);
    EXPECT_EQ(filmBaseWorking({0.85}), base);
    EXPECT_EQ(filmBaseWorking({0, -1, 0.01}), filmBaseWorking({0.01, 0.01, 0.01}));
    const auto floor = filmBaseWorking({0, 0, 0});
    for (double v : floor) EXPECT_NEAR(v, 0.01 / 12.92, 1e-6);
}

TEST(NegativeConversionTest, ColourNegativeComesBackAsItsPositive) {
    for (const std::vector<double>& stored : {std::vector<double>{0.85, 0.45, 0.25}, {0.78, 0.52, 0.31}}) {
        NegativeLabParameters p = colourNegative();
        p.filmBaseColor = stored;
        const auto base = filmBaseWorking(stored);
        const PixelBuffer out = renderExtent(applyNegativeConversion(negativeOf(base), p));
        float worst = 0;
        for (std::int64_t y = 0; y < 16; ++y)
            for (std::int64_t x = 0; x < 32; ++x) {
                const auto expected = positiveAt(x, y);
                const auto got = at(out, x, y);
                for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(got[std::size_t(c)] - expected[std::size_t(c)]));
                EXPECT_FLOAT_EQ(got[3], 1.0f);
            }
        EXPECT_LT(worst, 1e-4f);

        // Clear film base (no exposure) renders black, down to the 8-bit bitmap.
        const Image bare = testing::pipelineImage(Rect{0, 0, 2, 2}, [&](std::int64_t, std::int64_t) {
            return std::array<float, 3>{float(base[0]), float(base[1]), float(base[2])};
        });
        const Image converted = applyNegativeConversion(bare, p);
        const auto px = at(renderExtent(converted), 0, 0);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(px[std::size_t(c)], 0.0f, 1e-5f);
        const auto bitmap = DarkroomPipeline::shared().makeBitmap(converted);
        ASSERT_TRUE(bitmap);
        EXPECT_EQ(bitmap->at(0, 0)[0], 0);
        EXPECT_EQ(bitmap->at(0, 0)[1], 0);
        EXPECT_EQ(bitmap->at(0, 0)[2], 0);
    }
}

TEST(NegativeConversionTest, ColourControlsOfTheConversion) {
    auto greyAfter = [](const NegativeLabParameters& p, float v) {
        return at(renderExtent(applyNegativeConversion(negativeOfGrey(v), p)), 1, 1);
    };
    NegativeLabParameters p = colourNegative();

    // Density stretch is a contrast about 0.5 (saturation does nothing to a grey).
    p.densityStretch = 1.2;
    EXPECT_NEAR(greyAfter(p, 0.8f)[0], 0.86f, 1e-4f);
    EXPECT_NEAR(greyAfter(p, 0.2f)[1], 0.14f, 1e-4f);
    p.densityStretch = 1;

    // Colour balance −0.5 warms towards 5750 K; 0.01 is below its threshold.
    p.colorBalance = -0.5;
    const auto warm = greyAfter(p, 0.5f);
    EXPECT_NEAR(warm[0], 0.52831f, 2e-4f);
    EXPECT_NEAR(warm[1], 0.49702f, 2e-4f);
    EXPECT_NEAR(warm[2], 0.44441f, 2e-4f);
    p.colorBalance = 0.01;
    EXPECT_NEAR(greyAfter(p, 0.5f)[2], 0.5f, 1e-5f);
    p.colorBalance = 0;

    // Highlight recovery darkens bright tones; a negative value is ignored (signed guard).
    p.highlightRecovery = 0.5;
    EXPECT_LT(greyAfter(p, 0.8f)[0], 0.79f);
    p.highlightRecovery = -0.5;
    EXPECT_NEAR(greyAfter(p, 0.8f)[0], 0.8f, 1e-5f);
    p.highlightRecovery = 0;
    p.shadowDensity = 1;
    EXPECT_GT(greyAfter(p, 0.05f)[0], 0.055f);
    p.shadowDensity = 0;

    // Gamma is not part of the conversion.
    const PixelBuffer plain = renderExtent(applyNegativeConversion(negativeOf(filmBaseWorking({})), p));
    p.gamma = 2.2;
    const PixelBuffer gamma = renderExtent(applyNegativeConversion(negativeOf(filmBaseWorking({})), p));
    EXPECT_EQ(testing::maxDifference(plain, gamma), 0.0f);
}

TEST(NegativeConversionTest, BlackAndWhiteNegativeIsGreyInvertedAndStretched) {
    NegativeLabParameters p = colourNegative();
    p.filmType = NegativeFilmType::bwNegative;
    const Image scan = testing::pipelineImage(Rect{0, 0, 8, 8}, [](std::int64_t x, std::int64_t y) {
        return std::array<float, 3>{0.1f + 0.1f * float(x), 0.2f + 0.05f * float(y), 0.3f};
    });
    const PixelBuffer out = renderExtent(applyNegativeConversion(scan, p));
    const PixelBuffer in = renderExtent(scan);
    for (std::int64_t y = 0; y < 8; ++y)
        for (std::int64_t x = 0; x < 8; ++x) {
            const auto o = at(out, x, y);
            const auto i = at(in, x, y);
            const float lum = 0.2126f * i[0] + 0.7152f * i[1] + 0.0722f * i[2];
            EXPECT_NEAR(o[0], o[1], 1e-5f);
            EXPECT_NEAR(o[1], o[2], 1e-5f);
            EXPECT_NEAR(o[0], (1 - lum - 0.5f) * 1.2f + 0.5f, 1e-4f);  // contrast 1.2 × densityStretch
        }

    // The film base, the balance and the tone controls do not touch it.
    NegativeLabParameters other = p;
    other.filmBaseColor = {0.2, 0.9, 0.9};
    other.colorBalance = 0.8;
    other.highlightRecovery = 1;
    EXPECT_EQ(testing::maxDifference(out, renderExtent(applyNegativeConversion(scan, other))), 0.0f);
    other.densityStretch = 1.5;  // contrast 1.8
    EXPECT_NEAR(at(renderExtent(applyNegativeConversion(scan, other)), 0, 0)[0],
                (at(out, 0, 0)[0] - 0.5f) * 1.5f + 0.5f, 1e-4f);
}

}  // namespace
}  // namespace vantrel
