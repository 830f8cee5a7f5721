// The local-mask stage on small asymmetric frames: where each mask lands (in top-down terms),
// how radius, feather and inversion shape it, that masks compound in list order, and that the
// corrections under a full mask are those of the colour filters.
#include <gtest/gtest.h>

#include <cmath>

#include "common/TestImages.h"
#include "engine/color/ColorFilters.h"
#include "engine/stages/DarkroomPipeline.h"
#include "engine/stages/LocalMaskStage.h"

namespace vantrel {
namespace {

using testing::at;
using testing::renderExtent;

constexpr float kGrey = 0.25f;

// A flat grey frame; an exposure of +1 under a mask of weight w gives kGrey · (1 + w).
Image greyFrame(const Rect& rect) {
    return testing::pipelineImage(rect, [](std::int64_t, std::int64_t) { return std::array<float, 3>{kGrey, kGrey, kGrey}; });
}

// The mask's weight at plane pixel (x, y), read back from a +1 EV correction.
float weightAt(const PixelBuffer& b, std::int64_t x, std::int64_t y) { return at(b, x, y)[1] / kGrey - 1.0f; }

LinearMask brighten(NormalizedPoint start, NormalizedPoint end) {
    LinearMask m;
    m.startPoint = start;
    m.endPoint = end;
    m.exposure = 1;
    return m;
}

// A linear mask whose start lies beyond the bottom edge: every pixel gets the whole correction.
LinearMask everywhere() { return brighten({0.5, 1.5}, {0.5, 2.5}); }

TEST(MaskStageTest, LinearMasksLandWhereTheirTopDownPointsSay) {
    // 60 × 40 frame placed off the origin, so both the extent's corner and its size count.
    const Rect rect{10, -5, 60, 40};
    const Image frame = greyFrame(rect);
    const std::int64_t top = rect.maxY() - 1, bottom = rect.minY(), left = rect.minX(), right = rect.maxX() - 1;

    // From the top edge to the bottom edge: a full stop at the top, nothing at the bottom.
    const PixelBuffer down = renderExtent(applyLocalMasks(frame, {{brighten({0.5, 0}, {0.5, 1})}, {}}));
    EXPECT_NEAR(weightAt(down, left, top), 1.0f - 0.5f / 40, 1e-5f);
    EXPECT_NEAR(weightAt(down, right, top), 1.0f - 0.5f / 40, 1e-5f);
    EXPECT_NEAR(weightAt(down, left, bottom), 0.5f / 40, 1e-5f);
    EXPECT_NEAR(weightAt(down, left, bottom + 10), 10.5f / 40, 1e-5f);

    // Inverted, the bottom gets it instead.
    LinearMask inverted = brighten({0.5, 0}, {0.5, 1});
    inverted.isInverted = true;
    const PixelBuffer up = renderExtent(applyLocalMasks(frame, {{inverted}, {}}));
    EXPECT_NEAR(weightAt(up, left, top), 0.5f / 40, 1e-5f);
    EXPECT_NEAR(weightAt(up, left, bottom), 1.0f - 0.5f / 40, 1e-5f);

    // The default graduated mask darkens the top 40 % by 0.7 EV and leaves the rest untouched.
    const PixelBuffer sky = renderExtent(applyLocalMasks(frame, {{LinearMask{}}, {}}));
    EXPECT_NEAR(at(sky, left + 7, top)[0], kGrey * (1 + (1.0f - 0.5f / 16) * (std::exp2(-0.7f) - 1)), 1e-5f);
    EXPECT_LT(at(sky, right, top - 8)[0], kGrey);
    EXPECT_EQ(at(sky, left + 7, top - 16)[0], kGrey);
    EXPECT_EQ(at(sky, right, bottom)[0], kGrey);

    // From the left edge to the right edge: x counts from the left.
    const PixelBuffer across = renderExtent(applyLocalMasks(frame, {{brighten({0, 0.5}, {1, 0.5})}, {}}));
    EXPECT_NEAR(weightAt(across, left, top), 1.0f - 0.5f / 60, 1e-5f);
    EXPECT_NEAR(weightAt(across, left, bottom), 1.0f - 0.5f / 60, 1e-5f);
    EXPECT_NEAR(weightAt(across, right, top), 0.5f / 60, 1e-5f);

    // A diagonal from the top-left corner to the bottom-right one: the fall-off runs along the
    // 60 × −40 diagonal, so the bottom-left corner lies nearer the start than the top-right.
    const PixelBuffer diagonal = renderExtent(applyLocalMasks(frame, {{brighten({0, 0}, {1, 1})}, {}}));
    EXPECT_GT(weightAt(diagonal, left, top), 0.98f);
    EXPECT_LT(weightAt(diagonal, right, bottom), 0.02f);
    EXPECT_NEAR(weightAt(diagonal, left, bottom), 1.0f - 1600.0f / 5200, 0.02f);
    EXPECT_NEAR(weightAt(diagonal, right, top), 1.0f - 3600.0f / 5200, 0.02f);
}

TEST(MaskStageTest, RadialMasksFollowRadiusFeatherAndInversion) {
    // 3000 × 2000 at radii 0.2: half-axes 600 × 400, outer radius 600, feathered from 300.
    RadialMask spot;
    spot.radiusX = spot.radiusY = 0.2;
    RadialMaskGeometry g = radialMaskGeometry(spot, Rect{0, 0, 3000, 2000});
    EXPECT_EQ(g.radiusX, 600);
    EXPECT_EQ(g.radiusY, 400);
    EXPECT_EQ(g.radius, 600);
    EXPECT_EQ(g.innerRadius, 300);
    EXPECT_TRUE(g.isEllipse);
    EXPECT_FALSE(radialMaskGeometry(spot, Rect{0, 0, 3000, 3004}).isEllipse);  // within a pixel: a circle
    spot.feather = 1.2;
    EXPECT_EQ(radialMaskGeometry(spot, Rect{0, 0, 3000, 2000}).innerRadius, 0);
    spot.feather = -0.5;  // a hand-edited file: the edge still ends at the outer radius
    EXPECT_EQ(radialMaskGeometry(spot, Rect{0, 0, 3000, 2000}).innerRadius, 600);

    // Rendered on 300 × 200: half-axes 60 × 40 about (150, 100), full within 30 × 20.
    const Image frame = greyFrame(Rect{0, 0, 300, 200});
    RadialMask m;
    m.radiusX = m.radiusY = 0.2;
    m.exposure = 1;
    const PixelBuffer b = renderExtent(applyLocalMasks(frame, {{}, {m}}));
    auto ring = [](double d) { return float(std::clamp((d - 30.0) / 30.0, 0.0, 1.0)); };
    EXPECT_NEAR(weightAt(b, 150, 100), 1.0f, 1e-6f);
    EXPECT_NEAR(weightAt(b, 170, 100), 1.0f, 1e-6f);                     // inside the feather, across
    // Pixel centres lie half a pixel off the grid; vertical offsets count 60/40 times.
    EXPECT_NEAR(weightAt(b, 194, 100), 1.0f - ring(std::hypot(44.5, 0.75)), 1e-5f);  // on the ring, across
    EXPECT_NEAR(weightAt(b, 150, 129), 1.0f - ring(std::hypot(0.5, 44.25)), 1e-5f);  // up
    EXPECT_NEAR(weightAt(b, 150, 70), 1.0f - ring(std::hypot(0.5, 44.25)), 1e-5f);   // and down
    EXPECT_EQ(weightAt(b, 211, 100), 0.0f);                              // beyond the half-axes
    EXPECT_EQ(weightAt(b, 150, 141), 0.0f);
    EXPECT_EQ(weightAt(b, 0, 0), 0.0f);

    // Inverted: untouched inside, full outside.
    m.isInverted = true;
    const PixelBuffer inv = renderExtent(applyLocalMasks(frame, {{}, {m}}));
    EXPECT_EQ(weightAt(inv, 150, 100), 0.0f);
    EXPECT_NEAR(weightAt(inv, 194, 100), ring(std::hypot(44.5, 0.75)), 1e-5f);
    EXPECT_NEAR(weightAt(inv, 0, 199), 1.0f, 1e-6f);
    EXPECT_NEAR(weightAt(inv, 299, 0), 1.0f, 1e-6f);

    // A feather beyond 1 leaves no full core: the ramp starts at the centre.
    m.isInverted = false;
    m.feather = 1.2;
    const PixelBuffer soft = renderExtent(applyLocalMasks(frame, {{}, {m}}));
    EXPECT_NEAR(weightAt(soft, 170, 100), 1.0f - float(std::hypot(20.5, 0.75) / 60), 1e-5f);

    // The centre counts y from the top: (0.5, 0.25) lies a quarter down from the top edge.
    m.feather = 0.5;
    m.center = {0.5, 0.25};
    const PixelBuffer high = renderExtent(applyLocalMasks(frame, {{}, {m}}));
    EXPECT_NEAR(weightAt(high, 150, 150), 1.0f, 1e-6f);
    EXPECT_EQ(weightAt(high, 150, 50), 0.0f);
}

TEST(MaskStageTest, MasksCompoundInListOrderLinearBeforeRadial) {
    const Image frame = greyFrame(Rect{0, 0, 30, 20});
    LinearMask brighter = everywhere();
    LinearMask steeper = everywhere();
    steeper.exposure = 0;
    steeper.contrast = 2;
    // +1 EV then contrast 2 about 0.5: (0.5 − 0.5)·2 + 0.5; the other way round: 0.
    EXPECT_NEAR(at(renderExtent(applyLocalMasks(frame, {{brighter, steeper}, {}})), 3, 3)[0], 0.5f, 1e-5f);
    EXPECT_NEAR(at(renderExtent(applyLocalMasks(frame, {{steeper, brighter}, {}})), 3, 3)[0], 0.0f, 1e-5f);

    // A radial mask listed before nothing still runs after every linear mask.
    RadialMask wide;
    wide.radiusX = wide.radiusY = 1;
    wide.feather = 0.05;
    wide.exposure = 1;
    EXPECT_NEAR(at(renderExtent(applyLocalMasks(frame, {{steeper}, {wide}})), 3, 3)[0], 0.0f, 1e-5f);

    // Disabled and neutral masks add nothing, not even a node.
    LinearMask off = brighter;
    off.isEnabled = false;
    RadialMask neutral;
    neutral.exposure = 0;
    neutral.isInverted = true;
    EXPECT_TRUE(applyLocalMasks(frame, {{off}, {neutral}}).isSameNode(frame));
    EXPECT_TRUE(applyLocalMasks(frame, {{}, {}}).isSameNode(frame));
}

TEST(MaskStageTest, CorrectionsUnderAFullMaskAreThoseOfTheColourFilters) {
    const Image frame = testing::pipelineImage(Rect{0, 0, 40, 30}, [](std::int64_t x, std::int64_t y) {
        return std::array<float, 3>{0.02f + 0.03f * float(x), 0.01f + 0.03f * float(y), 0.3f + 0.01f * float(x - y)};
    });
    auto masked = [&](const std::function<void(LinearMask&)>& edit) {
        LinearMask m = everywhere();
        m.exposure = 0;
        edit(m);
        return renderExtent(applyLocalMasks(frame, {{m}, {}}));
    };
    auto same = [](const PixelBuffer& a, const Image& b) { return testing::maxDifference(a, renderExtent(b)); };

    // Exposure, contrast and saturation, then white balance at 6500 K + temperature.
    TemperatureAndTintParameters warm;
    warm.neutral = {6800, 4};
    ColorControlsParameters controls;
    controls.contrast = 1.2f;
    controls.saturation = 0.7f;
    EXPECT_LT(same(masked([](LinearMask& m) {
                       m.exposure = 0.5;
                       m.contrast = 1.2;
                       m.saturation = 0.7;
                       m.temperature = 300;
                       m.tint = 4;
                   }),
                   temperatureAndTint(colorControls(exposure(frame, {0.5f}), controls), warm)),
              1e-5f);

    // Shadows lift with amount = shadows; highlights recover with amount = 1 + highlights.
    EXPECT_LT(same(masked([](LinearMask& m) {
                       m.shadows = 0.6;
                       m.highlights = -0.5;
                   }),
                   highlightsAndShadows(frame, {0.5f, 0.6f})),
              2e-4f);
    // Positive highlights and negative shadows lie outside the filter's range: no change.
    EXPECT_EQ(same(masked([](LinearMask& m) {
                       m.highlights = 0.5;
                       m.shadows = -0.5;
                   }),
                   frame),
              0.0f);
    // A tint of 0.05 makes the mask non-neutral but is below the white-balance threshold.
    EXPECT_EQ(same(masked([](LinearMask& m) { m.tint = 0.05; }), frame), 0.0f);
    EXPECT_EQ(same(masked([](LinearMask& m) { m.temperature = 1.5; }), frame) > 0.0f, true);
}

TEST(MaskStageTest, PipelineRunsTheMaskCubeAndSubjectStages) {
    const Image source = testing::pipelineImage(Rect{0, 0, 48, 32}, [](std::int64_t x, std::int64_t y) {
        return std::array<float, 3>{0.05f + 0.015f * float(x), 0.1f + 0.02f * float(y), 0.4f};
    });
    const DarkroomPipeline& pipeline = DarkroomPipeline::shared();
    const PixelBuffer neutral = renderExtent(pipeline.render(source, EditParameters::defaultValue()));
    auto changes = [&](const std::function<void(EditParameters&)>& edit, std::optional<Image> mask = std::nullopt) {
        EditParameters r = EditParameters::defaultValue();
        edit(r);
        return testing::maxDifference(neutral, renderExtent(pipeline.render(source, r, mask))) > 0.01f;
    };
    EXPECT_TRUE(changes([](EditParameters& r) { r.masks.linearMasks.push_back(LinearMask{}); }));
    EXPECT_TRUE(changes([](EditParameters& r) { r.masks.radialMasks.push_back(RadialMask{}); }));
    EXPECT_TRUE(changes([](EditParameters& r) { r.setHSLAdjustment({0, -100, 0}, HSLColorChannel::blue); }));
    EXPECT_TRUE(changes([](EditParameters& r) { r.colorGrading.shadows = {200, 0.8, 0}; }));
    auto subject = [](EditParameters& r) {
        r.subjectMask.isEnabled = r.subjectMask.hasDetectedSubject = true;
        r.subjectMask.background.exposure = -1;
    };
    EXPECT_TRUE(changes(subject, Image::constant({0, 0, 0, 1})));
    EXPECT_FALSE(changes(subject));  // no mask for the frame
    // Only mixer entries under keys the mixer does not know: nothing to do, nothing clipped.
    EXPECT_FALSE(changes([](EditParameters& r) { r.hslAdjustments["aqua"] = {50, 50, 50}; }));
}

}  // namespace
}  // namespace vantrel
