#include <gtest/gtest.h>

#include <cmath>

#include "engine/stages/GeometryMove.h"

namespace vantrel {
namespace {

constexpr double kW = 3000, kH = 2000;

CropParameters turned(int quarterTurns) {
    CropParameters c;
    c.quarterTurns = quarterTurns;
    return c;
}

SpotItem spotAt(double x, double y, double radius = 0.015, Point offset = {0.02, 0}) {
    SpotItem s;
    s.center = {x, y};
    s.radius = radius;
    s.sourceOffset = offset;
    return s;
}

// The scan point (top-down pixels) a frame point of `crop` stands for.
Point onScan(const CropParameters& crop, double x, double y) {
    const FrameMapping m = frameMapping(kW, kH, crop, Framing::cropped);
    double sx, sy;
    m.scanToFrame.inverted().apply(x * m.width, y * m.height, sx, sy);
    return {sx, sy};
}

TEST(GeometryMoveTest, QuarterTurnsCarrySpotsAndMasksWithThePicture) {
    const CropParameters upright;
    const GeometryMove clockwise(kW, kH, upright, turned(1));
    // A quarter turn clockwise: (x, y) goes to (1 - y, x); the radius keeps its pixels, the
    // source keeps its side of the disc on the scan (to the right becomes below).
    const SpotItem s = clockwise.spot(spotAt(0.2, 0.3));
    EXPECT_NEAR(s.center.x, 0.7, 1e-12);
    EXPECT_NEAR(s.center.y, 0.2, 1e-12);
    EXPECT_NEAR(s.radius, 0.015, 1e-12);  // the shorter side is 2000 pixels either way
    EXPECT_NEAR(s.sourceOffset.x, 0, 1e-12);
    EXPECT_NEAR(s.sourceOffset.y, 0.02, 1e-12);  // 60 pixels of the turned frame's 3000

    // A radial mask's half-axes change places with a quarter turn; a linear mask's direction
    // turns with the picture.
    RadialMask radial;
    radial.center = {0.25, 0.5};
    radial.radiusX = 0.1;   // 300 pixels
    radial.radiusY = 0.05;  // 100 pixels
    const RadialMask r = clockwise.radial(radial);
    EXPECT_NEAR(r.center.x, 0.5, 1e-12);
    EXPECT_NEAR(r.center.y, 0.25, 1e-12);
    EXPECT_NEAR(r.radiusX * kH, 100, 1e-9);  // the turned frame is 2000 wide
    EXPECT_NEAR(r.radiusY * kW, 300, 1e-9);
    LinearMask linear;
    linear.startPoint = {0.5, 0.0};
    linear.endPoint = {0.5, 0.4};  // darkening from the top down
    const LinearMask l = clockwise.linear(linear);
    EXPECT_NEAR(l.startPoint.x, 1.0, 1e-12);  // now from the right edge leftwards
    EXPECT_NEAR(l.endPoint.x, 0.6, 1e-12);
    EXPECT_NEAR(l.startPoint.y, 0.5, 1e-12);
    EXPECT_NEAR(l.endPoint.y, 0.5, 1e-12);

    // Geometries that place the scan alike move nothing, bit for bit; nor does a scan without size.
    EXPECT_TRUE(GeometryMove(kW, kH, turned(0), turned(4)).isIdentity());
    CropParameters ratio;
    ratio.aspectRatio = CropAspectRatio::square;
    EXPECT_TRUE(GeometryMove(kW, kH, upright, ratio).isIdentity());
    EXPECT_TRUE(GeometryMove(0, 0, upright, turned(1)).isIdentity());
    const SpotItem unsized = spotAt(0.2, 0.3);
    EXPECT_EQ(GeometryMove(0, 0, upright, turned(1)).spot(unsized), unsized);
}

TEST(GeometryMoveTest, CropsAndStraighteningKeepTheScanPlaceAndSize) {
    const CropParameters whole;
    CropParameters cropped;
    cropped.rect = {0.5, 0.5, 0.5, 0.5};  // the lower right quarter
    CropParameters straightened;
    straightened.straightenAngle = 6;
    straightened.quarterTurns = 3;
    straightened.isFlippedV = true;
    straightened.rect = {0.1, 0.2, 0.7, 0.6};

    RadialMask island;
    island.center = {0.6, 0.7};
    island.radiusX = 0.1;
    island.radiusY = 0.15;
    const RadialMask zoomed = GeometryMove(kW, kH, whole, cropped).radial(island);
    EXPECT_NEAR(zoomed.center.x, 0.2, 1e-12);
    EXPECT_NEAR(zoomed.center.y, 0.4, 1e-12);
    EXPECT_NEAR(zoomed.radiusX, 0.2, 1e-12);  // the same 300 pixels of a frame half as wide
    EXPECT_NEAR(zoomed.radiusY, 0.3, 1e-12);

    // Through any chain of geometries a spot and its source stay on their scan points.
    const SpotItem spot = spotAt(0.3, 0.6, 0.02, {0.05, -0.03});
    SpotItem moved = spot;
    CropParameters from = whole;
    for (const CropParameters& to : {cropped, straightened, turned(2), whole}) {
        moved = GeometryMove(kW, kH, from, to).spot(moved);
        from = to;
        const FrameMapping m = frameMapping(kW, kH, to, Framing::cropped);
        const Point c = onScan(to, moved.center.x, moved.center.y);
        const Point src = onScan(to, moved.center.x + moved.sourceOffset.x, moved.center.y + moved.sourceOffset.y);
        EXPECT_NEAR(c.x, 0.3 * kW, 1e-6);
        EXPECT_NEAR(c.y, 0.6 * kH, 1e-6);
        EXPECT_NEAR(src.x, 0.35 * kW, 1e-6);
        EXPECT_NEAR(src.y, 0.57 * kH, 1e-6);
        EXPECT_NEAR(moved.radius * std::min(m.width, m.height), 0.02 * kH, 1e-6);
    }
    EXPECT_NEAR(moved.center.x, 0.3, 1e-12);
    EXPECT_NEAR(moved.sourceOffset.y, -0.03, 1e-12);

    // Cropped out: kept beyond the frame, unclamped, and back when the crop widens again.
    CropParameters corner;
    corner.rect = {0.0, 0.0, 0.25, 0.25};
    const SpotItem out = GeometryMove(kW, kH, whole, corner).spot(spot);
    EXPECT_GT(out.center.x, 1.0);
    EXPECT_GT(out.center.y, 1.0);
    const SpotItem again = GeometryMove(kW, kH, corner, whole).spot(out);
    EXPECT_NEAR(again.center.x, 0.3, 1e-12);
    EXPECT_NEAR(again.center.y, 0.6, 1e-12);

    // A spot without an offset takes its patch two radii to the right of the disc; moved, it
    // keeps that patch on the scan with an offset of its own.
    const SpotItem plain = spotAt(0.5, 0.5, 0.01, {0, 0});
    const SpotItem turnedPlain = GeometryMove(kW, kH, whole, turned(1)).spot(plain);
    EXPECT_NEAR(turnedPlain.sourceOffset.x, 0, 1e-12);
    EXPECT_NEAR(turnedPlain.sourceOffset.y * kW, 2 * 0.01 * kH, 1e-9);
}

}  // namespace
}  // namespace vantrel
