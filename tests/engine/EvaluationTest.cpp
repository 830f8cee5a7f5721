#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "common/TestImages.h"
#include "engine/color/ColorFilters.h"
#include "engine/core/Context.h"
#include "engine/core/detail/Reference.h"

namespace vantrel {
namespace {

// Box average over (2m+1)² written plainly, so its result depends only on position.
Image boxBlur(const Image& in, int m, bool whole = false) {
    NeighbourhoodOptions o;
    o.margin = m;
    o.wholeImage = whole;
    return Image::neighbourhood(
        in,
        [m](const ConstPixelView& src, const PixelView& dst) {
            const float k = 1.0f / float((2 * m + 1) * (2 * m + 1));
            for (std::int64_t y = dst.rect.minY(); y < dst.rect.maxY(); ++y)
                for (std::int64_t x = dst.rect.minX(); x < dst.rect.maxX(); ++x) {
                    float acc[4] = {0, 0, 0, 0};
                    for (int dy = -m; dy <= m; ++dy)
                        for (int dx = -m; dx <= m; ++dx) {
                            const float* p = src.at(x + dx, y + dy);
                            for (int c = 0; c < 4; ++c) acc[c] += p[c];
                        }
                    for (int c = 0; c < 4; ++c) dst.at(x, y)[c] = acc[c] * k;
                }
        },
        o);
}

Image ramp() {
    return Image::generator([](const RowSpan& s, float* out) {
        for (int i = 0; i < s.count; ++i) {
            const double x = double(s.x + i) + 0.5, y = double(s.y) + 0.5;
            out[4 * i] = float(std::sin(x * 0.1) * 0.5 + 0.5);
            out[4 * i + 1] = float(y / 100.0);
            out[4 * i + 2] = float((x + y) / 200.0);
            out[4 * i + 3] = 1.0f;
        }
    });
}

Image blend(const Image& a, const Image& b, float t) {
    return Image::pointwise({a, b}, [t](const RowSpan& s, const float* const* in, float* out) {
        for (int i = 0; i < 4 * s.count; ++i) out[i] = in[0][i] * (1 - t) + in[1][i] * t;
    });
}

Image straightInvert(const Image& in) {
    return colorFilter(in, [](float* c) {
        c[0] = 1 - c[0];
        c[1] = 1 - c[1];
        c[2] = 1 - c[2];
    });
}

// A graph with every kind of node: sources in 8 and 16 bits, generators, shared pointwise
// nodes, crops, a neighbourhood, a whole-image neighbourhood, transforms (one reading through
// a clamp), clamp and raster.
Image everyKind() {
    const Image src8 = Image::fromPixels(testing::asymmetricPixels(61, 47));
    SourcePixels p16 = SourcePixels::allocate(40, 30, 3, SampleType::uint16);
    for (int y = 0; y < 30; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(p16.mutableRow(y));
        for (int x = 0; x < 120; ++x) row[x] = std::uint16_t((x * 523 + y * 2011) % 65536);
    }
    const Image src16 = Image::fromPixels(p16).translated(10, 7);
    const Image shared = straightInvert(src8);
    const Image a = blend(shared, ramp().cropped(Rect{-5, -5, 80, 70}), 0.3f);
    const Image b = boxBlur(blend(shared, src16, 0.5f), 2);
    const Image c = blend(a, b, 0.5f);
    const Image turned = c.oriented(6).transformed(AffineTransform::rotation(0.3).then(AffineTransform::translation(20, -4)));
    const Image glow = boxBlur(turned.cropped(Rect{0, 0, 50, 50}).clampedToExtent().cropped(Rect{-10, -10, 70, 70}), 3, true);
    const Image framed = Image::raster(glow, Rect{-12, -12, 74, 74}, [](const PixelBuffer& in) {
        PixelBuffer out(in.rect().grown(2));
        for (std::int64_t y = in.rect().minY(); y < in.rect().maxY(); ++y)
            std::memcpy(out.at(in.rect().x, y), in.row(y), std::size_t(in.width()) * 16);
        for (std::int64_t x = out.rect().minX(); x < out.rect().maxX(); ++x) out.at(x, out.rect().y)[3] = 1;
        return out;
    });
    // A rotation straight over a clamp (the sampling reads through the clamp).
    const Image tilted = src16.clampedToExtent().transformed(AffineTransform::rotation(0.05)).cropped(Rect{-12, -8, 90, 80});
    return blend(blend(framed, turned.materialized(), 0.25f), tilted, 0.3f).withStage("all");
}

void expectSame(const PixelBuffer& a, const PixelBuffer& b) {
    ASSERT_EQ(a.rect(), b.rect());
    const std::size_t n = std::size_t(a.width() * a.height() * 4);
    std::size_t diff = 0;
    for (std::size_t i = 0; i < n; ++i) diff += std::memcmp(a.data() + i, b.data() + i, 4) != 0;
    EXPECT_EQ(diff, 0u);
}

TEST(Evaluation, TiledParallelFusedMatchesReferenceAtEveryTileSizeAndThreadCount) {
    const Image im = everyKind();
    const Rect r{-15, -15, 95, 90};
    const PixelBuffer ref = detail::evaluateReference(im, r);
    float sum = 0;
    for (std::int64_t i = 0; i < r.width * r.height * 4; ++i) sum += std::fabs(ref.data()[i]);
    EXPECT_GT(sum, 1000.0f);  // the graph draws something
    for (int tile : {16, 23, 64, 256})
        for (int threads : {1, 3, 8}) {
            SCOPED_TRACE(::testing::Message() << "tile " << tile << " threads " << threads);
            const Context ctx({threads, tile});
            RenderStats stats;
            RenderOptions o;
            o.space = OutputSpace::linearWorking;
            o.stats = &stats;
            auto out = ctx.renderFloat(im, r, o);
            ASSERT_TRUE(out);
            expectSame(*out, ref);
            EXPECT_EQ(stats.stages, std::vector<std::string>{"all"});
            EXPECT_EQ(stats.materialized, 3u);  // whole-image blur, raster, materialized()
        }
}

TEST(Evaluation, StrongDownscaleOfASourceReadsItDirectly) {
    const Image src = Image::fromPixels(testing::asymmetricPixels(300, 200));
    for (const Image& thumb : {src.transformed(AffineTransform::scale(0.07, 0.07)),
                               src.transformed(AffineTransform::rotation(0.2).after(AffineTransform::scale(0.1, 0.1)))}) {
        const Rect r = thumb.extent().grown(1);
        auto out = Context({2, 16}).renderFloat(thumb, r);
        ASSERT_TRUE(out);
        expectSame(*out, detail::evaluateReference(thumb, r));
    }
}

TEST(Evaluation, StrongDownscaleOfAComputedImageComputesItOnce) {
    std::atomic<long> pixels{0};
    const Image big = Image::pointwise({Image::fromPixels(testing::asymmetricPixels(400, 300))},
                                       [&](const RowSpan& s, const float* const* in, float* out) {
                                           pixels += s.count;
                                           std::memcpy(out, in[0], std::size_t(s.count) * 16);
                                       });
    const Image thumb = big.transformed(AffineTransform::scale(0.05, 0.05));
    RenderStats stats;
    RenderOptions o;
    o.space = OutputSpace::linearWorking;
    o.stats = &stats;
    auto out = Context({4, 8}).renderFloat(thumb, thumb.extent(), o);
    ASSERT_TRUE(out);
    EXPECT_EQ(stats.materialized, 1u);
    EXPECT_LE(pixels.load(), 400L * 300);
    expectSame(*out, detail::evaluateReference(thumb, thumb.extent()));
}

TEST(Evaluation, FailuresInsideARenderGiveNothing) {
    const Context ctx({2, 16});
    const Image throwing = Image::pointwise({Image::constant({1, 1, 1, 1})}, [](const RowSpan& s, const float* const*, float*) {
        if (s.y == 40) throw std::runtime_error("kernel failure");
    });
    EXPECT_FALSE(ctx.makeBitmap(throwing, Rect{0, 0, 64, 64}));
    // An infinite image shrunk a hundred-thousandfold would need an absurd region per tile:
    // refused, not crashed.
    const Image clamped = testing::coordinateImage(4, 4).clampedToExtent();
    const Image copied = Image::pointwise({clamped}, [](const RowSpan& s, const float* const* in, float* out) {
        std::copy(in[0], in[0] + 4 * s.count, out);
    });
    const Image shrunk = copied.transformed(AffineTransform::scale(1e-5, 1e-5));
    EXPECT_FALSE(shrunk.isEmpty());
    EXPECT_FALSE(ctx.makeBitmap(shrunk, Rect{0, 0, 64, 64}));
    // A transform straight over a clamp reads only the clamped pixels: the same shrink renders,
    // each output pixel repeating the nearest edge pixel of the 4 × 4 image.
    const auto edge = ctx.renderFloat(clamped.transformed(AffineTransform::scale(1e-5, 1e-5)), Rect{0, 0, 64, 64});
    ASSERT_TRUE(edge);
    const float topRight[4] = {3, 3, 3003, 1};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(edge->at(5, 7)[k], topRight[k]);
    EXPECT_TRUE(ctx.makeBitmap(testing::coordinateImage(4, 4)));  // and the context still works
}

TEST(Evaluation, BitmapBytesDoNotDependOnTilingOrThreads) {
    const Image im = everyKind();
    const Rect r{-15, -15, 95, 90};
    const auto base = Context({1, 4096}).makeBitmap(im, r);
    ASSERT_TRUE(base);
    for (int tile : {16, 50, 128}) {
        const auto other = Context({5, tile}).makeBitmap16(im, r);
        const auto other8 = Context({5, tile}).makeBitmap(im, r);
        ASSERT_TRUE(other && other8);
        EXPECT_EQ(other8->pixels, base->pixels);
        const auto base16 = Context({1, 4096}).makeBitmap16(im, r);
        EXPECT_EQ(other->pixels, base16->pixels);
    }
}

TEST(Evaluation, FusedChainEqualsChainWithEveryStepMaterialised) {
    const Image src = Image::fromPixels(testing::asymmetricPixels(300, 200));
    Image fused = src, unfused = src;
    auto gain = [](const Image& in, float g) {
        return Image::pointwise({in}, [g](const RowSpan& s, const float* const* i, float* o) {
            for (int k = 0; k < 4 * s.count; ++k) o[k] = (k % 4 == 3) ? i[0][k] : i[0][k] * g;
        });
    };
    for (float g : {1.5f, 0.7f, 1.1f}) {
        fused = straightInvert(gain(fused, g));
        unfused = straightInvert(gain(unfused, g).materialized()).materialized();
    }
    fused = blend(fused, ramp(), 0.4f);
    unfused = blend(unfused, ramp(), 0.4f);
    const Context ctx({4, 64});
    auto a = ctx.renderFloat(fused, src.extent());
    auto b = ctx.renderFloat(unfused, src.extent());
    ASSERT_TRUE(a && b);
    expectSame(*a, *b);
}

TEST(Evaluation, SharedNodeIsComputedOncePerTile) {
    std::atomic<long> pixels{0}, calls{0};
    const Image counted = Image::pointwise({Image::fromPixels(testing::asymmetricPixels(128, 128))},
                                           [&](const RowSpan& s, const float* const* in, float* out) {
                                               pixels += s.count;
                                               ++calls;
                                               std::memcpy(out, in[0], std::size_t(s.count) * 16);
                                           });
    // Two pointwise consumers and a neighbourhood consumer of the same node.
    const Image im = blend(blend(straightInvert(counted), counted, 0.5f), boxBlur(counted, 1), 0.5f).cropped(Rect{0, 0, 128, 128});
    const Context ctx({3, 64});
    ASSERT_TRUE(ctx.renderFloat(im, Rect{0, 0, 128, 128}));
    // Each 64×64 tile computes the node over the tile grown by the blur's margin (clipped to
    // the image): 65×65 per tile, once.
    EXPECT_EQ(pixels.load(), 4L * 65 * 65);
    EXPECT_EQ(calls.load(), 4L * 65);

    pixels = 0;
    const Image pointwiseOnly = blend(straightInvert(counted), counted, 0.5f);
    ASSERT_TRUE(ctx.renderFloat(pointwiseOnly, Rect{0, 0, 128, 128}));
    EXPECT_EQ(pixels.load(), 128L * 128);
}

TEST(Evaluation, CancellationStopsARender) {
    std::stop_source stop;
    std::atomic<long> rows{0};
    const Image slow = Image::pointwise({Image::fromPixels(testing::asymmetricPixels(512, 512))},
                                        [&](const RowSpan& s, const float* const* in, float* out) {
                                            if (++rows == 10) stop.request_stop();
                                            std::memcpy(out, in[0], std::size_t(s.count) * 16);
                                        });
    const Context ctx({2, 32});
    RenderOptions o;
    o.stop = stop.get_token();
    RenderStats stats;
    o.stats = &stats;
    EXPECT_FALSE(ctx.makeBitmap(slow, std::nullopt, o));
    EXPECT_LT(stats.tiles, 256u / 4);
    EXPECT_LT(rows.load(), 512L * 16 / 4);

    // Stopped before it starts: nothing computed, nothing returned, every output kind.
    rows = 0;
    EXPECT_FALSE(ctx.makeBitmap16(slow, std::nullopt, o));
    EXPECT_FALSE(ctx.renderFloat(slow, slow.extent(), o));
    EXPECT_FALSE(ctx.renderStrips(slow, slow.extent(), PixelFormat::rgba8, 64, [](const Strip&) { return true; }, o));
    EXPECT_EQ(rows.load(), 0);
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

// Nodes computed once per render must also come out right when they are the image rendered.
TEST(Evaluation, MaterialisedNodesAtTheTopOfTheGraphRender) {
    const Rect frame{0, 0, 40, 24};
    Image src = Image::generator(
        [](const RowSpan& s, float* out) {
            for (int i = 0; i < s.count; ++i) {
                out[4 * i] = 0.25f;
                out[4 * i + 1] = float(s.y) / 24.0f;
                out[4 * i + 2] = 0.5f;
                out[4 * i + 3] = 1.0f;
            }
        },
        frame);
    // A raster that fills only the left half of its declared extent.
    Image half = Image::raster(src, frame, [](const PixelBuffer& in) {
        PixelBuffer out(Rect{0, 0, 20, 24});
        for (std::int64_t y = 0; y < 24; ++y)
            for (std::int64_t x = 0; x < 20; ++x)
                for (int c = 0; c < 4; ++c) out.at(x, y)[c] = in.at(x, y)[c] * 2.0f;
        return out;
    });
    Context ctx({.threads = 2, .tileSize = 16});
    auto buf = ctx.renderFloat(half, frame);
    ASSERT_TRUE(buf);
    EXPECT_FLOAT_EQ(buf->at(3, 12)[0], 0.5f);
    EXPECT_FLOAT_EQ(buf->at(3, 12)[1], 1.0f);
    EXPECT_FLOAT_EQ(buf->at(30, 12)[3], 0.0f);  // outside the raster's pixels: transparent

    NeighbourhoodOptions whole;
    whole.margin = 1;
    whole.wholeImage = true;
    Image blurred = Image::neighbourhood(
        src,
        [](const ConstPixelView& in, const PixelView& out) {
            for (std::int64_t y = out.rect.minY(); y < out.rect.maxY(); ++y)
                for (std::int64_t x = out.rect.minX(); x < out.rect.maxX(); ++x)
                    for (int c = 0; c < 4; ++c) out.at(x, y)[c] = in.at(x, y)[c];
        },
        whole);
    auto b2 = ctx.renderFloat(blurred.cropped(frame), frame);
    auto b3 = ctx.renderFloat(blurred, frame);
    auto b4 = ctx.renderFloat(src.materialized(), frame);
    ASSERT_TRUE(b2 && b3 && b4);
    EXPECT_FLOAT_EQ(b2->at(5, 6)[0], 0.25f);
    EXPECT_FLOAT_EQ(b3->at(5, 6)[0], 0.25f);
    EXPECT_FLOAT_EQ(b4->at(5, 6)[2], 0.5f);
}

}  // namespace
}  // namespace vantrel
