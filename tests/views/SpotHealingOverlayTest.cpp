// The spot-healing overlay: its geometry without a window, then the widget
// driven by the pointer on a 3000 x 2000 frame in a 900 x 900 overlay, where
// the frame is (0, 150, 900, 600) and its short side 600 points.
#include <cmath>
#include <numbers>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "model/EditParameters.h"
#include "views/retouch/SpotHealingGeometry.h"
#include "views/retouch/SpotHealingOverlayView.h"

namespace vantrel {
namespace {

using spots::SpotPart;

SpotItem spotAt(double x, double y, double radius, Point offset = {0, 0.1}) {
    SpotItem spot;
    spot.center = {x, y};
    spot.radius = radius;
    spot.sourceOffset = offset;
    return spot;
}

// The unit point of overlay point (x, y) on the 900 x 900 layout.
Point unit(double x, double y) { return {x / 900, (y - 150) / 600}; }

TEST(SpotHealingGeometry, LayoutSizesReachAndTheDeleteButtonPlace) {
    const spots::Layout layout = spots::layoutFor({900, 900}, {3000, 2000});
    EXPECT_EQ(layout.imageRect, QRectF(0, 150, 900, 600));
    EXPECT_DOUBLE_EQ(layout.shortSide, 600);
    const SpotItem spot = spotAt(0.5, 0.5, 0.05, {0.1, 0});
    EXPECT_DOUBLE_EQ(spots::drawnRadius(layout, spot), 30);
    EXPECT_DOUBLE_EQ(spots::grabReach(layout, spot), 10.5);  // what it heals whole
    EXPECT_EQ(spots::targetPoint(layout, spot), QPointF(450, 450));
    EXPECT_EQ(spots::sourcePoint(layout, spot), QPointF(540, 450));
    EXPECT_EQ(spots::labelCentre({450, 450}, 30), QPointF(450, 408));
    // The delete button's reach just outside the ring, off the source's side (the right):
    // the first such place clockwise from the upper right is below.
    EXPECT_EQ(spots::deleteButtonCentre(layout, {spot}, spot, {}), QPointF(450, 493));
    // Away from another spot there and from a speck: the next place clockwise, else none.
    const SpotItem beside = spotAt(0.5, 345.0 / 600, 0.01);  // target (450, 495)
    const std::optional<QPointF> button = spots::deleteButtonCentre(layout, {spot, beside}, spot, {});
    ASSERT_TRUE(button);
    EXPECT_NEAR(button->x(), 450 - 43 / std::numbers::sqrt2, 1e-9);
    EXPECT_NEAR(button->y(), 450 + 43 / std::numbers::sqrt2, 1e-9);
    const auto dustBelow = [](const QPointF& p, double) { return p.y() > 450; };
    EXPECT_EQ(spots::deleteButtonCentre(layout, {spot}, spot, {}, dustBelow), QPointF(407, 450));
    EXPECT_FALSE(spots::deleteButtonCentre(layout, {spot}, spot, {}, [](const QPointF&, double) { return true; }));
    // A tiny spot: taken at its cross-hair, drawn 6.
    const SpotItem tiny = spotAt(0.5, 0.5, 0.005);
    EXPECT_DOUBLE_EQ(spots::grabReach(layout, tiny), spots::kCrossHairArm);
    EXPECT_DOUBLE_EQ(spots::drawnRadius(layout, tiny), 6);
    // Too small an overlay, or a frame without a side: the whole overlay.
    EXPECT_EQ(spots::layoutFor({20, 300}, {3000, 2000}).imageRect, QRectF(0, 0, 20, 300));
    EXPECT_DOUBLE_EQ(spots::layoutFor({400, 300}, {0, 2000}).shortSide, 300);
    // A new spot of a 20-point brush.
    const auto made = spots::newSpotAt(layout, {450, 300}, 20);
    ASSERT_TRUE(made);
    EXPECT_DOUBLE_EQ(made->radius, 20.0 / 600);
    EXPECT_DOUBLE_EQ(made->center.y, 0.25);
    EXPECT_FALSE(spots::newSpotAt(spots::Layout{}, {0, 0}, 20));
}

TEST(SpotHealingGeometry, PressesFindTheNearestPartAndTheDeleteButtonLeavesBothCentres) {
    const spots::Layout layout = spots::layoutFor({900, 900}, {3000, 2000});
    // A large spot: its delete button lies outside the ring's hit circle and is still reached.
    SpotItem big = spotAt(0.5, 0.5, 0.2, {0.3, 0});
    const QPointF button = *spots::deleteButtonCentre(layout, {big}, big, {});
    EXPECT_GT(std::hypot(button.x() - 450, button.y() - 450), 120 + spots::kDeleteButtonHitRadius);
    const auto hit = spots::partAt(layout, {big}, spots::DeleteButton{big.id, button}, button);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->part, SpotPart::deleteButton);
    // Not the button of a spot that is gone.
    EXPECT_FALSE(spots::partAt(layout, {big}, spots::DeleteButton{Uuid::random(), button}, button));
    // Where two centres meet, a target lies above every source, a later spot above an earlier one.
    SpotItem a = spotAt(0.5, 0.5, 0.02, {0.02, 0});  // source at (468, 450)
    SpotItem b = spotAt(0.52, 0.5, 0.02, {0, 0.2});  // target at (468, 450)
    auto top = spots::partAt(layout, {b, a}, std::nullopt, {468, 450});
    ASSERT_TRUE(top);
    EXPECT_EQ(top->id, b.id);
    EXPECT_EQ(top->part, SpotPart::target);
    SpotItem c = spotAt(0.52, 0.5, 0.02);
    top = spots::partAt(layout, {c, b}, std::nullopt, {468, 450});
    EXPECT_EQ(top->id, b.id);
    EXPECT_FALSE(spots::partAt(layout, {a}, std::nullopt, {400, 400}));

    // A 6-point spot with its source 13 points away, up and to the right (where
    // the button would stand on a large spot), selected: each centre takes its
    // own part, the rest of the ring is picture to heal, and the button keeps
    // off the source's side.
    const SpotItem small = spotAt(0.5, 0.5, 0.01, {9.0 / 900, -9.0 / 600});
    const QPointF T(450, 450), S(459, 441);
    const spots::LabelBoxes labels = spots::labelBoxes(T, S, 6, {40, 15}, {80, 15});
    const QPointF place = *spots::deleteButtonCentre(layout, {small}, small, labels);
    EXPECT_GT(std::hypot(place.x() - S.x(), place.y() - S.y()), 6 + spots::kDeleteButtonHitRadius);
    EXPECT_LE(QPointF::dotProduct(place - T, S - T), 0);  // away from the source's side
    const spots::DeleteButton shown{small.id, place};
    const auto partAt = [&](QPointF p) { return spots::partAt(layout, {small}, shown, p); };
    EXPECT_EQ(partAt(T)->part, SpotPart::target);
    EXPECT_EQ(partAt(S)->part, SpotPart::source);
    EXPECT_EQ(partAt(S + QPointF(0, 3))->part, SpotPart::source);
    EXPECT_EQ(partAt(T + QPointF(-3, 0))->part, SpotPart::target);
    EXPECT_FALSE(partAt(T + QPointF(-5.5, 0)));  // on the ring: a place to heal
    EXPECT_EQ(partAt(place)->part, SpotPart::deleteButton);
    // Towards its source, 12 to 15 points out: never the button.
    for (double d = 12; d <= 15; d += 1) {
        const auto hit = partAt(T + d * (S - T) / std::hypot(9.0, 9.0));
        EXPECT_TRUE(!hit || hit->part != SpotPart::deleteButton) << d;
    }
}

TEST(SpotHealingGeometry, DragsStayInsideTheFrameAndTheArrowNeedsRoom) {
    const QRectF R(0, 150, 900, 600);
    // Target: the centre within 0.01 ... 0.99 on each axis.
    auto center = spots::draggedCenter({0.5, 0.5}, {-900, 900}, R);
    ASSERT_TRUE(center);
    EXPECT_DOUBLE_EQ(center->x, 0.01);
    EXPECT_DOUBLE_EQ(center->y, 0.99);
    center = spots::draggedCenter({0.5, 0.5}, {90, -60}, R);
    EXPECT_NEAR(center->x, 0.6, 1e-12);
    EXPECT_NEAR(center->y, 0.4, 1e-12);
    // Source: the sample point, not the offset, stops at 0.01 and 0.99.
    auto offset = spots::draggedSourceOffset({0.1, 0}, {0.8, 0.5}, {900, -900}, R);
    ASSERT_TRUE(offset);
    EXPECT_NEAR(0.8 + offset->x, 0.99, 1e-12);
    EXPECT_NEAR(0.5 + offset->y, 0.01, 1e-12);
    // A frame without area: nothing to write.
    EXPECT_FALSE(spots::draggedCenter({0.5, 0.5}, {1, 1}, QRectF(0, 0, 0, 100)));
    EXPECT_FALSE(spots::draggedSourceOffset({0, 0}, {0.5, 0.5}, {1, 1}, QRectF(0, 0, 100, 0)));

    // The arrow only when the source is more than r + 6 from the target.
    EXPECT_FALSE(spots::arrowhead({100, 100}, {136, 100}, 30));
    const auto head = spots::arrowhead({100, 100}, {137, 100}, 30);
    ASSERT_TRUE(head);
    EXPECT_NEAR(head->tip.x(), 107, 1e-9);  // where the line meets the target's ring
    EXPECT_NEAR(head->barbA.x(), 107 - 8 * std::cos(std::numbers::pi / 6), 1e-9);
    EXPECT_NEAR(head->barbA.y(), 100 + 8 * std::sin(std::numbers::pi / 6), 1e-9);
    EXPECT_NEAR(head->barbB.y(), 100 - 8 * std::sin(std::numbers::pi / 6), 1e-9);
}

// ---------------------------------------------------------------- the widget

struct OverlayFixture {
    test::CountedValue<EditParameters> recipe;
    test::CountedValue<std::optional<Uuid>> selection;
    std::shared_ptr<double> brush = std::make_shared<double>(20);
    std::vector<std::vector<SpotItem>> searches;  // what the search was shown
    SpotHealingOverlayView overlay;
    QSignalSpy changes{&overlay, &SpotHealingOverlayView::changed};

    explicit OverlayFixture(std::vector<SpotItem> spots = {}, bool external = true)
        : overlay(recipe.binding().projected(&EditParameters::spotHealing),
                  external ? std::optional<SpotHealingOverlayView::SelectionBinding>(selection.binding()) : std::nullopt,
                  [b = brush] { return *b; }, [] { return QSize(3000, 2000); },
                  [this](const Point&, double, const std::vector<SpotItem>& seen) {
                      searches.push_back(seen);
                      return Point{0.05, -0.02};
                  }) {
        recipe.value->spotHealing.spots = std::move(spots);
    }
    const std::vector<SpotItem>& spots() const { return recipe.value->spotHealing.spots; }
    bool show() { return test::showExposed(overlay, {900, 900}); }
};

TEST(SpotHealingOverlayView, TapsSelectTheFirstSpotInReachClearBesideTheFrameAndAddOtherwise) {
    // Point P = (450, 450) is 8 points from A's source and from B's target: within the
    // reach of both (10.5).
    const SpotItem a = spotAt(458.0 / 900, 0.25, 0.05, {0, 0.25});  // target (458, 300), source (458, 450)
    const SpotItem b = spotAt(442.0 / 900, 0.5, 0.05, {0, 0.3});    // target (442, 450)
    OverlayFixture f({a, b});
    ASSERT_TRUE(f.show());
    f.overlay.handleCanvasTap({450, 450});
    EXPECT_EQ(*f.selection.value, a.id);
    f.recipe.value->spotHealing.spots = {b, a};
    f.overlay.handleCanvasTap({450, 450});
    EXPECT_EQ(*f.selection.value, b.id);
    EXPECT_EQ(f.recipe.writeCount(), 0);
    EXPECT_EQ(f.changes.count(), 0);

    // The frame's bottom and right edges lie outside it: the selection clears.
    QTest::mouseClick(&f.overlay, Qt::LeftButton, {}, {450, 750});
    EXPECT_EQ(*f.selection.value, std::nullopt);
    *f.selection.value = a.id;
    f.overlay.handleCanvasTap({900, 300});
    EXPECT_EQ(*f.selection.value, std::nullopt);
    EXPECT_EQ(f.recipe.writeCount(), 0);

    // Inside A's ring, 20 points from its centre: the ring heals only its middle whole, so a
    // click there heals anew rather than selecting A.
    QTest::mouseClick(&f.overlay, Qt::LeftButton, {}, {458, 320});
    ASSERT_EQ(f.spots().size(), 3u);
    EXPECT_EQ(*f.selection.value, f.spots().back().id);
    EXPECT_EQ(f.recipe.writeCount(), 1);
    f.recipe.value->spotHealing.spots = {b, a};

    // An empty part of the frame: one spot appended, searched with the list before it.
    f.searches.clear();
    QTest::mouseClick(&f.overlay, Qt::LeftButton, {}, {100, 600});
    ASSERT_EQ(f.spots().size(), 3u);
    ASSERT_EQ(f.searches.size(), 1u);
    EXPECT_EQ(f.searches[0].size(), 2u);
    const SpotItem& made = f.spots().back();
    EXPECT_NEAR(made.center.x, unit(100, 600).x, 1e-12);
    EXPECT_NEAR(made.center.y, unit(100, 600).y, 1e-12);
    EXPECT_DOUBLE_EQ(made.radius, 20.0 / 600);
    EXPECT_EQ(made.sourceOffset, (Point{0.05, -0.02}));
    EXPECT_EQ(made.opacity, 1.0);
    EXPECT_EQ(*f.selection.value, made.id);
    EXPECT_EQ(f.recipe.writeCount(), 2);
    EXPECT_EQ(f.changes.count(), 2);
}

TEST(SpotHealingOverlayView, HandleDragsMoveTargetOrSampleWithinTheFrameAndReportTheirEnd) {
    const SpotItem s = spotAt(0.5, 0.5, 0.05, {0.1, 0});  // target (450, 450), source (540, 450)
    OverlayFixture f({s});
    ASSERT_TRUE(f.show());
    // The target, dragged far left and down: the centre stops at 0.01 and 0.99, the
    // offset is kept. One write and one report per step, one more report at the end.
    test::drag(&f.overlay, {450, 450}, {-2000, 2000}, 3);
    EXPECT_DOUBLE_EQ(f.spots()[0].center.x, 0.01);
    EXPECT_DOUBLE_EQ(f.spots()[0].center.y, 0.99);
    EXPECT_EQ(f.spots()[0].sourceOffset, s.sourceOffset);
    EXPECT_EQ(f.recipe.writeCount(), 3);
    EXPECT_EQ(f.changes.count(), 4);
    EXPECT_EQ(*f.selection.value, s.id);  // dragging selects
    EXPECT_FALSE(f.overlay.draggingTargetSpotID());

    // A new drag starts from the values of that moment; within a drag every step counts
    // from the start.
    f.recipe.value->spotHealing.spots = {s};
    test::dragAlong(&f.overlay, {{450, 450}, {540, 450}, {360, 390}});
    EXPECT_NEAR(f.spots()[0].center.x, 0.4, 1e-12);
    EXPECT_NEAR(f.spots()[0].center.y, 0.4, 1e-12);

    // The source, dragged far right and up: the sample point stops at 0.99 and 0.01.
    f.recipe.value->spotHealing.spots = {s};
    test::drag(&f.overlay, {540, 450}, {3000, -3000}, 2);
    EXPECT_NEAR(f.spots()[0].center.x + f.spots()[0].sourceOffset.x, 0.99, 1e-12);
    EXPECT_NEAR(f.spots()[0].center.y + f.spots()[0].sourceOffset.y, 0.01, 1e-12);
    EXPECT_EQ(f.spots()[0].center, s.center);
}

TEST(SpotHealingOverlayView, ASpotRemovedDuringADragEndsItAndNothingIsWritten) {
    const SpotItem s = spotAt(0.5, 0.5, 0.05);
    OverlayFixture f({s, spotAt(0.2, 0.2, 0.05)});
    ASSERT_TRUE(f.show());
    QTest::mousePress(&f.overlay, Qt::LeftButton, {}, {450, 450});
    QTest::mouseMove(&f.overlay, {460, 450});
    EXPECT_EQ(f.overlay.draggingTargetSpotID(), s.id);
    const int writes = f.recipe.writeCount();
    const int reports = int(f.changes.count());
    // Undone meanwhile: the list holds only the other spot now.
    f.recipe.value->spotHealing.spots.erase(f.recipe.value->spotHealing.spots.begin());
    const std::vector<SpotItem> left = f.spots();
    QTest::mouseMove(&f.overlay, {500, 450});
    QTest::mouseMove(&f.overlay, {520, 450});
    QTest::mouseRelease(&f.overlay, Qt::LeftButton, {}, {520, 450});
    EXPECT_EQ(f.spots(), left);
    EXPECT_EQ(f.recipe.writeCount(), writes);
    EXPECT_EQ(f.changes.count(), reports);
    EXPECT_FALSE(f.overlay.draggingTargetSpotID());
}

TEST(SpotHealingOverlayView, TheDeleteButtonOfALargeSpotAndTheBrushResizeTheSelection) {
    const SpotItem big = spotAt(0.5, 0.5, 0.2, {0.3, 0});
    const SpotItem other = spotAt(0.1, 0.1, 0.02);
    OverlayFixture f({other, big});
    ASSERT_TRUE(f.show());
    // No selection: a new brush radius changes nothing.
    *f.brush = 30;
    f.overlay.refresh();
    EXPECT_EQ(f.recipe.writeCount(), 0);

    // Selected, the brush resizes it: 40 points on a short side of 600.
    QTest::mouseClick(&f.overlay, Qt::LeftButton, {}, {450, 450});
    ASSERT_EQ(*f.selection.value, big.id);
    *f.brush = 40;
    f.overlay.refresh();
    EXPECT_DOUBLE_EQ(f.spots()[1].radius, 40.0 / 600);
    EXPECT_EQ(f.changes.count(), 1);
    f.overlay.refresh();  // the same radius again: nothing
    EXPECT_EQ(f.changes.count(), 1);

    // The selected id names no spot: nothing.
    *f.selection.value = Uuid::random();
    *f.brush = 50;
    f.overlay.refresh();
    EXPECT_EQ(f.changes.count(), 1);

    // Back to the big spot, made large again; its delete button just outside the ring, below.
    f.recipe.value->spotHealing.spots = {other, big};
    *f.selection.value = big.id;
    f.overlay.refresh();
    const QPointF button = f.overlay.deleteButton()->centre;
    EXPECT_EQ(button, QPointF(450, 583));
    QSignalSpy deletions(&f.overlay, &SpotHealingOverlayView::spotDeleted);
    QTest::mouseClick(&f.overlay, Qt::LeftButton, {}, button.toPoint());
    ASSERT_EQ(f.spots().size(), 1u);
    EXPECT_EQ(f.spots()[0].id, other.id);
    EXPECT_EQ(*f.selection.value, std::nullopt);
    EXPECT_EQ(f.changes.count(), 2);
    EXPECT_EQ(deletions.count(), 1);
}

// A pointer move without a button, straight to the widget: offscreen, a move
// through the platform reaches whichever exposed window holds the point.
void hover(QWidget& widget, QPointF point) {
    QMouseEvent event(QEvent::MouseMove, point, widget.mapToGlobal(point), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(&widget, &event);
}

TEST(SpotHealingOverlayView, TheBrushFollowsThePointerOverTheFrameOutsideDrags) {
    const SpotItem s = spotAt(0.5, 0.5, 0.05);
    OverlayFixture f({s}, false);  // the overlay keeps the selection itself
    ASSERT_TRUE(f.show());
    hover(f.overlay, {200, 300});
    EXPECT_TRUE(f.overlay.isBrushShown());
    hover(f.overlay, {200, 100});  // beside the frame
    EXPECT_FALSE(f.overlay.isBrushShown());
    hover(f.overlay, {200, 300});
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&f.overlay, &leave);
    EXPECT_FALSE(f.overlay.isBrushShown());
    EXPECT_EQ(f.overlay.hoverLocation(), QPointF(200, 300));  // the last point stays

    QTest::mousePress(&f.overlay, Qt::LeftButton, {}, {450, 450});
    QTest::mouseMove(&f.overlay, {470, 450});
    EXPECT_FALSE(f.overlay.isBrushShown());
    QTest::mouseRelease(&f.overlay, Qt::LeftButton, {}, {470, 450});
    EXPECT_TRUE(f.overlay.isBrushShown());
    // Dragging selected the spot, held by the overlay itself.
    EXPECT_EQ(f.overlay.selectedSpotID(), s.id);
    EXPECT_EQ(f.selection.writeCount(), 0);

    // An external selection that holds none reads the internal one, which writes never reach.
    OverlayFixture g({s});
    EXPECT_EQ(g.overlay.selectedSpotID(), std::nullopt);
    g.overlay.setSelectedSpotID(s.id);
    EXPECT_EQ(*g.selection.value, s.id);
    *g.selection.value = std::nullopt;
    EXPECT_EQ(g.overlay.selectedSpotID(), std::nullopt);
}

TEST(SpotHealingOverlayView, DrawsRingsLabelsAndTheDeleteButton) {
    OverlayFixture f({spotAt(0.3, 0.5, 0.05, {0.15, 0.1}), spotAt(0.7, 0.4, 0.02, {-0.05, 0.2})});
    *f.selection.value = f.spots()[0].id;
    ASSERT_TRUE(f.show());
    hover(f.overlay, {700, 650});
    const QImage shot = test::grabImage(f.overlay);
    test::saveShot(shot, "spot-overlay");
    // The selected target ring (yellow) at 30 points right of its centre (270, 450).
    const QColor ring = test::pixelAt(shot, {300, 450});
    EXPECT_GT(ring.red(), 200);
    EXPECT_GT(ring.green(), 150);
    EXPECT_LT(ring.blue(), 100);
    // The delete button's red at its centre's left.
    const QPointF button = f.overlay.deleteButton()->centre;
    EXPECT_NEAR(button.x(), 270 - 43 / std::numbers::sqrt2, 1e-9);  // lower left: the source lies lower right
    const QColor red = test::pixelAt(shot, (button + QPointF(-5, 0)).toPoint());
    EXPECT_GT(red.red(), 180);
    EXPECT_LT(red.green(), 100);
}

TEST(SpotHealingOverlayView, EditsRepaintOnlyWhatTheyChangeAndLeaveNothingBehind) {
    QWidget page;  // before the overlay, which leaves it first
    test::fillGround(page, QColor(40, 60, 80));
    OverlayFixture f({spotAt(0.3, 0.5, 0.05, {0.15, 0.1}), spotAt(0.7, 0.4, 0.02, {-0.05, 0.2})});
    f.overlay.setParent(&page);
    f.overlay.setGeometry(0, 0, 900, 900);
    ASSERT_TRUE(test::showExposed(page, {900, 900}));
    QTest::mouseClick(&f.overlay, Qt::LeftButton, {}, {270, 450});  // select the first
    QTest::mouseClick(&f.overlay, Qt::LeftButton, {}, {600, 650});  // add one, selected
    test::drag(&f.overlay, {270, 450}, {330, 400}, 3);              // move the first's target
    test::drag(&f.overlay, {465, 480}, {520, 600}, 2);              // and its source
    hover(f.overlay, {100, 300});
    hover(f.overlay, {140, 320});
    QCoreApplication::processEvents();
    // The long sequence of partial repaints matches a fresh drawing of the whole.
    const QImage shown = page.screen()->grabWindow(page.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage fresh = test::grabImage(page).convertToFormat(QImage::Format_RGB32);
    test::saveShot(shown, "spot-overlay-after-edits");
    ASSERT_EQ(f.spots().size(), 3u);
    EXPECT_EQ(shown, fresh);
}

}  // namespace
}  // namespace vantrel
