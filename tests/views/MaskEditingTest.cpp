// The mask tools' rules without widgets: presets and reset, the overlay's hit
// areas, drag maths and the placing of the parameter display.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "views/masks/MaskOverlayGeometry.h"
#include "views/masks/MaskEditing.h"

namespace vantrel {
namespace {

using namespace maskOverlay;

LinearMask linear(const char* name, NormalizedPoint start = {0.5, 0.1}, NormalizedPoint end = {0.5, 0.4}) {
    LinearMask m;
    m.name = name;
    m.startPoint = start;
    m.endPoint = end;
    return m;
}

RadialMask radial(const char* name, NormalizedPoint centre = {0.5, 0.5}, double radius = 0.2) {
    RadialMask m;
    m.name = name;
    m.center = centre;
    m.radiusX = m.radiusY = radius;
    return m;
}

TEST(MaskEditing, PresetsWriteTheirOwnKindOnlyAndKeepTint) {
    MaskGroupParameters masks;
    masks.linearMasks = {linear("L")};
    masks.radialMasks = {radial("R")};
    masks.linearMasks[0].tint = 12;
    masks.linearMasks[0].isInverted = true;
    masks.radialMasks[0].feather = 0.8;
    const Uuid l = masks.linearMasks[0].id, r = masks.radialMasks[0].id;

    auto preset = [](const char* key) {
        for (const MaskPreset& p : maskPresets())
            if (std::string_view(p.key) == key) return p;
        ADD_FAILURE() << key;
        return maskPresets()[0];
    };
    const MaskPreset golden = preset("mask.presetGolden");
    EXPECT_STREQ(golden.hover, "+450K");
    ASSERT_TRUE(applyMaskPreset(masks, l, golden));
    const LinearMask& g = masks.linearMasks[0];
    EXPECT_EQ(g.temperature, 450);
    EXPECT_EQ(g.exposure, 0.3);
    EXPECT_EQ(g.contrast, 1.05);
    EXPECT_EQ(g.highlights, 0);
    EXPECT_EQ(g.shadows, 0);
    EXPECT_EQ(g.saturation, 1.15);
    EXPECT_EQ(g.tint, 12);
    EXPECT_TRUE(g.isInverted);

    // A radial preset never reaches a linear mask, and the reverse.
    EXPECT_FALSE(applyMaskPreset(masks, l, preset("mask.presetFace")));
    EXPECT_FALSE(applyMaskPreset(masks, r, preset("mask.presetSky")));
    ASSERT_TRUE(applyMaskPreset(masks, r, preset("mask.presetVignette")));
    EXPECT_TRUE(masks.radialMasks[0].isInverted);
    EXPECT_EQ(masks.radialMasks[0].feather, 0.8);
    ASSERT_TRUE(applyMaskPreset(masks, r, preset("mask.presetWarmDiffuse")));
    EXPECT_FALSE(masks.radialMasks[0].isInverted);
    EXPECT_EQ(masks.radialMasks[0].temperature, 350);

    // Reset: neutral values and no inversion; feather and geometry stay.
    ASSERT_TRUE(toggleMaskInversion(masks, r));
    ASSERT_TRUE(resetMaskCorrections(masks, r));
    const RadialMask& reset = masks.radialMasks[0];
    EXPECT_TRUE(reset.isNeutral());
    EXPECT_FALSE(reset.isInverted);
    EXPECT_EQ(reset.feather, 0.8);
    EXPECT_EQ(reset.radiusX, 0.2);
    EXPECT_FALSE(resetMaskCorrections(masks, Uuid::random()));
}

TEST(MaskEditing, ExposureReadoutAndSliderTables) {
    EXPECT_EQ(exposureReadout(0).toStdString(), "+0.00 EV");
    EXPECT_EQ(exposureReadout(-0.5).toStdString(), "-0.50 EV");
    EXPECT_EQ(exposureReadout(0.011).toStdString(), "+0.01 EV");
    EXPECT_FALSE(exposureStandsOut(0.01));
    EXPECT_TRUE(exposureStandsOut(0.011));
    EXPECT_TRUE(exposureStandsOut(-0.7));

    // The inspector's card: seven linear rows, eight radial ones with feather second and temperature sixth.
    const auto& linearKind = std::get<MaskKindRow<LinearMask>>(maskKinds);
    const auto& radialKind = std::get<MaskKindRow<RadialMask>>(maskKinds);
    ASSERT_EQ(maskSliderRows(linearKind).size(), 7u);
    ASSERT_EQ(maskSliderRows(radialKind).size(), 8u);
    EXPECT_EQ(maskSliderRows(radialKind)[1]->member, &RadialMask::feather);
    EXPECT_EQ(maskSliderRows(radialKind)[5]->member, &RadialMask::temperature);
    // The display: temperature in the linear main group but the radial advanced group.
    ASSERT_EQ(displaySliderRows(linearKind, false).size(), 3u);
    ASSERT_EQ(displaySliderRows(radialKind, false).size(), 3u);
    EXPECT_EQ(displaySliderRows(linearKind, false)[2]->member, &LinearMask::temperature);
    EXPECT_EQ(displaySliderRows(radialKind, false)[1]->member, &RadialMask::feather);
    EXPECT_EQ(displaySliderRows(linearKind, true).size(), 4u);
    EXPECT_EQ(displaySliderRows(radialKind, true).size(), 5u);
    EXPECT_EQ(displaySliderRows(radialKind, true)[2]->member, &RadialMask::temperature);
}

TEST(MaskOverlayGeometry, LinesRingsAndLocalHitAreas) {
    const QRectF rect(100, 50, 800, 400);
    const LinearGeometry g = linearGeometry(linear("A", {0.25, 0.5}, {0.75, 0.5}), rect);
    EXPECT_EQ(g.start, QPointF(300, 250));
    EXPECT_EQ(g.mid, QPointF(500, 250));
    EXPECT_NEAR(g.normal.y(), 1, 1e-12);  // across a horizontal axis
    EXPECT_EQ(g.reach, 1200);
    // A mask without length draws its lines vertically.
    EXPECT_EQ(linearGeometry(linear("B", {0.5, 0.5}, {0.5, 0.5}), rect).normal, QPointF(0, 1));

    RadialMask r = radial("R", {0.5, 0.5}, 0.25);
    r.feather = 0.97;
    const RadialGeometry rg = radialGeometry(r, rect);
    EXPECT_EQ(rg.rx, 200);
    EXPECT_EQ(rg.ry, 100);  // a landscape frame draws equal radii wider than tall
    EXPECT_NEAR(rg.ringFactor, 0.05, 1e-12);
    r.radiusX = r.radiusY = 0.001;
    EXPECT_EQ(radialGeometry(r, rect).outlineSize(), QSizeF(4, 4));
    EXPECT_EQ(radialGeometry(r, rect).ringSize(), QSizeF(2, 2));

    EXPECT_TRUE(hitsLinearMask({400, 261}, g));   // 11 points off the line
    EXPECT_FALSE(hitsLinearMask({400, 263}, g));  // 13 points off
    EXPECT_FALSE(hitsLinearMask({280, 250}, g));  // beyond the end of the line
    EXPECT_TRUE(hitsRadialMask({500, 250}, rg));
    const RadialGeometry big = radialGeometry(radial("R", {0.5, 0.5}, 0.25), rect);
    EXPECT_TRUE(hitsRadialMask({711, 250}, big));   // 11 points outside the outline
    EXPECT_FALSE(hitsRadialMask({714, 250}, big));
    EXPECT_FALSE(hitsRadialMask({700, 340}, big));  // off the corner of the ellipse
}

TEST(MaskOverlayGeometry, TapPicksTheTopMostUnselectedMaskUnderThePoint) {
    const QRectF rect(0, 0, 1000, 1000);
    MaskGroupParameters masks;
    masks.linearMasks = {linear("L", {0.1, 0.5}, {0.9, 0.5})};
    masks.radialMasks = {radial("R1", {0.5, 0.5}, 0.2), radial("R2", {0.6, 0.5}, 0.2)};
    const Uuid l = masks.linearMasks[0].id, r1 = masks.radialMasks[0].id, r2 = masks.radialMasks[1].id;

    // On the line outside both radials: the linear mask under them.
    EXPECT_EQ(maskUnderPoint(masks, r1, rect, {150, 505}), l);
    // Inside both radials: the later one, unless it is the selected one.
    EXPECT_EQ(maskUnderPoint(masks, std::nullopt, rect, {550, 500}), r2);
    EXPECT_EQ(maskUnderPoint(masks, r2, rect, {550, 500}), r1);
    // Empty canvas: nothing, so the selection stays.
    EXPECT_EQ(maskUnderPoint(masks, r1, rect, {150, 100}), std::nullopt);
    // A hidden mask cannot be tapped.
    masks.linearMasks[0].isEnabled = false;
    EXPECT_EQ(maskUnderPoint(masks, r1, rect, {150, 505}), std::nullopt);
}

TEST(MaskOverlayGeometry, DragsClampAndTheDisplayStaysInside) {
    const QRectF rect(0, 0, 1000, 500);
    // Each coordinate clamps on its own: pushed past an edge, a point stays on it.
    EXPECT_EQ(draggedPoint({0.5, 0.25}, {0, -200}, rect), (NormalizedPoint{0.5, 0}));
    EXPECT_EQ(draggedPoint({0.5, 0.25}, {600, 125}, rect), (NormalizedPoint{1, 0.5}));
    const NormalizedPoint inside = draggedPoint({0.5, 0.25}, {-100, 50}, rect);
    EXPECT_NEAR(inside.x, 0.4, 1e-12);
    EXPECT_NEAR(inside.y, 0.35, 1e-12);

    EXPECT_EQ(draggedRadius(0.95, 0, 1000), 0.9);    // out of range before: brought in by any change
    EXPECT_EQ(draggedRadius(0.01, 0, 1000), 0.02);
    EXPECT_EQ(draggedRadius(0.3, -500, 1000), 0.02);  // past the centre: stops, never flips
    EXPECT_NEAR(draggedRadius(0.3, 100, 1000), 0.4, 1e-12);

    EXPECT_EQ(parameterDisplayCentre({700, 50}, {800, 600}), QPointF(649, 136));
    EXPECT_EQ(parameterDisplayCentre({-50, 900}, {800, 600}), QPointF(151, 464));
    EXPECT_EQ(parameterDisplayCentre({100, 300}, {800, 600}), QPointF(260, 300));
    // A display taller than the 240 points its place assumes is moved in whole;
    // one taller than the view keeps its header in view.
    EXPECT_EQ(keepInside({649, 136}, {270, 240}, {800, 600}), QPointF(649, 136));
    EXPECT_EQ(keepInside({649, 136}, {270, 400}, {800, 600}), QPointF(649, 216));
    EXPECT_EQ(keepInside({649, 550}, {270, 400}, {800, 600}), QPointF(649, 384));
    EXPECT_EQ(keepInside({400, 300}, {270, 700}, {800, 600}), QPointF(400, 366));

    // Clear of the selected mask's handles: the usual place while it is free,
    // else the anchor's other side, else above the handles; where no place of
    // the view is free, the one covering fewest, said to be not clear.
    const QSizeF panel(270, 240);
    auto handle = [](QPointF c) { return QRectF(c - QPointF(10, 10), QSizeF(20, 20)); };
    const DisplayPlace usual = clearDisplayPlace({100, 300}, {800, 600}, panel, {handle({100, 300})});
    EXPECT_EQ(usual.centre, QPointF(260, 300));
    EXPECT_TRUE(usual.clear);
    EXPECT_EQ(clearDisplayPlace({400, 300}, {800, 600}, panel, {handle({400, 300}), handle({560, 300})}).centre,
              QPointF(240, 300));
    EXPECT_EQ(clearDisplayPlace({400, 300}, {800, 600}, panel,
                                {handle({400, 300}), handle({560, 300}), handle({240, 300})})
                  .centre,
              QPointF(400, 162));
    const DisplayPlace none = clearDisplayPlace({160, 150}, {320, 300}, panel, {handle({160, 150})});
    EXPECT_FALSE(none.clear);
    EXPECT_EQ(none.centre, QPointF(169, 150));  // the usual place

    MaskGroupParameters masks;
    masks.linearMasks = {linear("L", {0.2, 0.2}, {0.4, 0.6})};
    masks.radialMasks = {radial("R", {0.7, 0.5})};
    EXPECT_EQ(parameterDisplayAnchor(masks, masks.linearMasks[0].id, rect, {1000, 500}), QPointF(300, 200));
    EXPECT_EQ(parameterDisplayAnchor(masks, masks.radialMasks[0].id, rect, {1000, 500}), QPointF(700, 250));
    EXPECT_EQ(parameterDisplayAnchor(masks, Uuid::random(), rect, {1000, 500}), QPointF(500, 250));
}

}  // namespace
}  // namespace vantrel
