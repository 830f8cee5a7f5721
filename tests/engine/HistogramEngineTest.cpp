#include "common/TestImages.h"
#include "engine/stages/HistogramEngine.h"
#include "engine/stages/UltraHDREngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vantrel {
namespace {

using kernels::Rgba;
using testing::imageFrom;
using testing::flat;

const UltraHDRParameters& off() { return UltraHDRParameters::defaultValue(); }

TEST(HistogramEngine, MeasuresACopyAtMost400PixelsLong) {
    const Image wide = flat({0, 0, 800, 400}, 0.3f);
    EXPECT_EQ(HistogramEngine::measuringCopy(wide).extent(), (Rect{0, 0, 400, 200}));
    const Image tall = flat({0, 0, 1000, 4000}, 0.3f);
    EXPECT_EQ(HistogramEngine::measuringCopy(tall).extent(), (Rect{0, 0, 100, 400}));
    const Image small = flat({0, 0, 300, 200}, 0.3f);
    EXPECT_TRUE(HistogramEngine::measuringCopy(small).isSameNode(small));
}

TEST(HistogramEngine, ScalesBinsAndBinsDisplayEncodedValues) {
    const Context context;
    // All black: the whole mass in bin 0, which scales to 1.0 and warns of shadow clipping.
    const HistogramData black = HistogramEngine::computeHistogram(flat({0, 0, 800, 400}, 0.0f), context, off());
    ASSERT_EQ(black.lumaBins.size(), 256u);
    EXPECT_FLOAT_EQ(black.lumaBins[0], 1.0f);
    EXPECT_FLOAT_EQ(black.redBins[0], 1.0f);
    EXPECT_EQ(black.lumaBins[1], 0.0f);
    EXPECT_TRUE(black.shadowClipping);
    EXPECT_FALSE(black.highlightClipping);

    // sRGB mid-grey (linear 0.214) shows in the middle of the histogram, not in bin 54.
    const HistogramData grey = HistogramEngine::computeHistogram(flat({0, 0, 300, 200}, 0.2140f), context, off());
    EXPECT_FLOAT_EQ(grey.greenBins[127], 1.0f);
    EXPECT_FALSE(grey.shadowClipping);

    // Three quarters at white, a quarter at black: log scaling to the fullest bin.
    const Image split = imageFrom({0, 0, 400, 100}, [](std::int64_t x, std::int64_t) {
        const float v = x < 100 ? 0.0f : 1.0f;
        return Rgba{v, v, v, 1};
    });
    const HistogramData s = HistogramEngine::computeHistogram(split, context, off());
    EXPECT_FLOAT_EQ(s.blueBins[255], 1.0f);
    EXPECT_NEAR(s.blueBins[0], std::log(1.25f) / std::log(1.75f), 1e-6f);
    EXPECT_TRUE(s.shadowClipping);
    EXPECT_TRUE(s.highlightClipping);

    // Negative and extended values land in the end bins; a clear frame reads as black.
    const HistogramData extended = HistogramEngine::computeHistogram(flat({0, 0, 50, 50}, 3.0f), context, off());
    EXPECT_FLOAT_EQ(extended.lumaBins[255], 1.0f);
    const HistogramData negative = HistogramEngine::computeHistogram(flat({0, 0, 50, 50}, -0.5f), context, off());
    EXPECT_FLOAT_EQ(negative.lumaBins[0], 1.0f);
}

TEST(HistogramEngine, ClippingWarnsStrictlyAboveFivePerCent) {
    // Find raw shares at which the top luminance bin scales to exactly 0.05: the scaled value
    // moves in coarse float steps, so both the peak (bin 0) and the top bin are varied.
    std::vector<float> raw(256 * 4, 0.0f);
    HistogramData d;
    bool found = false;
    float peak = 1.0f;
    for (int i = 0; i < 400 && !found; ++i, peak = std::nextafter(peak, 2.0f)) {
        raw[0] = raw[1] = raw[2] = peak;
        float v = std::expm1(0.05f * std::log1p(peak));
        for (int k = 0; k < 8; ++k) v = std::nextafter(v, 0.0f);
        for (int j = 0; j < 16 && !found; ++j, v = std::nextafter(v, 1.0f)) {
            raw[4 * 255] = raw[4 * 255 + 1] = raw[4 * 255 + 2] = v;
            d = HistogramEngine::fromRawBins(raw.data());
            found = d.lumaBins[255] == 0.05f;
        }
    }
    ASSERT_EQ(d.lumaBins[255], 0.05f);
    EXPECT_FALSE(d.highlightClipping);
    EXPECT_TRUE(d.shadowClipping);
    float& top = raw[4 * 255];
    do {
        top = std::nextafter(top, 1.0f);
        d = HistogramEngine::fromRawBins(raw.data());
    } while (d.lumaBins[255] == 0.05f);
    EXPECT_GT(d.lumaBins[255], 0.05f);
    EXPECT_TRUE(d.highlightClipping);
}

TEST(HistogramEngine, EmptyAndInfiniteImagesGiveTheEmptyHistogram) {
    const Context context;
    const HistogramData& empty = HistogramData::empty();
    EXPECT_EQ(empty.redBins, std::vector<float>(256, 0.0f));
    EXPECT_FALSE(empty.isUltraHDREnabled);
    EXPECT_EQ(empty.edrHeadroom, 1.0);
    EXPECT_TRUE(empty.edrBins.empty());
    EXPECT_EQ(HistogramEngine::computeHistogram(Image(), context, off()), empty);
    EXPECT_EQ(HistogramEngine::computeHistogram(Image::constant({1, 1, 1, 1}), context, UltraHDRParameters::enabledDefault()),
              empty);
}

TEST(HistogramEngine, ExtendedRangeBandWhenTheBoostIsOn) {
    const Context context;
    const Image frame = imageFrom({0, 0, 800, 400}, [](std::int64_t x, std::int64_t) {
        const float v = float(x) / 400.0f;
        return Rgba{v, v, v, 1};
    });
    const HistogramData plain = HistogramEngine::computeHistogram(frame, context, off());
    EXPECT_FALSE(plain.isUltraHDREnabled);
    EXPECT_TRUE(plain.edrBins.empty());
    EXPECT_EQ(plain.edrHeadroom, 1.0);

    UltraHDRParameters on = UltraHDRParameters::enabledDefault();
    on.highlightBoost = 1.5;
    const HistogramData boosted = HistogramEngine::computeHistogram(frame, context, on);
    EXPECT_TRUE(boosted.isUltraHDREnabled);
    EXPECT_DOUBLE_EQ(boosted.edrHeadroom, std::exp2(1.5));
    ASSERT_EQ(boosted.edrBins.size(), 64u);
    EXPECT_NEAR(*std::max_element(boosted.edrBins.begin(), boosted.edrBins.end()), 0.5f, 1e-5f);
    EXPECT_EQ(boosted.lumaBins, plain.lumaBins);

    HistogramData other = boosted;
    other.edrHeadroom = 2.0;
    EXPECT_NE(other, boosted);
}

}  // namespace
}  // namespace vantrel
