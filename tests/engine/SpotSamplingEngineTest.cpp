#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/analysis/SpotSamplingEngine.h"

namespace vantrel {
namespace {

using SpotSamplingEngine::Point;
using SpotSamplingEngine::Spot;

Bitmap filled(int width, int height, std::array<std::uint8_t, 3> rgb) {
    Bitmap b{width, height, OutputSpace::sRGB, OutputPixels<std::uint8_t>(std::size_t(width) * height * 4)};
    for (std::size_t i = 0; i < b.pixels.size(); i += 4) {
        b.pixels[i] = rgb[0];
        b.pixels[i + 1] = rgb[1];
        b.pixels[i + 2] = rgb[2];
        b.pixels[i + 3] = 255;
    }
    return b;
}

// Paints a disc (top-down pixel coordinates).
void disc(Bitmap& b, double cx, double cy, double radius, std::array<std::uint8_t, 3> rgb) {
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= radius) {
                std::uint8_t* p = &b.pixels[(std::size_t(y) * b.width + x) * 4];
                p[0] = rgb[0];
                p[1] = rgb[1];
                p[2] = rgb[2];
            }
}

void expectPoint(Point actual, double x, double y, const char* what) {
    EXPECT_NEAR(actual.x, x, 1e-9) << what;
    EXPECT_NEAR(actual.y, y, 1e-9) << what;
}

TEST(SpotSamplingEngineTest, FallbackRules) {
    const std::vector<Spot> none;
    // Centre of the frame, d = 0.025: (d, 0) and (0, d) score alike, but the shorter diagonal
    // step stays further from the edges and wins.
    const double e = 0.707 * 0.025;
    expectPoint(SpotSamplingEngine::fallbackOffset(none, 0.5, 0.5, 0.01), e, e, "centre");
    // Without a picture the geometric rule decides even though candidates exist.
    expectPoint(SpotSamplingEngine::findBestSource(0.5, 0.5, 0.01, nullptr, none), e, e, "no image");
    // A spot in the way costs (d, 0) and (e, e) their places; the first best of the rest wins.
    const std::vector<Spot> blocking = {{{0.525, 0.5}, 0.02}};
    expectPoint(SpotSamplingEngine::fallbackOffset(blocking, 0.5, 0.5, 0.01), -e, e, "blocked");
    // Near the right edge the offset points away from it.
    expectPoint(SpotSamplingEngine::fallbackOffset(none, 0.97, 0.5, 0.01), -0.025, 0.0, "right edge");
    // No direction stays inside the allowed band: (d, 0).
    expectPoint(SpotSamplingEngine::fallbackOffset(none, 0.5, 0.5, 0.45), 0.99, 0.0, "no room");
}

TEST(SpotSamplingEngineTest, CandidatesRespectEdgesSpotsAndTies) {
    const Bitmap flat = filled(1200, 800, {120, 120, 120});
    const std::vector<Spot> none;
    // Every candidate matches equally well: the inner ring and its first angle win.
    expectPoint(SpotSamplingEngine::findBestSource(0.5, 0.5, 0.02, &flat, none), 2.2 * 16 / 1200, 0.0, "tie");
    // A tiny spot is searched as if it had a radius of 6 pixels.
    expectPoint(SpotSamplingEngine::findBestSource(0.5, 0.5, 0.001, &flat, none), 2.2 * 6 / 1200, 0.0, "tiny");
    // Twenty pixels from the right edge, candidates leaving the frame are dropped; the first
    // that stays points straight down (y grows downwards).
    const Point edge = SpotSamplingEngine::findBestSource((1200 - 20) / 1200.0, 0.5, 0.02, &flat, none);
    expectPoint(edge, 0.0, 2.2 * 16 / 800, "right edge");
    // A candidate touching another spot is dropped: the next angle takes over.
    const std::vector<Spot> blocking = {{{(600 + 35.2) / 1200.0, 0.5}, 0.002}};
    const double a = std::numbers::pi / 6;
    expectPoint(SpotSamplingEngine::findBestSource(0.5, 0.5, 0.02, &flat, blocking), 35.2 * std::cos(a) / 1200,
                35.2 * std::sin(a) / 800, "blocked");
    // The same list of spots through any record with centre and radius.
    struct Record {
        Point center;
        double radius;
    };
    const std::vector<Record> records = {{{(600 + 35.2) / 1200.0, 0.5}, 0.002}};
    EXPECT_EQ(SpotSamplingEngine::findBestSource(0.5, 0.5, 0.02, &flat, records),
              SpotSamplingEngine::findBestSource(0.5, 0.5, 0.02, &flat, blocking));
    // So large a spot that every candidate leaves the frame: the geometric rule.
    expectPoint(SpotSamplingEngine::findBestSource(0.5, 0.5, 0.3, &flat, none), 0.66, 0.0, "no candidate");
}

TEST(SpotSamplingEngineTest, PicksTheMatchingPatchBelowTheSpotAtAnySize) {
    // Grey around the spot, red elsewhere except one grey patch straight below it on the
    // outer ring. The search must find it: this checks the vertical orientation of the
    // sampled region, and for the large spot that samples are scaled with the region.
    struct Case {
        double radius;  // fraction of the shorter side (800)
        double cy;
    };
    for (const Case c : {Case{0.02, 0.5}, Case{0.12, 0.375}}) {
        Bitmap b = filled(1200, 800, {200, 30, 30});
        const double R = c.radius * 800, x = 600, y = c.cy * 800;
        disc(b, x, y, 2.0 * R, {128, 128, 128});
        disc(b, x, y + 3.5 * R, R, {128, 128, 128});
        const Point p = SpotSamplingEngine::findBestSource(0.5, c.cy, c.radius, &b, std::vector<Spot>{});
        EXPECT_NEAR(p.x, 0.0, 1e-9) << c.radius;
        EXPECT_NEAR(p.y, 3.5 * R / 800, 1e-9) << c.radius;
    }
}

TEST(SpotSamplingEngineTest, PassesOverPlacesHoldingDustAndOtherSpots) {
    // Three dark specks 15 pixels apart, healed with a 15-pixel radius: the first one's
    // source must not lie on the other two (the first place of the inner ring, which wins
    // on a plain grey, is right over them), nor the second one's on the first spot or the
    // third speck. On a grainy grey as well: grain is no speck.
    const double R = 15, r = R / 800;
    const auto sourceOf = [&](double x, const Point& offset) { return std::pair(x + offset.x * 1200, 400 + offset.y * 800); };
    const auto apart = [](std::pair<double, double> p, double x, double y) { return std::hypot(p.first - x, p.second - y); };
    for (const bool grainy : {false, true}) {
        Bitmap b = filled(1200, 800, {128, 128, 128});
        std::uint32_t seed = 7;
        for (std::size_t i = 0; grainy && i < b.pixels.size(); i += 4) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;  // -8 ... 7
            for (int c = 0; c < 3; ++c) b.pixels[i + std::size_t(c)] = std::uint8_t(128 + grain);
        }
        for (double x : {600.0, 615.0, 630.0}) disc(b, x, 400, 3, {40, 40, 40});

        const Point first = SpotSamplingEngine::findBestSource(600 / 1200.0, 0.5, r, &b, std::vector<Spot>{});
        const auto s1 = sourceOf(600, first);
        EXPECT_NEAR(apart(s1, 600, 400), 2.2 * R, 1e-6) << grainy;  // a clean place of the inner ring
        for (double x : {615.0, 630.0}) EXPECT_GT(apart(s1, x, 400), R + 3) << grainy << " speck at " << x;

        const std::vector<Spot> placed = {{{0.5, 0.5}, r}};
        const auto s2 = sourceOf(615, SpotSamplingEngine::findBestSource(615 / 1200.0, 0.5, r, &b, placed));
        EXPECT_GT(apart(s2, 630, 400), R + 3) << grainy;
        EXPECT_GE(apart(s2, 600, 400), 2 * R) << grainy;  // clear of the first spot's patch
    }

    // A speck on every place of both rings: the search goes further out rather than copy one.
    Bitmap dusty = filled(1200, 800, {128, 128, 128});
    for (double f : {2.2, 3.5})
        for (int k = 0; k < 12; ++k)
            disc(dusty, 600 + 10 * f * std::cos(k * std::numbers::pi / 6), 400 + 10 * f * std::sin(k * std::numbers::pi / 6),
                 2, {235, 235, 235});
    const Point far = SpotSamplingEngine::findBestSource(0.5, 0.5, 10.0 / 800, &dusty, std::vector<Spot>{});
    EXPECT_GT(std::hypot(far.x * 1200, far.y * 800), 4.5 * 10);
}

TEST(SpotSamplingEngineTest, BorrowedPixelsWithPaddedRowsSearchLikeTheBitmap) {
    // The picture of the interface keeps its own rows, which may be padded: the search
    // must step by the given row length, not by the width.
    Bitmap b = filled(1200, 800, {200, 30, 30});
    disc(b, 600, 400, 32, {128, 128, 128});
    disc(b, 600, 400 + 56, 16, {128, 128, 128});
    const std::size_t row = 1200 * 4 + 64;
    std::vector<std::uint8_t> padded(row * 800, 0xEE);
    for (int y = 0; y < 800; ++y) std::copy_n(b.at(0, y), 1200 * 4, padded.data() + std::size_t(y) * row);
    const SpotSamplingEngine::PixelsView view{padded.data(), 1200, 800, row};
    const std::vector<Spot> none;
    const Point expected = SpotSamplingEngine::findBestSource(0.5, 0.5, 0.02, &b, none);
    EXPECT_EQ(SpotSamplingEngine::findBestSource(0.5, 0.5, 0.02, view, none), expected);
    expectPoint(expected, 0.0, 56.0 / 800, "below");
    // An empty view is no picture: the geometric rule.
    EXPECT_EQ(SpotSamplingEngine::findBestSource(0.5, 0.5, 0.02, SpotSamplingEngine::PixelsView{}, none),
              SpotSamplingEngine::fallbackOffset(none, 0.5, 0.5, 0.02));
}

}  // namespace
}  // namespace vantrel
