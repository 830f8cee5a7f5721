#include "common/TestImages.h"
#include "engine/stages/FilmGrainEngine.h"
#include "engine/filters/GeneratorKernels.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vantrel {
namespace {

using kernels::Rgba;
using testing::imageFrom;
using testing::pixel;
using testing::renderWorking;
using testing::flat;

struct Stats {
    double mean[3] = {0, 0, 0};
    double deviation = 0;  // of the red channel
};

Stats statsOf(const PixelBuffer& b) {
    Stats s;
    double sq = 0;
    const double n = double(b.width() * b.height());
    for (std::int64_t y = b.rect().minY(); y < b.rect().maxY(); ++y)
        for (std::int64_t x = b.rect().minX(); x < b.rect().maxX(); ++x) {
            const float* p = b.at(x, y);
            for (int k = 0; k < 3; ++k) s.mean[k] += p[k] / n;
            sq += double(p[0]) * p[0] / n;
        }
    s.deviation = std::sqrt(std::max(0.0, sq - s.mean[0] * s.mean[0]));
    return s;
}

// Correlation of the red channel with its right-hand neighbour.
double neighbourCorrelation(const PixelBuffer& b) {
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, n = 0;
    for (std::int64_t y = b.rect().minY(); y < b.rect().maxY(); ++y)
        for (std::int64_t x = b.rect().minX(); x + 1 < b.rect().maxX(); ++x) {
            const double u = b.at(x, y)[0], v = b.at(x + 1, y)[0];
            sx += u, sy += v, sxx += u * u, syy += v * v, sxy += u * v, n += 1;
        }
    const double cov = sxy / n - sx / n * sy / n;
    return cov / std::sqrt((sxx / n - sx / n * sx / n) * (syy / n - sy / n * sy / n));
}

TEST(GrainEngine, GuardsReturnTheFrameItself) {
    const Image frame = flat({0, 0, 50, 40}, 0.5f);
    EXPECT_TRUE(applyFilmGrain(frame, {0.004, 1.6, 0.5, 0.25}).isSameNode(frame));
    EXPECT_TRUE(applyFilmGrain(frame, {std::nan(""), 1.6, 0.5, 0.25}).isSameNode(frame));
    EXPECT_FALSE(applyFilmGrain(frame, {0.005, 1.6, 0.5, 0.25}).isSameNode(frame));
    const Image thin = flat({0, 0, 1, 100}, 0.5f);
    EXPECT_TRUE(applyFilmGrain(thin, {0.5, 1.6, 0.5, 0.25}).isSameNode(thin));
    const Image grained = applyFilmGrain(flat({3, -4, 50, 40}, 0.5f), {0.5, 2.0, 0.5, 0.25});
    EXPECT_EQ(grained.extent(), (Rect{3, -4, 50, 40}));
}

TEST(GrainEngine, SameGrainForTheSamePositionWhateverTheTiling) {
    const Rect e{0, 0, 300, 200};
    const Image out = applyFilmGrain(flat(e, 0.4f), {0.6, 2.2, 0.7, 0.3});
    const PixelBuffer small = renderWorking(out, e);
    Context bigTiles({.threads = 1, .tileSize = 512});
    const auto whole = bigTiles.renderFloat(out, e);
    ASSERT_TRUE(whole);
    const Rect part{117, 33, 40, 50};
    const auto piece = bigTiles.renderFloat(out, part);
    ASSERT_TRUE(piece);
    for (std::int64_t y = e.minY(); y < e.maxY(); ++y)
        for (std::int64_t x = e.minX(); x < e.maxX(); ++x) {
            ASSERT_EQ(pixel(small, x, y), pixel(*whole, x, y)) << x << "," << y;
            if (part.contains(x, y)) {
                ASSERT_EQ(pixel(*piece, x, y), pixel(*whole, x, y)) << x << "," << y;
            }
        }
    // A second build of the same graph gives the same grain.
    const PixelBuffer again = renderWorking(applyFilmGrain(flat(e, 0.4f), {0.6, 2.2, 0.7, 0.3}), e);
    EXPECT_EQ(pixel(again, 250, 150), pixel(small, 250, 150));
}

TEST(GrainEngine, MidGreyKeepsItsMeanAndShowsGrain) {
    const Rect e{0, 0, 400, 400};
    struct Look {
        double amount, size, roughness, dye;
    };
    // Grain settings of the kind the film looks use, from fine to coarse.
    for (const Look& l : {Look{0.15, 1.1, 0.3, 0.1}, Look{0.35, 1.5, 0.45, 0.25}, Look{0.65, 2.2, 0.7, 0.0}, Look{1.0, 1.0, 1.0, 1.0}}) {
        for (float grey : {0.5f, 0.214f}) {  // the midtone weight's peak, and sRGB's mid-grey
            const PixelBuffer b = renderWorking(applyFilmGrain(flat(e, grey), {l.amount, l.size, l.roughness, l.dye}), e);
            const Stats s = statsOf(b);
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(s.mean[k], grey, 0.01 * grey) << l.amount << " channel " << k;
            EXPECT_GT(s.deviation, 0.02 * grey) << l.amount;
        }
    }
}

TEST(GrainEngine, BlackWhiteAndExtendedHighlightsCarryNoGrain) {
    // The midtone weight is 0 at black and white and held at 0 above white, where the bell
    // would turn negative: the layer is the soft-light neutral there.
    const Rect e{0, 0, 64, 64};
    for (float v : {0.0f, 1.0f, 2.0f, 6.0f}) {
        const PixelBuffer b = renderWorking(applyFilmGrain(flat(e, v), {1.0, 2.0, 1.0, 1.0}), e);
        for (std::int64_t y = 0; y < 64; y += 7)
            for (std::int64_t x = 0; x < 64; x += 5) ASSERT_EQ(pixel(b, x, y), (Rgba{v, v, v, 1})) << v;
    }
    const PixelBuffer layer = renderWorking(FilmGrainEngine::grainLayer(flat(e, 3.0f), {1.0, 1.0, 1.0, 1.0}), e);
    EXPECT_EQ(pixel(layer, 10, 10), (Rgba{0.5f, 0.5f, 0.5f, 1}));
}

TEST(GrainEngine, SizeResamplesTheNoiseAndDyeCloudsColourIt) {
    const Rect e{0, 0, 256, 256};
    // Sizes up to about 1.05 keep pixel noise: neighbours are independent.
    EXPECT_LT(std::fabs(neighbourCorrelation(renderWorking(FilmGrainEngine::sizedNoise(e, 1.05), e))), 0.05);
    EXPECT_LT(std::fabs(neighbourCorrelation(renderWorking(FilmGrainEngine::sizedNoise(e, 1.0), e))), 0.05);
    // Larger sizes give larger clumps.
    const double at2 = neighbourCorrelation(renderWorking(FilmGrainEngine::sizedNoise(e, 2.0), e));
    const double at35 = neighbourCorrelation(renderWorking(FilmGrainEngine::sizedNoise(e, 3.5), e));
    EXPECT_GT(at2, 0.3);
    EXPECT_GT(at35, at2);

    const Image mid = flat(e, 0.5f);
    const PixelBuffer grey = renderWorking(FilmGrainEngine::grainLayer(mid, {0.5, 1.6, 0.5, 0.0}), e);
    const PixelBuffer colour = renderWorking(FilmGrainEngine::grainLayer(mid, {0.5, 1.6, 0.5, 1.0}), e);
    double spread = 0;
    for (std::int64_t x = 0; x < 256; ++x) {
        const Rgba g = pixel(grey, x, 100);
        EXPECT_NEAR(g.r, g.g, 1e-5f);
        EXPECT_NEAR(g.g, g.b, 1e-5f);
        const Rgba c = pixel(colour, x, 100);
        spread += std::fabs(c.r - c.g) + std::fabs(c.g - c.b);
    }
    EXPECT_GT(spread / 256, 0.02);
}

TEST(GrainEngine, ResampledNoiseIsTheGeneratorsNoiseInterpolated) {
    // Pixel centre p reads the grid at p / size − 0.5, bilinearly between the generator's
    // values of the four cells around it; checked away from the origin and across the
    // grid's wider spans.
    const Rect e{-37, 11, 300, 40};
    const double size = 1.6;
    const PixelBuffer b = renderWorking(FilmGrainEngine::sizedNoise(e, size), e);
    const auto noise = [](std::int64_t i, std::int64_t j, std::uint32_t c) {
        return double(kernels::RandomNoise::value(std::int32_t(i), std::int32_t(j), c));
    };
    for (std::int64_t y = e.minY(); y < e.maxY(); y += 3)
        for (std::int64_t x = e.minX(); x < e.maxX(); ++x) {
            const double u = (double(x) + 0.5) / size - 0.5, v = (double(y) + 0.5) / size - 0.5;
            const std::int64_t i = std::int64_t(std::floor(u)), j = std::int64_t(std::floor(v));
            const double tx = u - double(i), ty = v - double(j);
            for (std::uint32_t c = 0; c < 3; ++c) {
                const double below = noise(i, j, c) + tx * (noise(i + 1, j, c) - noise(i, j, c));
                const double above = noise(i, j + 1, c) + tx * (noise(i + 1, j + 1, c) - noise(i, j + 1, c));
                ASSERT_NEAR(b.at(x, y)[c], below + ty * (above - below), 1e-5) << x << "," << y << " " << c;
            }
        }
}

}  // namespace
}  // namespace vantrel
