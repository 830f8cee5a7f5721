#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include <opencv2/imgproc.hpp>

#include <atomic>
#include <chrono>
#include <memory>
#include <cstring>
#include <future>
#include <initializer_list>

#include "engine/analysis/horizon/HorizonDetector.h"
#include "engine/analysis/horizon/RecedingLines.h"
#include "engine/stages/GeometryStage.h"

namespace vantrel {
namespace {

struct TestBitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
    RgbaView view() const { return {pixels.data(), width, height, std::size_t(width) * 4}; }
};

// Coverage of a pixel by the half-plane t > 0, t being the signed distance of
// the pixel's centre from the edge in pixels: a one-pixel ramp, as a lens and
// scanner would draw a straight edge.
double cover(double t) { return std::clamp(0.5 + t, 0.0, 1.0); }

// A landscape whose horizon and building walls are turned by `tiltDegrees`
// (counter-clockwise on screen), with a little noise.
TestBitmap tiltedLandscape(int width, int height, double tiltDegrees, unsigned seed = 7) {
    TestBitmap b{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    const double t = tiltDegrees * std::numbers::pi / 180.0;
    const double c = std::cos(t), s = std::sin(t);
    const double cx = width / 2.0, cy = height / 2.0, unit = std::min(width, height);
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 4.0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5 - cx, py = cy - (y + 0.5);
            const double u = c * px + s * py, v = -s * px + c * py;  // level scene, v up, pixels
            double building = 0.0;
            for (double left : {-0.6, -0.2, 0.25})
                building += cover(u - left * unit) * cover(left * unit + 0.18 * unit - u) * cover(v + 0.3 * unit);
            const double ground = cover(-v);
            const double value = (1.0 - ground) * (210.0 - 60.0 * v / unit) + ground * (70.0 + 50.0 * building);
            const auto g = std::uint8_t(std::clamp(value + noise(rng), 0.0, 255.0));
            std::uint8_t* p = &b.pixels[(std::size_t(y) * width + x) * 4];
            p[0] = g;
            p[1] = std::uint8_t(std::min(255, g + 10));
            p[2] = std::uint8_t(std::min(255, g + 25));
            p[3] = 255;
        }
    return b;
}

// A sharp sea horizon turned by `tiltDegrees`, a dark headland hiding it over
// the left `rock` share of the width.
TestBitmap seaBehindHeadland(int width, int height, double tiltDegrees, double rock) {
    TestBitmap b{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    const double t = tiltDegrees * std::numbers::pi / 180.0, c = std::cos(t), s = std::sin(t);
    const double cx = width / 2.0, cy = height / 2.0;
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0.0, 3.0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5 - cx, py = cy - (y + 0.5);
            const double u = c * px + s * py, v = -s * px + c * py;
            const double sea = cover(-v), land = cover(rock * width - (u + cx)) * cover(0.2 * height - v);
            const double value = land * 35 + (1 - land) * (sea * 90 + (1 - sea) * (200 - 40 * v / height));
            const auto g = std::uint8_t(std::clamp(value + noise(rng), 0.0, 255.0));
            std::uint8_t* p = &b.pixels[(std::size_t(y) * width + x) * 4];
            p[0] = p[1] = g;
            p[2] = std::uint8_t(std::min(255, g + 20));
            p[3] = 255;
        }
    return b;
}

TEST(HorizonDetectorTest, MeasuresTiltAlikeOnLandscapePortraitAndSquareFrames) {
    struct Frame { int w, h; };
    for (const Frame f : {Frame{1200, 800}, Frame{800, 1200}, Frame{1000, 1000}})
        for (double tilt : {-3.0, 2.0, -0.7, 8.3, 0.0}) {
            const auto angle = HorizonDetector::measureHorizonAngle(tiltedLandscape(f.w, f.h, tilt).view());
            ASSERT_TRUE(angle.has_value()) << f.w << "x" << f.h << " tilt " << tilt;
            EXPECT_NEAR(*angle, -tilt, 0.2) << f.w << "x" << f.h << " tilt " << tilt;
            EXPECT_FALSE(std::signbit(*angle) && *angle == 0.0);
        }
    // A headland hiding a third of a sea horizon leaves it the horizon.
    for (double tilt : {-2.0, 1.5}) {
        const auto angle = HorizonDetector::measureHorizonAngle(seaBehindHeadland(1200, 800, tilt, 0.3).view());
        ASSERT_TRUE(angle.has_value()) << "headland, tilt " << tilt;
        EXPECT_NEAR(*angle, -tilt, 0.3) << "headland, tilt " << tilt;
    }
}

// A sky over a mottled field whose own edges far outnumber the horizon's.
TestBitmap horizonOverMottledField(int width, int height, double tiltDegrees) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const int cell = 16, gw = width / cell + 2, gh = height / cell + 2;
    std::vector<double> field(std::size_t(gw) * gh);
    for (double& f : field) f = 40.0 + 100.0 * u(rng);
    const double t = tiltDegrees * std::numbers::pi / 180.0;
    TestBitmap b{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Smoothstep-blended cells: soft blobs with edges in every direction.
            const double fx = double(x) / cell, fy = double(y) / cell;
            const int ix = int(fx), iy = int(fy);
            auto smooth = [](double v) { return v * v * (3 - 2 * v); };
            const double sx = smooth(fx - ix), sy = smooth(fy - iy);
            auto at = [&](int i, int j) { return field[std::size_t(j) * gw + i]; };
            const double ground = (at(ix, iy) * (1 - sx) + at(ix + 1, iy) * sx) * (1 - sy) +
                                  (at(ix, iy + 1) * (1 - sx) + at(ix + 1, iy + 1) * sx) * sy;
            const double px = x + 0.5 - width / 2.0, py = height / 2.0 - (y + 0.5);
            const double sky = cover(-std::sin(t) * px + std::cos(t) * py + 0.25 * height);
            const auto g = std::uint8_t(std::clamp(sky * 200.0 + (1 - sky) * ground, 0.0, 255.0));
            std::uint8_t* p = &b.pixels[(std::size_t(y) * width + x) * 4];
            p[0] = p[1] = p[2] = g;
            p[3] = 255;
        }
    return b;
}

TEST(HorizonDetectorTest, FindsAHorizonAboveHeavyTexture) {
    for (double tilt : {-3.0, 2.0}) {
        const auto angle = HorizonDetector::measureHorizonAngle(horizonOverMottledField(1200, 800, tilt).view());
        ASSERT_TRUE(angle.has_value()) << tilt;
        EXPECT_NEAR(*angle, -tilt, 0.2) << tilt;
    }
}

// Overlapping soft-edged discs: plenty of strong edges, but no direction
// stands out.
TestBitmap discs(int width, int height, unsigned seed) {
    TestBitmap b{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4, 128)};
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> ux(0, width), uy(0, height), ur(15, 120), ug(0, 255);
    std::vector<double> grey(std::size_t(width) * height, 128.0);
    for (int k = 0; k < 80; ++k) {
        const double cx = ux(rng), cy = uy(rng), r = ur(rng), value = ug(rng);
        for (int y = std::max(0, int(cy - r - 2)); y < std::min(height, int(cy + r + 2)); ++y)
            for (int x = std::max(0, int(cx - r - 2)); x < std::min(width, int(cx + r + 2)); ++x) {
                const double a = cover(r - std::hypot(x + 0.5 - cx, y + 0.5 - cy));
                double& g = grey[std::size_t(y) * width + x];
                g = g * (1 - a) + value * a;
            }
    }
    for (std::size_t i = 0; i < grey.size(); ++i) {
        const auto g = std::uint8_t(std::lround(grey[i]));
        b.pixels[i * 4] = b.pixels[i * 4 + 1] = b.pixels[i * 4 + 2] = g;
        b.pixels[i * 4 + 3] = 255;
    }
    return b;
}

TEST(HorizonDetectorTest, FindsNothingWithoutADominantDirection) {
    for (unsigned seed : {1u, 2u, 3u})
        EXPECT_FALSE(HorizonDetector::measureHorizonAngle(discs(1200, 800, seed).view())) << "seed " << seed;

    // Featureless grey: no edge is strong enough to vote.
    TestBitmap flat{900, 600, std::vector<std::uint8_t>(900 * 600 * 4, 140)};
    EXPECT_FALSE(HorizonDetector::measureHorizonAngle(flat.view()));

    // Lines leaning 30 degrees from both axes do not vote, however strong.
    EXPECT_FALSE(HorizonDetector::measureHorizonAngle(tiltedLandscape(900, 600, 30.0).view()));

    // Nothing to measure in an empty or a sliver of a bitmap.
    EXPECT_FALSE(HorizonDetector::measureHorizonAngle(RgbaView{}));
    const TestBitmap sliver = tiltedLandscape(4000, 6, 2.0);
    EXPECT_FALSE(HorizonDetector::measureHorizonAngle(sliver.view()));
}

Image imageOf(const TestBitmap& b) {
    SourcePixels p = SourcePixels::allocate(b.width, b.height, 4, SampleType::uint8);
    for (int y = 0; y < b.height; ++y) std::memcpy(p.mutableRow(y), &b.pixels[std::size_t(y) * b.width * 4], std::size_t(b.width) * 4);
    return Image::fromPixels(std::move(p));
}

// A grey picture of `grey` (width × height values) under grain of 3 grey levels.
TestBitmap grainedBitmap(int width, int height, const std::vector<double>& grey, std::mt19937& rng) {
    TestBitmap b{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    std::normal_distribution<double> grain(0.0, 3.0);
    for (std::size_t i = 0; i < grey.size(); ++i) {
        const auto g = std::uint8_t(std::clamp(grey[i] + grain(rng), 0.0, 255.0));
        b.pixels[i * 4] = b.pixels[i * 4 + 1] = b.pixels[i * 4 + 2] = g;
        b.pixels[i * 4 + 3] = 255;
    }
    return b;
}

// A calm dusk: sky over water parted by a horizon of `contrast` (share of full
// scale) turned by `tiltDegrees`, under grain of `noise` grey levels.
TestBitmap faintHorizon(int width, int height, double tiltDegrees, double contrast, double noise, unsigned seed) {
    TestBitmap b{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    const double t = tiltDegrees * std::numbers::pi / 180.0;
    std::mt19937 rng(seed);
    std::normal_distribution<double> grain(0.0, noise);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5 - width / 2.0, py = height / 2.0 - (y + 0.5);
            const double v = -std::sin(t) * px + std::cos(t) * py + 0.1 * height;  // above the horizon > 0
            const double value = 90.0 + 255.0 * contrast * cover(v) + 10.0 * py / height + grain(rng);
            const auto g = std::uint8_t(std::clamp(value, 0.0, 255.0));
            std::uint8_t* p = &b.pixels[(std::size_t(y) * width + x) * 4];
            p[0] = p[1] = g;
            p[2] = std::uint8_t(std::min(255, g + 12));
            p[3] = 255;
        }
    return b;
}

// A wood: dark trunks of many widths before a lighter, mottled undergrowth,
// with short strokes of twigs leaning every way. Each trunk leans by `minLean`
// to `maxLean` degrees either way (upright when both are 0).
TestBitmap trunks(int width, int height, unsigned seed, double minLean = 0.0, double maxLean = 0.0) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<double> grey(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            grey[std::size_t(y) * width + x] = 150.0 + 25.0 * std::sin(x * 0.05 + 2.0 * std::sin(y * 0.03)) * std::cos(y * 0.07);
    for (int k = 0; k < 60; ++k) {  // twigs
        const double cx = u(rng) * width, cy = u(rng) * height, a = u(rng) * std::numbers::pi, len = 10 + 30 * u(rng);
        for (double s = -len / 2; s <= len / 2; s += 0.5) {
            const int x = int(cx + s * std::cos(a)), y = int(cy + s * std::sin(a));
            if (x >= 0 && x < width && y >= 0 && y < height) grey[std::size_t(y) * width + x] = 70.0;
        }
    }
    for (int k = 0; k < 14; ++k) {  // trunks, each over part of the height
        const double base = u(rng) * width, w = 6 + 30 * u(rng), top = u(rng) * 0.4 * height;
        const double shade = 30.0 + 40.0 * u(rng);
        const double lean = (k % 2 ? -1 : 1) * (minLean + (maxLean - minLean) * u(rng));
        const double shift = std::tan(lean * std::numbers::pi / 180.0);
        for (int y = int(top); y < height; ++y) {
            const double left = base + (height - y) * shift;
            for (int x = std::max(0, int(left) - 1); x < std::min(width, int(left + w) + 2); ++x) {
                const double a = cover(x + 0.5 - left) * cover(left + w - x - 0.5);
                double& g = grey[std::size_t(y) * width + x];
                g = g * (1 - a) + shade * a;
            }
        }
    }
    return grainedBitmap(width, height, grey, rng);
}

TEST(HorizonDetectorTest, FindsAFaintHorizonUnderNoiseAndLevelTrunks) {
    // A horizon of 5 % contrast, weaker than the grain at any single pixel.
    for (double tilt : {-2.4, 1.3, 0.0}) {
        const auto angle = HorizonDetector::measureHorizonAngle(faintHorizon(1500, 1000, tilt, 0.05, 8.0, 3).view());
        ASSERT_TRUE(angle.has_value()) << tilt;
        EXPECT_NEAR(*angle, -tilt, 0.15) << tilt;
    }
    // Without a horizon the same grain holds no line.
    EXPECT_FALSE(HorizonDetector::measureHorizonAngle(faintHorizon(1500, 1000, 0.0, 0.0, 8.0, 3).view()));

    // Upright trunks of a level wood say level, not the lean of the twigs.
    for (unsigned seed : {1u, 2u}) {
        const TestBitmap wood = trunks(1200, 800, seed);
        EXPECT_EQ(HorizonDetector::measureHorizonAngle(wood.view()).value_or(99), 0.0) << seed;
        // Turned, the trunks tell by how much.
        CropParameters crop;
        crop.straightenAngle = 3.0;
        const Image turned = applyGeometry(imageOf(wood), crop, Framing::cropped);
        EXPECT_NEAR(HorizonDetector::detectHorizonAngle(turned).get().value_or(99), -3.0, 0.2) << seed;
    }
    // A wood whose trunks lean 1.5 to 4 degrees, each its own way, has no
    // horizon: those leaning alike would otherwise turn it by their lean.
    for (unsigned seed : {5u, 7u, 16u, 23u, 26u})
        EXPECT_FALSE(HorizonDetector::measureHorizonAngle(trunks(1200, 800, seed, 1.5, 4.0).view())) << seed;
}

// A sea under a sky, its horizon turned by `tiltDegrees` and blurred over
// `softness` pixels, behind dense grass stems that lean -10 ... 40 degrees
// and reach from the bottom to above the horizon in places.
TestBitmap horizonBehindGrass(int width, int height, double tiltDegrees, double softness, unsigned seed) {
    const double t = tiltDegrees * std::numbers::pi / 180.0;
    const double cx = width / 2.0, cy = height / 2.0;
    std::vector<double> grey(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Distance below the horizon, which passes 0.35 of the height up the centre.
            const double d = (y + 0.5 - cy + 0.15 * height) * std::cos(t) + (x + 0.5 - cx) * std::sin(t);
            const double sea = 0.5 * std::erfc(-d / (softness * std::numbers::sqrt2));
            grey[std::size_t(y) * width + x] = 185.0 - 0.03 * y + sea * (120.0 - 185.0);
        }
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int stem = 0; stem < 260; ++stem) {
        const double lean = (-10.0 + 50.0 * u(rng)) * std::numbers::pi / 180.0;
        const double length = (0.15 + 0.35 * u(rng)) * height;
        const double x0 = u(rng) * width * 1.2 - 0.1 * width, y0 = height * (0.75 + 0.3 * u(rng));
        const double shade = u(rng) < 0.5 ? 60.0 : 220.0;
        // A stem three pixels wide, drawn as a run of discs along its axis.
        for (double s = 0; s < length; s += 1.0) {
            const double px = x0 - s * std::sin(lean), py = y0 - s * std::cos(lean);
            for (int y = int(py) - 2; y <= int(py) + 2; ++y)
                for (int x = int(px) - 2; x <= int(px) + 2; ++x) {
                    if (x < 0 || y < 0 || x >= width || y >= height) continue;
                    const double a = cover(1.5 - std::hypot(x + 0.5 - px, y + 0.5 - py));
                    double& g = grey[std::size_t(y) * width + x];
                    g = g * (1 - a) + shade * a;
                }
        }
    }
    return grainedBitmap(width, height, grey, rng);
}

TEST(HorizonDetectorTest, ASoftHorizonBetweenCalmRegionsOutweighsLeaningGrass) {
    // No straight segment runs along a horizon blurred over 12 pixels, while the
    // stems give many straight, near-parallel, leaning ones: the tone of sky and
    // sea still steps at one line across the whole width.
    for (double tilt : {-2.3, 0.0, 1.4}) {
        const auto angle = HorizonDetector::measureHorizonAngle(horizonBehindGrass(1200, 800, tilt, 20.0, 4).view());
        ASSERT_TRUE(angle.has_value()) << tilt;
        EXPECT_NEAR(*angle, -tilt, 0.2) << tilt;
    }
}

TEST(HorizonDetectorTest, TheAngleIsTheStraighteningThatLevelsTheFrame) {
    // Turned by the geometry stage's own straightening, the frame asks for that turn undone,
    // and straightening by the answer brings it back level.
    const Image level = imageOf(tiltedLandscape(1500, 1000, 0.0));
    for (double turn : {-4.2, 1.7}) {
        CropParameters crop;
        crop.straightenAngle = turn;
        const Image turned = applyGeometry(level, crop, Framing::cropped);
        const auto angle = HorizonDetector::detectHorizonAngle(turned).get();
        ASSERT_TRUE(angle.has_value()) << turn;
        EXPECT_NEAR(*angle, -turn, 0.15) << turn;
        crop.straightenAngle = *angle;
        EXPECT_EQ(HorizonDetector::detectHorizonAngle(applyGeometry(turned, crop, Framing::cropped)).get().value_or(99), 0.0) << turn;
    }
}


// A facade seen looking up: the edges of its window columns meet far above the
// frame, so each leans by how far it stands from the centre column; all stand
// right of the centre, so the leans are one-sided. The whole frame is then
// turned by `tiltDegrees`. The verticals meet `vanish` shorter sides above the centre.
TestBitmap convergingFacade(int width, int height, double tiltDegrees, double vanishAt = 2.5) {
    TestBitmap b{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    const double t = tiltDegrees * std::numbers::pi / 180.0;
    const double c = std::cos(t), s = std::sin(t);
    const double cx = width / 2.0, cy = height / 2.0, unit = std::min(width, height);
    const double vanish = vanishAt * unit;
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 3.0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5 - cx, py = cy - (y + 0.5);
            const double u = c * px + s * py, v = -s * px + c * py;
            const double a = u / (1.0 - v / vanish);  // the column where this point's line crosses the centre row
            double dark = 0.0;
            for (double left : {0.04, 0.2, 0.36, 0.52, 0.68})
                dark += cover(a - left * unit) * cover(left * unit + 0.07 * unit - a);
            const auto g = std::uint8_t(std::clamp(190.0 - 110.0 * dark + noise(rng), 0.0, 255.0));
            std::uint8_t* p = &b.pixels[(std::size_t(y) * width + x) * 4];
            p[0] = p[1] = p[2] = g;
            p[3] = 255;
        }
    return b;
}

TEST(HorizonDetectorTest, ReadsConvergingVerticalsAtTheCentreColumn) {
    // The side columns lean by up to 15 degrees; read at the centre they stand upright.
    for (double tilt : {-3.2, 0.0, 2.5}) {
        const auto angle = HorizonDetector::measureHorizonAngle(convergingFacade(1200, 900, tilt).view());
        ASSERT_TRUE(angle.has_value()) << tilt;
        EXPECT_NEAR(*angle, -tilt, 0.3) << tilt;
    }
    // Looking up steeply the side columns lean by up to 30 degrees: the tangent of each
    // lean, not the lean itself, grows in step with the column, so the reading stays fine.
    for (double tilt : {-1.4, 0.0, 2.1}) {
        const auto angle = HorizonDetector::measureHorizonAngle(convergingFacade(1200, 900, tilt, 1.2).view());
        ASSERT_TRUE(angle.has_value()) << tilt;
        EXPECT_NEAR(*angle, -tilt, 0.15) << tilt;
    }
}

// A house seen at an angle: upright window columns under the long edge of a
// roof that recedes, falling by `gutterDegrees` across the frame; the whole
// frame is then turned by `tiltDegrees`.
TestBitmap houseUnderRecedingGutter(int width, int height, double tiltDegrees, double gutterDegrees) {
    TestBitmap b{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    const double t = tiltDegrees * std::numbers::pi / 180.0, slope = std::tan(gutterDegrees * std::numbers::pi / 180.0);
    const double c = std::cos(t), s = std::sin(t);
    const double cx = width / 2.0, cy = height / 2.0, unit = std::min(width, height);
    std::mt19937 rng(13);
    std::normal_distribution<double> noise(0.0, 3.0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5 - cx, py = cy - (y + 0.5);
            const double u = c * px + s * py, v = -s * px + c * py;
            const double roof = cover(v - 0.2 * unit + slope * u);  // above the gutter
            double dark = 0.0;
            for (double left : {-0.62, -0.3, 0.1, 0.45})
                dark += cover(u - left * unit) * cover(left * unit + 0.09 * unit - u) * cover(v + 0.4 * unit);
            const double wall = 200.0 - 90.0 * dark;
            const auto g = std::uint8_t(std::clamp(roof * 45.0 + (1 - roof) * wall + noise(rng), 0.0, 255.0));
            std::uint8_t* p = &b.pixels[(std::size_t(y) * width + x) * 4];
            p[0] = p[1] = p[2] = g;
            p[3] = 255;
        }
    return b;
}

TEST(HorizonDetectorTest, UprightWallsOutweighARecedingEdge) {
    // The gutter spans the whole width but falls 7 degrees with perspective; the
    // window columns stand upright whatever way the camera looks sideways.
    for (double tilt : {-2.6, 0.0, 1.8}) {
        const auto angle = HorizonDetector::measureHorizonAngle(houseUnderRecedingGutter(1200, 800, tilt, 7.0).view());
        ASSERT_TRUE(angle.has_value()) << tilt;
        EXPECT_NEAR(*angle, -tilt, 0.2) << tilt;
    }
    // A level line that agrees with the walls is the finer reading and stays.
    const auto level = HorizonDetector::measureHorizonAngle(houseUnderRecedingGutter(1200, 800, 2.4, 0.0).view());
    ASSERT_TRUE(level.has_value());
    EXPECT_NEAR(*level, -2.4, 0.15);
}

// A level room seen from one side: upright door frames and a wall corner in
// the left half, and across the frame a few short edges (arms, a chair's legs)
// leaning 5 to 8 degrees either way.
TestBitmap roomWithLeaningLimbs(int width, int height) {
    std::vector<double> grey(std::size_t(width) * height, 170.0);
    // A dark bar `thickness` wide from (x0, y0) along the lean, `length` long.
    const auto bar = [&](double x0, double y0, double leanDegrees, double length, double thickness, double shade) {
        const double a = leanDegrees * std::numbers::pi / 180.0, ux = std::sin(a), uy = -std::cos(a);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const double px = x + 0.5 - x0, py = y + 0.5 - y0;
                const double along = px * ux + py * uy, across = std::abs(px * uy - py * ux);
                if (along < 0 || along > length || across > thickness / 2 + 1) continue;
                const double c = cover(thickness / 2 - across);
                double& g = grey[std::size_t(y) * width + x];
                g = g * (1 - c) + shade * c;
            }
    };
    for (double left : {0.14, 0.24, 0.33}) bar(left * width, 0.85 * height, 0.0, 0.7 * height, 8, 60);
    const double limbs[][2] = {{0.07, 6.0}, {0.45, -7.0}, {0.62, 8.0}, {0.74, -5.0}, {0.9, -8.0}};
    for (const auto& [left, lean] : limbs) bar(left * width, 0.75 * height, lean, 0.2 * height, 6, 70);
    std::mt19937 rng(3);
    return grainedBitmap(width, height, grey, rng);
}

TEST(HorizonDetectorTest, AFewLeaningEdgesDoNotMakeUprightWallsConverge) {
    // Fitted as converging verticals, the leaning edges would tip the lean
    // read at the centre column; a pencil explains too little of their spread,
    // and the walls stay upright. Which short edges are found, and so which
    // ones the fit keeps, changes with every turn of the frame; the reading
    // must not.
    const TestBitmap room = roomWithLeaningLimbs(1200, 800);
    EXPECT_EQ(HorizonDetector::measureHorizonAngle(room.view()).value_or(99), 0.0);
    for (double turn : {-4.6, -2.2, -0.7, 1.6, 1.9, 4.7}) {
        CropParameters crop;
        crop.straightenAngle = turn;
        const Image turned = applyGeometry(imageOf(room), crop, Framing::cropped);
        EXPECT_NEAR(HorizonDetector::detectHorizonAngle(turned).get().value_or(99), -turn, 0.2) << turn;
    }
}

// A level room whose door frames and wall corner all stand in the left third,
// each off plumb by a few tenths of a degree as built ones are, the leans
// happening to grow towards the centre.
TestBitmap doorFramesToOneSide(int width, int height) {
    std::vector<double> grey(std::size_t(width) * height, 175.0);
    const double frames[][2] = {{0.04, 0.6}, {0.11, 0.2}, {0.18, -0.2}, {0.25, -0.6}};
    for (const auto& [left, leanDegrees] : frames) {
        const double x0 = left * width, y0 = 0.9 * height, lean = std::tan(leanDegrees * std::numbers::pi / 180.0);
        for (int y = int(0.1 * height); y < int(y0); ++y)
            for (int x = 0; x < width; ++x) {
                const double centre = x0 + (y0 - y - 0.5) * lean, across = std::abs(x + 0.5 - centre);
                if (across > 6) continue;
                double& g = grey[std::size_t(y) * width + x];
                g = g * (1 - cover(5 - across)) + 55.0 * cover(5 - across);
            }
    }
    std::mt19937 rng(9);
    return grainedBitmap(width, height, grey, rng);
}

TEST(HorizonDetectorTest, VerticalsToOneSideAreNotReadAsAPencilFarFromThem) {
    // A pencil through leans this small over a third of the width would be read
    // at the centre column by more than a degree off; the frames are parallel.
    const TestBitmap room = doorFramesToOneSide(1200, 800);
    EXPECT_EQ(HorizonDetector::measureHorizonAngle(room.view()).value_or(99), 0.0);
    for (double turn : {-2.7, 1.9}) {
        CropParameters crop;
        crop.straightenAngle = turn;
        const Image turned = applyGeometry(imageOf(room), crop, Framing::cropped);
        EXPECT_NEAR(HorizonDetector::detectHorizonAngle(turned).get().value_or(99), -turn, 0.3) << turn;
    }
}

// A road seen from its verge, turned by `tiltDegrees`: bright rails and
// markings run across the whole width, receding to a vanishing point far off
// to the left on the horizon, and fan out below it. Over the land the horizon
// is a wavy line of trees; over the sea (`sea`) a soft, straight step.
TestBitmap roadUnderSky(int width, int height, double tiltDegrees, bool sea) {
    const double t = tiltDegrees * std::numbers::pi / 180.0, c = std::cos(t), s = std::sin(t);
    const double w = width, h = height, horizon = 0.1 * h, vanishU = -2.0 * w;
    std::vector<double> grey(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5 - w / 2, py = h / 2 - (y + 0.5);
            const double u = c * px + s * py, v = -s * px + c * py;  // level scene, v up
            const double edge = sea ? horizon : horizon + 0.03 * h * (std::sin(u * 0.021) + 0.6 * std::sin(u * 0.057 + 1.0));
            const double sky = sea ? 0.5 * std::erfc(-(v - edge) / (4.0 * std::numbers::sqrt2)) : cover(v - edge);
            double value = sky * (200.0 - 40.0 * v / h) + (1 - sky) * 85.0;
            // Each rail passes the vanishing point and meets the right edge `drop` heights below the horizon.
            for (double drop : {0.2, 0.3, 0.42, 0.55, 0.7}) {
                const double du = 0.5 * w - vanishU, dv = -drop * h, len = std::hypot(du, dv);
                const double across = std::abs((u - vanishU) * dv - (v - horizon) * du) / len;
                value += (215.0 - value) * cover(2.5 - across);
            }
            grey[std::size_t(y) * width + x] = value;
        }
    std::mt19937 rng(17);
    return grainedBitmap(width, height, grey, rng);
}

TEST(HorizonDetectorTest, RecedingRailsAreNoHorizon) {
    // The rails span the whole width, tilted 3 to 11 degrees by perspective, yet none is
    // level: the frame is read by the wavy line of trees that the rails' point lies on.
    for (double tilt : {-1.6, 0.0, 2.1}) {
        const auto angle = HorizonDetector::measureHorizonAngle(roadUnderSky(1200, 800, tilt, false).view());
        ASSERT_TRUE(angle.has_value()) << tilt;
        EXPECT_NEAR(*angle, -tilt, 0.5) << tilt;
    }
    // A soft sea horizon above them is the level line, however short of a
    // straight segment it is.
    for (double tilt : {-1.6, 0.0, 2.1}) {
        const auto angle = HorizonDetector::measureHorizonAngle(roadUnderSky(1200, 800, tilt, true).view());
        ASSERT_TRUE(angle.has_value()) << tilt;
        EXPECT_NEAR(*angle, -tilt, 0.2) << tilt;
    }
}

// Straight segments (x0, y0, x1, y1 in pixels of a 600 x 400 frame) from `from` (x, y)
// towards `point`, each `length` pixels long.
std::vector<cv::Vec4f> towards(cv::Point2d point, const std::vector<cv::Point2d>& from, double length) {
    std::vector<cv::Vec4f> lines;
    for (const cv::Point2d& a : from) {
        const cv::Point2d d = (point - a) * (length / cv::norm(point - a));
        lines.emplace_back(float(a.x), float(a.y), float(a.x + d.x), float(a.y + d.y));
    }
    return lines;
}

TEST(HorizonDetectorTest, RecedingLinesMeetAtTheirVanishingPoint) {
    const cv::Size frame(600, 400);
    std::vector<bool> member;
    // Five boards of a floor running away to a point on the horizon right of the frame,
    // and a window sill that does not: the point is found, the boards and not the sill run
    // through it.
    const cv::Point2d point(900, 120);
    std::vector<cv::Vec4f> lines = towards(point, {{0, 180}, {0, 230}, {0, 290}, {0, 360}, {80, 399}}, 420);
    lines.emplace_back(40, 60, 260, 58);
    const auto found = horizon::vanishingPoint(lines, frame, member);
    ASSERT_TRUE(found.has_value());
    EXPECT_NEAR(found->x * frame.width, point.x, 12);
    EXPECT_NEAR(found->y * frame.height, point.y, 4);
    EXPECT_EQ(std::count(member.begin(), member.end(), true), 5);
    EXPECT_FALSE(member.back());
    // Rows of a floor: their tilt grows with their depth below the horizon, a fan; level
    // lines at one tilt are not one.
    std::vector<horizon::LevelLine> fan, parallel;
    for (double row : {0.45, 0.55, 0.7, 0.85}) {
        fan.push_back({row, std::tan(horizon::radians(15.0 * (row - 0.3))), 400});
        parallel.push_back({row, std::tan(horizon::radians(1.5)), 400});
    }
    EXPECT_TRUE(horizon::fansOut(fan));
    EXPECT_FALSE(horizon::fansOut(parallel));
    EXPECT_TRUE(horizon::parallelPlanks(parallel, 1.5));
    EXPECT_FALSE(horizon::parallelPlanks(parallel, 2.5));
    EXPECT_FALSE(horizon::parallelPlanks(std::vector(parallel.begin(), parallel.begin() + 3), 1.5));

    // No fan: three lines only; parallel lines, which meet nowhere in reach; lines meeting
    // below them; a point far off to the side, where nearly parallel courses of a wall meet.
    EXPECT_FALSE(horizon::vanishingPoint(towards(point, {{0, 180}, {0, 260}, {0, 360}}, 420), frame, member));
    EXPECT_FALSE(horizon::vanishingPoint(towards({-1e6, 200}, {{0, 180}, {0, 230}, {0, 290}, {0, 360}, {0, 390}}, 420), frame, member));
    EXPECT_FALSE(horizon::vanishingPoint(towards({900, 395}, {{0, 20}, {0, 80}, {0, 140}, {0, 200}, {0, 260}}, 420), frame, member));
    EXPECT_FALSE(horizon::vanishingPoint(towards({3500, 150}, {{0, 180}, {0, 230}, {0, 290}, {0, 360}, {0, 390}}, 420), frame, member));
    // A point three widths to the side still makes a fan, but it lies too loosely along
    // the horizon to read the horizon's tilt through it; half a width off it does not.
    const auto aside = horizon::vanishingPoint(towards({2100, 150}, {{0, 180}, {0, 230}, {0, 290}, {0, 360}, {0, 399}}, 420), frame, member);
    ASSERT_TRUE(aside.has_value());
    EXPECT_TRUE(horizon::farToTheSide(*aside));
    EXPECT_FALSE(horizon::farToTheSide(*found));
}

// A lake under a sky, their soft far shore turned by `tiltDegrees`, and across
// the foreground the dark seam between two boards of a jetty, which recedes
// towards a vanishing point on the horizon far off to the right and so falls
// by 3 degrees to the left: one straight line across the whole width, too
// few to fan out as a road's edges do.
TestBitmap jettySeamBeforeSoftShore(int width, int height, double tiltDegrees) {
    const double t = tiltDegrees * std::numbers::pi / 180.0, c = std::cos(t), s = std::sin(t);
    const double w = width, h = height, horizon = 0.15 * h, vanishU = 6.0 * w;
    // Distance of (u, v) from the line through the vanishing point that
    // meets the frame's right edge `drop` heights below the horizon.
    const auto across = [&](double u, double v, double drop) {
        const double du = 0.5 * w - vanishU, dv = -drop * h;
        return ((u - vanishU) * dv - (v - horizon) * du) / std::hypot(du, dv);
    };
    std::vector<double> grey(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5 - w / 2, py = h / 2 - (y + 0.5);
            const double u = c * px + s * py, v = -s * px + c * py;  // level scene, v up
            const double sky = 0.5 * std::erfc(-(v - horizon) / (5.0 * std::numbers::sqrt2));
            double value = sky * (195.0 - 30.0 * v / h) + (1 - sky) * 120.0;
            value += (60.0 - value) * cover(2.5 - std::abs(across(u, v, 0.42)));
            grey[std::size_t(y) * width + x] = value;
        }
    std::mt19937 rng(19);
    return grainedBitmap(width, height, grey, rng);
}

TEST(HorizonDetectorTest, ASeamRecedingUnderASoftShoreDoesNotDecide) {
    // The seam is the frame's one long straight line; read as level it would
    // turn the frame by 3 degrees the wrong way. The soft shore steps across
    // the whole width between calm sky and water, and the seam disagrees with
    // it: it recedes towards the horizon.
    for (double tilt : {-3.0, 0.0, 2.2}) {
        const auto angle = HorizonDetector::measureHorizonAngle(jettySeamBeforeSoftShore(1200, 800, tilt).view());
        ASSERT_TRUE(angle.has_value()) << tilt;
        EXPECT_NEAR(*angle, -tilt, 0.2) << tilt;
    }
}

// A pier `boards` wide seen from `up` board widths above its near end: its
// boards recede to a vanishing point on the horizon `vanish` widths right of
// the centre, their sharp seams fanning out over the lower part, and it ends
// `end` heights below the horizon at the centre column. Beyond lies a lake
// under a wooded far shore, all out of focus; the waterline is the horizon,
// turned by `tiltDegrees` with the whole frame.
TestBitmap pierUnderSoftShore(int width, int height, double tiltDegrees, double vanish, double boards, double up, double end) {
    const double t = tiltDegrees * std::numbers::pi / 180.0, c = std::cos(t), s = std::sin(t);
    const double w = width, h = height, horizon = 0.2 * h, yaw = std::atan(vanish);
    // Ground coordinates along the boards and across them (in board widths) of
    // the point `d` pixels below the horizon and `u` right of the centre.
    const auto ground = [&](double u, double d) {
        const double z = w / d, x = u / d;
        return std::pair{x * std::sin(yaw) + z * std::cos(yaw), up * (x * std::cos(yaw) - z * std::sin(yaw))};
    };
    const double far = ground(0.0, end * h).first, middle = ground(0.0, 0.7 * h).second;
    std::vector<double> grey(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5 - w / 2, py = h / 2 - (y + 0.5);
            const double u = c * px + s * py, v = -s * px + c * py;  // level scene, v up
            const double soft = 6.0 * std::numbers::sqrt2, trees = horizon + 0.03 * h * (1.2 + std::sin(u * 0.013) * std::sin(u * 0.047));
            const double sky = 0.5 * std::erfc(-(v - trees) / soft), land = 0.5 * std::erfc(-(v - horizon) / soft);
            double value = sky * (200.0 - 30.0 * v / h) + (land - sky) * 75.0 + (1 - land) * 125.0;
            const double d = horizon - v;
            if (d > 2) {
                // Seams and the pier's edges drawn with a one-pixel ramp across.
                const auto [along, across] = ground(u, d);
                const auto [alongRight, acrossRight] = ground(u + 1, d);
                const auto [alongBelow, acrossBelow] = ground(u, d + 1);
                const double perPixel = std::hypot(acrossRight - across, acrossBelow - across);
                const double board = std::floor(across), fromSeam = std::min(across - board, board + 1 - across);
                const double seam = cover((0.04 - fromSeam) / perPixel);
                const double pier = cover((far - along) / std::hypot(alongRight - along, alongBelow - along)) *
                                    cover((boards / 2 - std::abs(across - middle)) / perPixel);
                const double shade = 125.0 + 60.0 * std::abs(std::sin(board * 12.9898));
                value += pier * (shade * (1 - seam) + 40.0 * seam - value);
            }
            grey[std::size_t(y) * width + x] = value;
        }
    std::mt19937 rng(23);
    return grainedBitmap(width, height, grey, rng);
}

TEST(HorizonDetectorTest, AFanOfBoardsUnderASoftShoreReadsTheShoreOrNothing) {
    // Piers receding diagonally: their seams and edges are the frame's long
    // sharp lines, several degrees off level and often the other way. The
    // soft shore is too rough to be a calm horizon; the seams meet at a point
    // on it, through which runs the boundary between the large regions.
    enum Outcome { shore, shoreOrNothing, nothing };
    struct Pier { double vanish, boards, up, end, tilt; Outcome outcome; };
    const Pier piers[] = {
        // The point a widths or so to the side: the shore through it is read.
        {0.9, 14, 6, 0.3, -2.0, shore}, {0.9, 14, 6, 0.3, 2.5, shore},
        // Two widths off, the point's place along the horizon is known only to a few
        // hundredths of the height, so at some of the detector's scales no clear line runs
        // through it: the shore or nothing.
        {-2.5, 7, 6, 0.3, -2.0, shoreOrNothing}, {-2.5, 7, 6, 0.3, 2.5, shoreOrNothing},
        // The deck ends just below the shore and parts the regions as clearly, at another
        // tilt: which of the two is the horizon cannot be told.
        {1.6, 14, 3, 0.05, -2.0, nothing}, {1.6, 14, 3, 0.05, 2.5, nothing},
        // Four widths off the point pins no tilt: nothing.
        {4.0, 7, 3, 0.3, -2.0, nothing}, {4.0, 7, 3, 0.3, 2.5, nothing},
    };
    for (const Pier& p : piers) {
        const auto angle = HorizonDetector::measureHorizonAngle(pierUnderSoftShore(1200, 800, p.tilt, p.vanish, p.boards, p.up, p.end).view());
        if (p.outcome == nothing) {
            EXPECT_FALSE(angle.has_value()) << p.vanish << " " << p.tilt;
            continue;
        }
        if (p.outcome == shore) {
            ASSERT_TRUE(angle.has_value()) << p.vanish << " " << p.tilt;
        }
        if (angle) {
            EXPECT_NEAR(*angle, -p.tilt, 0.4) << p.vanish << " " << p.tilt;
        }
    }
}

// Each frame `frame(tilt)` reads within `tolerance` of the straightening that undoes its tilt.
template <class Frame>
void expectLevelled(Frame frame, std::initializer_list<double> tilts, double tolerance) {
    for (double tilt : tilts) {
        const auto angle = HorizonDetector::measureHorizonAngle(frame(tilt).view());
        ASSERT_TRUE(angle.has_value()) << tilt;
        EXPECT_NEAR(*angle, -tilt, tolerance) << tilt;
    }
}

// A colour scene drawn level by `scene` (u across, v up, in pixels from the frame's centre)
// and turned by `tiltDegrees`, under grain of 3 levels.
template <class Scene>
TestBitmap turnedScene(int width, int height, double tiltDegrees, unsigned seed, Scene scene) {
    TestBitmap b{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    const double t = tiltDegrees * std::numbers::pi / 180.0, c = std::cos(t), s = std::sin(t);
    std::mt19937 rng(seed);
    std::normal_distribution<double> grain(0.0, 3.0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5 - width / 2.0, py = height / 2.0 - (y + 0.5);
            const cv::Vec3d colour = scene(c * px + s * py, -s * px + c * py);
            std::uint8_t* p = &b.pixels[(std::size_t(y) * width + x) * 4];
            for (int i = 0; i < 3; ++i) p[i] = std::uint8_t(std::clamp(colour[i] + grain(rng), 0.0, 255.0));
            p[3] = 255;
        }
    return b;
}

// Grass seen from a little above: a green whose shade wanders in tufts and mown swathes.
cv::Vec3d grass(double u, double v) {
    const double tufts = std::sin(u * 0.21 + 3 * std::sin(v * 0.13)) * std::sin(v * 0.37 + 2 * std::sin(u * 0.05));
    const double swathes = std::sin(u * 0.013 + v * 0.004);
    return cv::Vec3d(70, 130, 45) * (1 + 0.12 * tufts + 0.08 * swathes);
}

// A red hill over a calm lake, the shoreline `shore` of the height below the centre: the hill
// and the sky over it mirrored in the water, darker, a little bluer, drawn out downwards into
// streaks and shimmering with ripples that grow towards the camera. The hill's flank slopes
// straight down to the shore on the right; the shore is long, straight and sharp.
TestBitmap redHillOverCalmLake(int width, int height, double tiltDegrees, double shore = 0.1) {
    const double line = -shore * height;
    const auto above = [&](double u, double v) {  // v up from the shore
        const double ridge = height * std::min(0.22 + 0.03 * std::sin(u * 0.02), 0.22 - 0.5 * (u / width - 0.1));
        const double trees = 1 + 0.2 * std::sin(u * 0.35) * std::sin(v * 0.05 + u * 0.01);
        const cv::Vec3d sky(235 - 40 * v / height, 215 - 30 * v / height, 190), hill = cv::Vec3d(150, 62, 48) * trees;
        return sky + (hill - sky) * cover(std::max(ridge, 0.015 * height) - v);
    };
    return turnedScene(width, height, tiltDegrees, 43, [&](double u, double v) {
        const double d = v - line;
        if (d >= 0) return above(u, d);
        cv::Vec3d sum(0, 0, 0);
        for (int k = 0; k < 5; ++k) {
            const double ripple = (0.3 - 0.02 * d) * std::sin(u * 0.09 + 2 * std::sin(-d * 0.3 + k)) * std::sin(-d * 0.5);
            sum += above(u, std::max(0.0, -d + ripple + 4 * k));
        }
        return sum * (0.6 / 5) + cv::Vec3d(10, 14, 24);
    });
}

// A green field under a thin band of sky, the horizon `horizon` of the height from the top.
TestBitmap fieldUnderThinSky(int width, int height, double tiltDegrees, double horizon = 0.06) {
    const double line = (0.5 - horizon) * height;
    return turnedScene(width, height, tiltDegrees, 47, [&](double u, double v) {
        return v >= line ? cv::Vec3d(150, 185, 225) + cv::Vec3d(1, 1, 0) * (v - line) * 0.3 : grass(u, v);
    });
}

// A dark tree line over a green meadow under a strip of sky: the crowns' tops roll, trunks
// stand in the shade under them, and the trees' foot, ragged with tufts, runs along the meadow
// `foot` of the height from the top.
TestBitmap treeLineOverMeadow(int width, int height, double tiltDegrees, double foot = 0.22) {
    const double line = (0.5 - foot) * height;
    return turnedScene(width, height, tiltDegrees, 53, [&](double u, double v) {
        const double crowns = line + height * (0.14 + 0.03 * std::abs(std::sin(u * 0.017)) + 0.01 * std::sin(u * 0.11));
        const double tufts = 3 * std::sin(u * 0.7) + 2 * std::sin(u * 1.9 + 1);
        if (v >= crowns) return cv::Vec3d(160, 190, 225);
        if (v >= line + tufts) {
            const double trunk = std::pow(std::abs(std::sin(u * 0.08 + 0.3 * std::sin(u * 0.013))), 8);
            return cv::Vec3d(35, 55, 30) * (1 + 0.15 * std::sin(u * 0.3) * std::sin(v * 0.27) - 0.4 * trunk * cover(line + 0.08 * height - v));
        }
        return grass(u, v);
    });
}

// A lake under a wooded hill, turned by `tiltDegrees`: two tones, the pale sky and the dark
// hill whose ridge rolls, and below the shoreline their reflection, darker and a little
// blurred. The hill meets its own reflection: the tone does not step at the shoreline.
TestBitmap hillMirroredInALake(int width, int height, double tiltDegrees) {
    const double t = tiltDegrees * std::numbers::pi / 180.0, c = std::cos(t), s = std::sin(t);
    std::vector<double> grey(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5 - width / 2.0, py = height / 2.0 - (y + 0.5);
            const double u = c * px + s * py, v = -s * px + c * py;  // level scene, v up from the shoreline
            const double ridge = height * (0.12 + 0.05 * std::sin(u * 0.011) + 0.03 * std::sin(u * 0.037 + 1.0));
            const double above = std::abs(v);
            const double tone = 210.0 - 25.0 * above / height + (70.0 - 210.0 + 25.0 * above / height) * cover(ridge - above);
            grey[std::size_t(y) * width + x] = v >= 0 ? tone : 0.8 * tone + 10;
        }
    cv::Mat blurred(height, width, CV_64F, grey.data());
    cv::GaussianBlur(blurred, blurred, cv::Size(0, 0), 1.5);
    std::mt19937 rng(29);
    return grainedBitmap(width, height, grey, rng);
}

TEST(HorizonDetectorTest, AShorelineWhereAHillMeetsItsReflectionIsRead) {
    expectLevelled([](double tilt) { return hillMirroredInALake(1200, 800, tilt); }, {0.0, 2.0, -3.0, 5.0}, 0.5);
    // A hill's straight flank runs down to the shore at another tilt, mirrored with the rest:
    // it does not contest the shore the reflection pins, nor do the streaks of the trees.
    expectLevelled([](double tilt) { return redHillOverCalmLake(1200, 800, tilt); }, {-5.0, -2.0, 3.0, 4.5}, 0.3);
}

// A lake under a far shore, turned by `tiltDegrees`: two tones, a pale sky over a dark hill
// whose ridge rolls, and below the shoreline the water mirroring them, softened and darker
// by `gain` (1: as dark as the hill itself). The hill meets its own reflection, so the
// shoreline shows no edge; the ridge and its soft copy in the water roll as they please.
TestBitmap hillOverItsSoftReflection(int width, int height, double tiltDegrees, double gain) {
    const double t = tiltDegrees * std::numbers::pi / 180.0, c = std::cos(t), s = std::sin(t);
    const auto scene = [&](double u, double v) {  // v up from the shoreline, pixels
        const double ridge = height * (0.1 + 0.04 * (0.6 * std::sin(u * 0.011) + 0.4 * std::sin(u * 0.037 + 1.0)));
        const double sky = 200.0 - 25.0 * v / height;
        return sky + (70.0 - sky) * cover(ridge - v);
    };
    std::vector<double> grey(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5 - width / 2.0, py = height / 2.0 - (y + 0.5);
            const double u = c * px + s * py, v = -s * px + c * py + 0.1 * height;
            if (v >= 0) {
                grey[std::size_t(y) * width + x] = scene(u, v);
                continue;
            }
            // The reflection, blurred along the fall of the water over a few pixels.
            double sum = 0, weights = 0;
            for (int k = -3; k <= 3; ++k) {
                const double w = std::exp(-0.25 * k * k);
                sum += w * scene(u, std::max(0.0, 2.0 * k - v));
                weights += w;
            }
            grey[std::size_t(y) * width + x] = gain * sum / weights + (1 - gain) * 70.0;
        }
    std::mt19937 rng(31);
    return grainedBitmap(width, height, grey, rng);
}

TEST(HorizonDetectorTest, AShoreLostInItsOwnReflectionIsReadFromTheMirror) {
    // No straight line, no tone step at the shoreline, no soft horizon: only the reflection
    // tells where the shore runs. It pins the tilt: turned, the two sides no longer meet.
    for (double gain : {0.8, 1.0})
        for (double tilt : {0.0, 2.0, 3.0, 5.0, -2.5}) {
            const auto angle = HorizonDetector::measureHorizonAngle(hillOverItsSoftReflection(1200, 800, tilt, gain).view());
            ASSERT_TRUE(angle.has_value()) << gain << " " << tilt;
            EXPECT_NEAR(*angle, -tilt, 0.3) << gain << " " << tilt;
        }
    // The hill alone, over water that mirrors nothing (a grey lake under wind), is no
    // shore to read: its ridge rolls and nothing else runs level.
    TestBitmap unmirrored = hillOverItsSoftReflection(1200, 800, 2.0, 0.0);
    EXPECT_FALSE(HorizonDetector::measureHorizonAngle(unmirrored.view()).has_value());
}

// A football pitch (105 by 68 m, mown in stripes, its lines painted white) seen from a
// camera `height` metres above the ground point (`x`, `y`), looking `yawDegrees` round
// from along the pitch's length and `downDegrees` below level, turned by `rollDegrees`.
// The sky shows only where the camera looks up far enough.
TestBitmap pitchSeenFrom(int width, int height, cv::Point2d at, double up, double yawDegrees, double downDegrees, double rollDegrees) {
    const double yaw = yawDegrees * std::numbers::pi / 180, down = downDegrees * std::numbers::pi / 180;
    const double roll = -rollDegrees * std::numbers::pi / 180;  // counter-clockwise on screen
    const cv::Vec3d forward(std::cos(yaw) * std::cos(down), std::sin(yaw) * std::cos(down), -std::sin(down));
    const cv::Vec3d side(std::sin(yaw), -std::cos(yaw), 0.0), top = side.cross(forward);
    const cv::Vec3d right = side * std::cos(roll) + top * std::sin(roll), upward = top * std::cos(roll) - side * std::sin(roll);
    // Distance (m) from the ground point (X, Y) to the nearest painted line.
    const auto toLine = [](double X, double Y) {
        double d = std::abs(std::hypot(X - 52.5, Y - 34) - 9.15);
        const auto segment = [&](double x0, double y0, double x1, double y1) {
            const double dx = x1 - x0, dy = y1 - y0, t = std::clamp(((X - x0) * dx + (Y - y0) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            d = std::min(d, std::hypot(X - x0 - t * dx, Y - y0 - t * dy));
        };
        segment(0, 0, 105, 0), segment(0, 68, 105, 68), segment(0, 0, 0, 68), segment(105, 0, 105, 68), segment(52.5, 0, 52.5, 68);
        for (const double end : {0.0, 105.0}) {
            const double in = end == 0 ? 1 : -1;
            for (const auto& [depth, half] : {std::pair{16.5, 20.16}, std::pair{5.5, 9.16}}) {
                segment(end, 34 - half, end + in * depth, 34 - half), segment(end, 34 + half, end + in * depth, 34 + half);
                segment(end + in * depth, 34 - half, end + in * depth, 34 + half);
            }
        }
        return d;
    };
    TestBitmap b{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    std::mt19937 rng(41);
    std::normal_distribution<double> grain(0.0, 3.0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const cv::Vec3d ray = forward * double(width) + right * (x + 0.5 - width / 2.0) - upward * (y + 0.5 - height / 2.0);
            cv::Vec3d colour(150, 185, 225);  // sky
            if (ray[2] < 0) {
                const double reach = -up / ray[2], X = at.x + reach * ray[0], Y = at.y + reach * ray[1];
                const double metresPerPixel = reach * cv::norm(ray) / width / std::max(0.05, -ray[2] / cv::norm(ray));
                const bool light = int(std::floor(X / 5.25)) % 2 == 0;
                const cv::Vec3d grass = light ? cv::Vec3d(70, 140, 50) : cv::Vec3d(55, 115, 40);
                const double paint = std::clamp(0.5 + (0.06 - toLine(X, Y)) / std::max(metresPerPixel, 1e-3), 0.0, 1.0);
                colour = grass + (cv::Vec3d(225, 230, 225) - grass) * paint;
            }
            std::uint8_t* p = &b.pixels[(std::size_t(y) * width + x) * 4];
            for (int i = 0; i < 3; ++i) p[i] = std::uint8_t(std::clamp(colour[i] + grain(rng), 0.0, 255.0));
            p[3] = 255;
        }
    return b;
}

TEST(HorizonDetectorTest, AFrameOfGroundAloneHasNoHorizon) {
    // Seen from above or from the stands with no sky in view, the pitch's lines and stripes
    // lie on the ground: they run square to the frame, or at its turn, or recede, and none
    // shows which way is level.
    struct View { cv::Point2d at; double up, yaw, down; };
    const View views[] = {{{52.5, 34}, 90, 0, 90}, {{52.5, 34}, 90, 8, 90}, {{52.5, -25}, 25, 90, 40},
                          {{30, -25}, 25, 70, 40}, {{-20, 34}, 20, 0, 35}};
    for (const View& v : views)
        for (double roll : {0.0, 2.0})
            EXPECT_FALSE(HorizonDetector::measureHorizonAngle(pitchSeenFrom(1200, 800, v.at, v.up, v.yaw, v.down, roll).view()))
                << v.yaw << " " << v.down << " " << roll;
    // A field may run nearly to the top: under a thin band of sky, green or not, it has a horizon.
    expectLevelled([](double tilt) { return fieldUnderThinSky(1200, 800, tilt); }, {3.0, -1.5}, 0.3);
    // So has a tree line over a meadow under a strip of sky, though trees and meadow are green.
    expectLevelled([](double tilt) { return treeLineOverMeadow(1200, 800, tilt); }, {-4.0, -1.5, 2.5, 6.0}, 0.3);
    // From a low stand the sky shows over the far side: the horizon is read.
    for (double roll : {0.0, 2.0}) {
        const auto angle = HorizonDetector::measureHorizonAngle(pitchSeenFrom(1200, 800, {52.5, -15}, 4, 90, 4, roll).view());
        ASSERT_TRUE(angle.has_value()) << roll;
        EXPECT_NEAR(*angle, -roll, 0.3) << roll;
    }
}

TEST(HorizonDetectorTest, ATiltTooSmallToSeeLooksLevel) {
    // Under half a degree a horizon looks level, and a reading lies within its own accuracy:
    // the tilt is still reported, to a tenth, and the caller turns nothing.
    for (double tilt : {0.04, 0.15, -0.2, 0.3}) {
        const auto angle = HorizonDetector::measureHorizonAngle(tiltedLandscape(1500, 1000, tilt).view());
        ASSERT_TRUE(angle.has_value()) << tilt;
        EXPECT_NEAR(*angle, -tilt, 0.1) << tilt;
        EXPECT_TRUE(HorizonDetector::looksLevel(*angle)) << tilt;
        EXPECT_FALSE(*angle == 0.0 && std::signbit(*angle)) << tilt;
    }
    for (double tilt : {0.6, -0.7}) {
        const auto angle = HorizonDetector::measureHorizonAngle(tiltedLandscape(1500, 1000, tilt).view());
        ASSERT_TRUE(angle.has_value()) << tilt;
        EXPECT_NEAR(*angle, -tilt, 0.1) << tilt;
        EXPECT_FALSE(HorizonDetector::looksLevel(*angle)) << tilt;
    }
}

TEST(HorizonDetectorTest, DetectsOnImagesOffTheCallersThread) {
    const Image frame = imageOf(tiltedLandscape(1200, 800, -3.0));
    // The frame stands anywhere in the plane; a render upside down would report -3.
    EXPECT_NEAR(HorizonDetector::detectHorizonAngle(frame.translated(37, -12)).get().value_or(99), 3.0, 0.2);
    EXPECT_FALSE(HorizonDetector::detectHorizonAngle(Image()).get());
    EXPECT_FALSE(HorizonDetector::detectHorizonAngle(Image::constant({0.2f, 0.2f, 0.2f, 1.0f})).get());

    // The render waits for a signal the caller gives only after the call has returned: had
    // the work run on the caller's thread, the signal would come too late.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    auto late = std::make_shared<std::atomic<bool>>(false);
    const Image gated = Image::pointwise({frame}, [released, late](const RowSpan& span, const float* const* in, float* out) {
        if (released.wait_for(std::chrono::seconds(10)) != std::future_status::ready) *late = true;
        std::copy_n(in[0], 4 * span.count, out);
    });
    auto pending = HorizonDetector::detectHorizonAngle(gated);
    release.set_value();
    EXPECT_NEAR(pending.get().value_or(99), 3.0, 0.2);
    EXPECT_FALSE(*late);
}

}  // namespace
}  // namespace vantrel
