#include <algorithm>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "model/EditParameters.h"
#include "views/panels/ToneCurveEditing.h"

namespace vantrel {
namespace {

using namespace tonecurve;

CurvePoint point(double x, double y) { return {Uuid::random(), x, y}; }

std::vector<std::pair<double, double>> places(const std::vector<CurvePoint>& points) {
    std::vector<std::pair<double, double>> out;
    for (const CurvePoint& p : points) out.emplace_back(p.x, p.y);
    return out;
}

const QSizeF kCanvas(200, 150);

TEST(ToneCurveEditing, PresetsHaveTheirPlacesAndFreshIdentifiersEachTime) {
    using P = std::vector<std::pair<double, double>>;
    EXPECT_EQ(places(presetPoints(CurvePreset::linear)), (P{{0, 0}, {1, 1}}));
    EXPECT_EQ(places(presetPoints(CurvePreset::mediumContrast)), (P{{0, 0}, {0.25, 0.18}, {0.5, 0.5}, {0.75, 0.82}, {1, 1}}));
    EXPECT_EQ(places(presetPoints(CurvePreset::strongContrast)), (P{{0, 0}, {0.22, 0.12}, {0.5, 0.5}, {0.78, 0.88}, {1, 1}}));
    EXPECT_EQ(places(presetPoints(CurvePreset::matteFilm)),
              (P{{0, 0.08}, {0.25, 0.24}, {0.5, 0.52}, {0.75, 0.78}, {1, 0.96}}));
    const auto first = presetPoints(CurvePreset::mediumContrast);
    const auto second = presetPoints(CurvePreset::mediumContrast);
    EXPECT_NE(first, second);
    for (std::size_t i = 0; i < first.size(); ++i) EXPECT_NE(first[i].id, second[i].id);
    EXPECT_EQ(places(sCurvePoints(0.3, 0.2, 0.7, 0.8)), (P{{0, 0}, {0.3, 0.2}, {0.5, 0.5}, {0.7, 0.8}, {1, 1}}));
}

TEST(ToneCurveEditing, ReadoutShowsTheSelectedPointElseTheCurveUnderThePointer) {
    const auto curve = presetPoints(CurvePreset::mediumContrast);
    const Uuid shadow = curve[1].id;  // (0.25, 0.18)
    EXPECT_EQ(readoutValues(curve, shadow, std::nullopt), (std::pair{64, 46}));
    EXPECT_EQ(readoutValues(curve, shadow, 0.9), (std::pair{64, 46}));  // the selection wins
    EXPECT_EQ(readoutValues(curve, curve[2].id, std::nullopt), (std::pair{128, 128}));  // 127.5 rounds up
    // A selected point that is gone is ignored: the pointer's place, or nothing.
    EXPECT_EQ(readoutValues(curve, Uuid::random(), 0.5), (std::pair{128, 128}));
    EXPECT_EQ(readoutValues(curve, Uuid::random(), std::nullopt), std::nullopt);
    EXPECT_EQ(readoutValues(curve, std::nullopt, std::nullopt), std::nullopt);
    // The pointer over an unsorted list reads the curve of the sorted one.
    std::vector<CurvePoint> shuffled{curve[4], curve[0], curve[3], curve[1], curve[2]};
    EXPECT_EQ(readoutValues(shuffled, std::nullopt, 0.25), (std::pair{64, 46}));
    EXPECT_EQ(readoutLevel(0.5), 128);
    EXPECT_EQ(readoutLevel(0.18), 46);
}

TEST(ToneCurveEditing, OnlyInnerPointsOfThreeOrMoreCanBeDeleted) {
    const auto two = presetPoints(CurvePreset::linear);
    EXPECT_FALSE(canDeletePoint(two, two[0].id));
    EXPECT_FALSE(withoutPoint(two, two[1].id));

    // The ends are found by x, not by list order.
    std::vector<CurvePoint> three{point(0.5, 0.6), point(1, 1), point(0, 0)};
    EXPECT_TRUE(canDeletePoint(three, three[0].id));
    EXPECT_FALSE(canDeletePoint(three, three[1].id));
    EXPECT_FALSE(canDeletePoint(three, three[2].id));
    EXPECT_FALSE(canDeletePoint(three, Uuid::random()));  // a point not there offers nothing to delete
    const auto two_left = withoutPoint(three, three[0].id);
    ASSERT_TRUE(two_left);
    EXPECT_EQ(*two_left, (std::vector<CurvePoint>{three[1], three[2]}));  // the others keep their order
}

TEST(ToneCurveEditing, InsertingAddsAPointOnTheCurveOrTakesTheOneThere) {
    const auto diagonal = EditParameters::defaultCurvePoints();
    // At half the width lies the default's middle point: it is taken, nothing is added.
    Insertion middle = insertPoint(diagonal, 100, kCanvas);
    EXPECT_EQ(middle.kind, Insertion::Kind::existing);
    EXPECT_EQ(middle.id, diagonal[2].id);
    // At 40 %: a new point on the curve, the list ordered by x.
    Insertion added = insertPoint(diagonal, 80, kCanvas);
    ASSERT_EQ(added.kind, Insertion::Kind::inserted);
    ASSERT_EQ(added.points.size(), 6u);
    EXPECT_EQ(added.points[2].id, added.id);
    EXPECT_NEAR(added.points[2].x, 0.4, 1e-12);
    EXPECT_NEAR(added.points[2].y, 0.4, 1e-9);
    EXPECT_TRUE(std::is_sorted(added.points.begin(), added.points.end(),
                               [](const CurvePoint& a, const CurvePoint& b) { return a.x < b.x; }));
    // On a contrast curve the new point lies on the curve as drawn.
    const auto contrast = presetPoints(CurvePreset::strongContrast);
    Insertion onCurve = insertPoint(contrast, 0.35 * 200, kCanvas);
    ASSERT_EQ(onCurve.kind, Insertion::Kind::inserted);
    EXPECT_DOUBLE_EQ(std::find_if(onCurve.points.begin(), onCurve.points.end(),
                                  [&](const CurvePoint& p) { return p.id == onCurve.id; })->y,
                     curveValue(contrast, 0.35));
    // Near the edges the place is limited to 2 % … 98 %; an end point at 0
    // lies within reach of 2 % and is taken instead.
    const auto linear = presetPoints(CurvePreset::linear);
    EXPECT_EQ(insertPoint(linear, 1, kCanvas).id, linear[0].id);
    const std::vector<CurvePoint> inner{point(0.3, 0.2), point(0.6, 0.7)};
    Insertion left = insertPoint(inner, 1, kCanvas);
    ASSERT_EQ(left.kind, Insertion::Kind::inserted);
    EXPECT_DOUBLE_EQ(left.points[0].x, 0.02);
    EXPECT_DOUBLE_EQ(left.points[0].y, 0.2);  // flat left of the first point
    Insertion beyond = insertPoint(inner, 500, kCanvas);
    EXPECT_DOUBLE_EQ(beyond.points[2].x, 0.98);
    // A canvas without area adds nothing.
    EXPECT_EQ(insertPoint(linear, 10, QSizeF(0, 150)).kind, Insertion::Kind::none);
    EXPECT_EQ(insertPoint(linear, 10, QSizeF(200, 0)).kind, Insertion::Kind::none);
    EXPECT_EQ(insertPoint(linear, std::numeric_limits<double>::quiet_NaN(), kCanvas).kind, Insertion::Kind::none);
}

TEST(ToneCurveEditing, DraggedPointsStayBetweenTheirNeighbours) {
    const auto diagonal = EditParameters::defaultCurvePoints();  // x 0, .25, .5, .75, 1
    const QSizeF size(100, 100);
    auto at = [](const std::vector<CurvePoint>& points, const Uuid& id) {
        return *std::find_if(points.begin(), points.end(), [&](const CurvePoint& p) { return p.id == id; });
    };
    // The first point, dragged right and up: x stops 0.015 before its neighbour; y follows.
    auto moved = draggedPoint(diagonal, diagonal[0].id, {90, 30}, size);
    ASSERT_TRUE(moved);
    EXPECT_NEAR(at(*moved, diagonal[0].id).x, 0.235, 1e-12);
    EXPECT_NEAR(at(*moved, diagonal[0].id).y, 0.7, 1e-12);
    // An inner point between both neighbours, y limited to 0…1.
    moved = draggedPoint(diagonal, diagonal[2].id, {-40, 400}, size);
    EXPECT_NEAR(at(*moved, diagonal[2].id).x, 0.265, 1e-12);
    EXPECT_EQ(at(*moved, diagonal[2].id).y, 0);
    moved = draggedPoint(diagonal, diagonal[2].id, {99, -50}, size);
    EXPECT_NEAR(at(*moved, diagonal[2].id).x, 0.735, 1e-12);
    EXPECT_EQ(at(*moved, diagonal[2].id).y, 1);
    // The last point runs between its neighbour and 1.
    moved = draggedPoint(diagonal, diagonal[4].id, {10, 50}, size);
    EXPECT_NEAR(at(*moved, diagonal[4].id).x, 0.765, 1e-12);
    // A lone point moves between 0 and 0.985.
    const std::vector<CurvePoint> lone{point(0.5, 0.5)};
    EXPECT_NEAR((*draggedPoint(lone, lone[0].id, {100, 50}, size))[0].x, 0.985, 1e-12);
    EXPECT_EQ((*draggedPoint(lone, lone[0].id, {-5, 50}, size))[0].x, 0);
    // Neighbours closer than twice the gap leave no room: x stays, y moves.
    const std::vector<CurvePoint> tight{point(0, 0), point(0.49, 0.4), point(0.5, 0.5), point(0.51, 0.6), point(1, 1)};
    moved = draggedPoint(tight, tight[2].id, {70, 10}, size);
    EXPECT_EQ(at(*moved, tight[2].id).x, 0.5);
    EXPECT_NEAR(at(*moved, tight[2].id).y, 0.9, 1e-12);
    // Nothing for a point that is gone or a canvas without area.
    EXPECT_FALSE(draggedPoint(diagonal, Uuid::random(), {50, 50}, size));
    EXPECT_FALSE(draggedPoint(diagonal, diagonal[1].id, {50, 50}, QSizeF(0, 0)));
    EXPECT_FALSE(draggedPoint(diagonal, diagonal[1].id, {50, 50}, QSizeF(100, 0)));
}

TEST(ToneCurveEditing, HitTestsAndCanvasGeometry) {
    const std::vector<CurvePoint> pair{point(0.5, 0.5), point(0.52, 0.5)};  // 4 points apart on 200 wide
    EXPECT_EQ(canvasPosition(pair[0], kCanvas), QPointF(100, 75));
    // A handle on top (later in the list) takes the press; a click on the backdrop takes the first.
    EXPECT_EQ(handleAt(pair, {102, 75}, kCanvas), pair[1].id);
    EXPECT_EQ(pointNear(pair, {102, 75}, kCanvas), pair[0].id);
    // The hit radius is 14, exclusive.
    EXPECT_EQ(pointNear(pair, {86.5, 75}, kCanvas), pair[0].id);
    EXPECT_EQ(pointNear(pair, {86, 75}, kCanvas), std::nullopt);
    EXPECT_EQ(handleAt(pair, {100, 90}, kCanvas), std::nullopt);

    // 129 samples from edge to edge; beyond the end points the curve runs flat.
    const std::vector<CurvePoint> inner{point(0.25, 0.3), point(0.75, 0.6)};
    const QPolygonF samples = curveSamples(inner, kCanvas);
    ASSERT_EQ(samples.size(), kCurveSamples);
    EXPECT_EQ(samples.front(), QPointF(0, 150 * 0.7));
    EXPECT_DOUBLE_EQ(samples.back().x(), 200);
    EXPECT_NEAR(samples.back().y(), 150 * 0.4, 1e-9);
    EXPECT_NEAR(samples[64].x(), 100, 1e-9);

    auto diagonal = pointOnDiagonal(presetPoints(CurvePreset::mediumContrast), Uuid::random());
    EXPECT_FALSE(diagonal);
    const auto contrast = presetPoints(CurvePreset::mediumContrast);
    diagonal = pointOnDiagonal(contrast, contrast[1].id);
    ASSERT_TRUE(diagonal);
    EXPECT_EQ((*diagonal)[1].y, 0.25);
    EXPECT_EQ((*diagonal)[1].id, contrast[1].id);
}

}  // namespace
}  // namespace vantrel
