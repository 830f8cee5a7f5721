#include <gtest/gtest.h>

#include <cmath>

#include "engine/stages/DarkroomPipeline.h"
#include "engine/stages/GeometryStage.h"
#include "common/TestImages.h"

namespace vantrel {
namespace {

using testing::at;
using testing::positionImage;
using testing::renderExtent;

// Where the top-left pixel of the result came from, as (x, y) of the 4 × 3 position image
// (plane y up: the top row is y = 2).
std::array<float, 2> topLeftSource(const Image& image) {
    const PixelBuffer b = renderExtent(image);
    const auto p = at(b, b.rect().x, b.rect().maxY() - 1);
    return {p[0], p[1]};
}

CropParameters turns(int quarterTurns) {
    CropParameters c;
    c.quarterTurns = quarterTurns;
    return c;
}

TEST(GeometryStageTest, IdentityReturnsTheInputItself) {
    const Image in = positionImage(4, 3);
    EXPECT_TRUE(applyGeometry(in, CropParameters{}, Framing::cropped).isSameNode(in));
    EXPECT_TRUE(applyGeometry(in, turns(4), Framing::cropped).isSameNode(in));
    EXPECT_TRUE(applyGeometry(in, turns(-8), Framing::uncropped).isSameNode(in));
    CropParameters small;
    small.straightenAngle = 0.009;
    EXPECT_TRUE(applyGeometry(in, small, Framing::cropped).isSameNode(in));
}

TEST(GeometryStageTest, QuarterTurnsAndFlipsMoveThePixelsTheRightWay) {
    const Image in = positionImage(4, 3);  // top-left pixel is (0, 2), top-right (3, 2)

    // A clockwise quarter turn brings the bottom-left corner to the top-left.
    const Image right = applyGeometry(in, turns(1), Framing::cropped);
    EXPECT_EQ(right.extent(), (Rect{0, 0, 3, 4}));
    EXPECT_EQ(topLeftSource(right), (std::array<float, 2>{0, 0}));

    const Image down = applyGeometry(in, turns(2), Framing::cropped);
    EXPECT_EQ(down.extent(), (Rect{0, 0, 4, 3}));
    EXPECT_EQ(topLeftSource(down), (std::array<float, 2>{3, 0}));

    const Image left = applyGeometry(in, turns(3), Framing::cropped);
    EXPECT_EQ(left.extent(), (Rect{0, 0, 3, 4}));
    EXPECT_EQ(topLeftSource(left), (std::array<float, 2>{3, 2}));

    // −1 and 7 count as 3, 5 as 1.
    for (int q : {-1, 7}) EXPECT_EQ(topLeftSource(applyGeometry(in, turns(q), Framing::cropped)), topLeftSource(left)) << q;
    EXPECT_EQ(topLeftSource(applyGeometry(in, turns(5), Framing::cropped)), topLeftSource(right));

    CropParameters h;
    h.isFlippedH = true;
    EXPECT_EQ(topLeftSource(applyGeometry(in, h, Framing::cropped)), (std::array<float, 2>{3, 2}));
    CropParameters v;
    v.isFlippedV = true;
    const Image flippedV = applyGeometry(in, v, Framing::cropped);
    EXPECT_EQ(flippedV.extent(), (Rect{0, 0, 4, 3}));
    EXPECT_EQ(topLeftSource(flippedV), (std::array<float, 2>{0, 0}));

    // Turn first, then the mirror: a quarter turn right mirrored shows the bottom-right first.
    CropParameters both = turns(1);
    both.isFlippedH = true;
    EXPECT_EQ(topLeftSource(applyGeometry(in, both, Framing::cropped)), (std::array<float, 2>{0, 2}));
}

TEST(GeometryStageTest, StraighteningKeepsTheLargestUprightFrame) {
    const StraightenedSize s = straightenedSize(6000, 4000, 5);
    EXPECT_NEAR(s.width, 5324.2, 0.2);
    EXPECT_NEAR(s.height, 3549.5, 0.2);
    // Beyond 90° the absolute cosine and sine still give a frame: 185° is a half turn plus 5°.
    const StraightenedSize beyond = straightenedSize(6000, 4000, 185);
    EXPECT_NEAR(beyond.width, s.width, 1e-6);
    EXPECT_NEAR(beyond.height, s.height, 1e-6);
    EXPECT_NEAR(straightenedSize(6000, 4000, -5).width, s.width, 1e-9);

    // Lazy: no pixels of the large frame are made.
    const Image big = Image::constant({0.5f, 0.5f, 0.5f, 1}).cropped(Rect{0, 0, 6000, 4000});
    CropParameters c;
    c.straightenAngle = 5;
    EXPECT_EQ(applyGeometry(big, c, Framing::cropped).extent(), (Rect{0, 0, 5324, 3549}));
    c.straightenAngle = 0.011;
    const Image barely = applyGeometry(big, c, Framing::cropped);
    EXPECT_FALSE(barely.isSameNode(big));
    EXPECT_EQ(barely.extent().x, 0);
    EXPECT_EQ(barely.extent().y, 0);
    c.straightenAngle = 95;
    EXPECT_FALSE(applyGeometry(big, c, Framing::cropped).isEmpty());
}

TEST(GeometryStageTest, StraightenedPixelsStayOpaqueAndCentred) {
    // A ramp in x: the rotated frame's centre keeps the centre value and its corners are filled.
    const Image ramp = testing::pipelineImage(Rect{0, 0, 200, 100}, [](std::int64_t x, std::int64_t) {
        return std::array<float, 3>{float(x) / 200.0f, 0.25f, 0.5f};
    });
    CropParameters c;
    c.straightenAngle = 4;
    const Image out = applyGeometry(ramp, c, Framing::cropped);
    const PixelBuffer b = renderExtent(out);
    const Rect& e = b.rect();
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.y, 0);
    for (auto [x, y] : {std::pair{e.x, e.y}, {e.maxX() - 1, e.y}, {e.x, e.maxY() - 1}, {e.maxX() - 1, e.maxY() - 1}})
        EXPECT_FLOAT_EQ(at(b, x, y)[3], 1.0f);
    EXPECT_NEAR(at(b, e.width / 2, e.height / 2)[0], 0.5f, 0.02f);
    EXPECT_FLOAT_EQ(at(b, e.width / 2, e.height / 2)[1], 0.25f);
}

TEST(GeometryStageTest, CropRectangleIsTopDownAndReorigined) {
    const Rect frame{0, 0, 6000, 4000};
    EXPECT_EQ(cropRectInPixels(frame, NormalizedRect{0, 0, 0.5, 0.5}), (Rect{0, 2000, 3000, 2000}));
    EXPECT_EQ(cropRectInPixels(frame, NormalizedRect{0.25, 0.5, 0.5, 0.5}), (Rect{1500, 0, 3000, 2000}));
    // Damaged rectangles: zero size keeps one pixel, NaN crops nothing.
    EXPECT_EQ(cropRectInPixels(frame, NormalizedRect{1, 1, 0, 0}).width, 1);
    EXPECT_TRUE(cropRectInPixels(frame, NormalizedRect{NAN, 0, 1, 1}).isEmpty());

    const Image in = positionImage(8, 6);
    CropParameters c;
    c.rect = {0, 0, 0.5, 0.5};
    const Image topLeft = applyGeometry(in, c, Framing::cropped);
    EXPECT_EQ(topLeft.extent(), (Rect{0, 0, 4, 3}));
    EXPECT_EQ(topLeftSource(topLeft), (std::array<float, 2>{0, 5}));
    const PixelBuffer b = renderExtent(topLeft);
    EXPECT_EQ(at(b, 3, 0)[0], 3.0f);  // bottom-right of the kept quarter
    EXPECT_EQ(at(b, 3, 0)[1], 3.0f);

    // Crop mode: the rectangle is ignored, the turn in the same record is not.
    CropParameters withTurn;
    withTurn.rect = {0.1, 0.1, 0.5, 0.5};
    withTurn.quarterTurns = 1;
    const Image whole = applyGeometry(in, withTurn, Framing::uncropped);
    EXPECT_EQ(whole.extent(), (Rect{0, 0, 6, 8}));
    EXPECT_EQ(applyGeometry(in, withTurn, Framing::cropped).extent(), (Rect{0, 0, 3, 4}));
}


// The frame mapping is the stage's own: every pixel of a turned, mirrored, straightened and
// cropped frame shows the point of the scan that the mapping puts there, within the pixel the
// stage rounds its rectangles to, and the frame has the mapping's size.
TEST(GeometryStageTest, TheFrameMappingPutsEachScanPointWhereTheStageShowsIt) {
    const int W = 90, H = 60;
    const Image scan = testing::coordinateImage(W, H);  // each pixel holds its own position
    for (int turns = 0; turns < 4; ++turns)
        for (int flips = 0; flips < 4; ++flips)
            for (double angle : {0.0, 7.5, -30.0})
                for (bool cropped : {false, true}) {
                    CropParameters c;
                    c.quarterTurns = turns;
                    c.isFlippedH = flips & 1;
                    c.isFlippedV = flips & 2;
                    c.straightenAngle = angle;
                    if (cropped) c.rect = {0.15, 0.3, 0.6, 0.5};
                    const FrameMapping m = frameMapping(W, H, c, Framing::cropped);
                    const PixelBuffer b = renderExtent(applyGeometry(scan, c, Framing::cropped));
                    const Rect& e = b.rect();
                    SCOPED_TRACE(::testing::Message() << turns << " turns, flips " << flips << ", " << angle << "°, "
                                                      << (cropped ? "cropped" : "whole"));
                    EXPECT_NEAR(m.width, double(e.width), 1.0);
                    EXPECT_NEAR(m.height, double(e.height), 1.0);
                    double worst = 0;
                    // Away from the edges, where straightening repeats the scan's border.
                    for (std::int64_t y = e.y + 2; y < e.maxY() - 2; ++y)
                        for (std::int64_t x = e.x + 2; x < e.maxX() - 2; ++x) {
                            const auto p = at(b, x, y);
                            // The scan point, top-down, then where the mapping puts it.
                            double fx, fy;
                            m.scanToFrame.apply(p[0] + 0.5, double(H) - (p[1] + 0.5), fx, fy);
                            worst = std::max({worst, std::abs(fx - (double(x - e.x) + 0.5)),
                                              std::abs(fy - (double(e.maxY() - y) - 0.5))});
                        }
                    EXPECT_LE(worst, 1.0);
                }
    // Nothing to do, or no scan: the identity.
    EXPECT_EQ(frameMapping(W, H, CropParameters{}, Framing::cropped), (FrameMapping{{}, double(W), double(H)}));
    CropParameters turned;
    turned.quarterTurns = 1;
    EXPECT_EQ(frameMapping(0, H, turned, Framing::cropped).scanToFrame, AffineTransform::identity());
    // Crop mode leaves the rectangle out.
    turned.rect = {0.1, 0.1, 0.5, 0.5};
    EXPECT_EQ(frameMapping(W, H, turned, Framing::uncropped).width, double(H));
}

}  // namespace
}  // namespace vantrel
