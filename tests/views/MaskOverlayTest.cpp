// The mask overlay driven as a pointer does: taps select by local hit areas,
// handle drags write the recipe from the value found at the drag's start, the
// parameter display follows the selection and deletes by the one rule.
#include <cmath>

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "services/AppLanguage.h"
#include "views/masks/MaskOverlayView.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/StandardColors.h"
#include "views/masks/MaskLocalParameterHUD.h"
#include "views/kit/Chip.h"

namespace vantrel {
namespace {

using Handle = MaskOverlayView::Handle;

// Whether a pixel within two of `at` has the colour (a thin antialiased line).
bool nearSomewhere(const QImage& image, QPoint at, const QColor& colour) {
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            if (test::colourNear(test::pixelAt(image, at + QPoint(dx, dy)), colour, 40)) return true;
    return false;
}

LinearMask linear(const char* name, NormalizedPoint start, NormalizedPoint end) {
    LinearMask m;
    m.name = name;
    m.startPoint = start;
    m.endPoint = end;
    return m;
}

RadialMask radial(const char* name, NormalizedPoint centre, double rx, double ry) {
    RadialMask m;
    m.name = name;
    m.center = centre;
    m.radiusX = rx;
    m.radiusY = ry;
    return m;
}

// An overlay over a recipe and a selection that count their writes.
struct Overlay {
    test::CountedValue<EditParameters> recipe;
    test::CountedValue<std::optional<Uuid>> selection;
    QSize image{1000, 1000};
    MaskOverlayView view{recipe.binding().projected(&EditParameters::masks), selection.binding(),
                         [this] { return image; }};
    QSignalSpy changes{&view, &MaskOverlayView::changed};

    Overlay(EditParameters p, std::optional<Uuid> selected, QSize size = {1000, 1000}) {
        *recipe.value = std::move(p);
        *selection.value = selected;
        image = size;
        // On a dark ground, as over a photo.
        test::fillGround(view, Qt::black);
        view.refresh();
        EXPECT_TRUE(test::showExposed(view, size));
    }
    const MaskGroupParameters& masks() const { return recipe.value->masks; }
    std::optional<Uuid> selected() const { return *selection.value; }
    void tap(QPoint at) { QTest::mouseClick(&view, Qt::LeftButton, {}, at); }
    void press(QPoint at) { QTest::mousePress(&view, Qt::LeftButton, {}, at); }
    void move(QPoint at) { QTest::mouseMove(&view, at); }
    void release(QPoint at) { QTest::mouseRelease(&view, Qt::LeftButton, {}, at); }
    QPoint centreOf(Handle handle) const { return view.handleCentre(handle).value_or(QPointF(-1, -1)).toPoint(); }
};

TEST(MaskOverlay, TapSelectsTheMaskUnderThePointerAndElsewhereKeepsTheSelection) {
    EditParameters p;
    p.masks.linearMasks = {linear("L", {0.5, 0.8}, {0.9, 0.8})};
    p.masks.radialMasks = {radial("R1", {0.3, 0.5}, 0.2, 0.2), radial("R2", {0.35, 0.5}, 0.2, 0.2)};
    const Uuid l = p.masks.linearMasks[0].id, r1 = p.masks.radialMasks[0].id, r2 = p.masks.radialMasks[1].id;
    Overlay o(p, r1);

    // The linear mask lies under both radials' hit areas no more: its line is tapped.
    o.tap({550, 805});
    EXPECT_EQ(o.selected(), l);
    // Empty canvas keeps the selection.
    o.tap({50, 50});
    EXPECT_EQ(o.selected(), l);
    // Inside both radials: the top-most unselected one, then the other.
    o.tap({300, 520});
    EXPECT_EQ(o.selected(), r2);
    o.tap({300, 520});
    EXPECT_EQ(o.selected(), r1);
    // Selecting writes the selection only, never the recipe.
    EXPECT_EQ(o.recipe.writeCount(), 0);
    EXPECT_EQ(o.changes.count(), 0);
    EXPECT_EQ(o.selection.writeCount(), 3);
}

TEST(MaskOverlay, MoveHandleShortensAtAnEdgeAndRestoresWithinTheSameDrag) {
    EditParameters p;
    p.masks.linearMasks = {linear("L", {0.5, 0.1}, {0.5, 0.4})};
    Overlay o(p, p.masks.linearMasks[0].id);
    const QPoint mid = o.centreOf(Handle::linearMove);
    ASSERT_EQ(mid, QPoint(500, 250));
    ASSERT_EQ(o.view.handleAt(mid), Handle::linearMove);

    o.press(mid);
    o.move(mid + QPoint(0, -5));  // inside the 10-point start: nothing yet
    EXPECT_EQ(o.recipe.writeCount(), 0);
    o.move(mid + QPoint(0, -200));  // the start point reaches the top edge and stays there
    EXPECT_EQ(o.masks().linearMasks[0].startPoint, (NormalizedPoint{0.5, 0}));
    EXPECT_NEAR(o.masks().linearMasks[0].endPoint.y, 0.2, 1e-12);
    o.move(mid + QPoint(0, -50));  // back: initial plus the whole translation, full length again
    EXPECT_NEAR(o.masks().linearMasks[0].startPoint.y, 0.05, 1e-12);
    EXPECT_NEAR(o.masks().linearMasks[0].endPoint.y, 0.35, 1e-12);
    o.release(mid + QPoint(0, -50));
    // One write and one report per drag step.
    EXPECT_EQ(o.recipe.writeCount(), 2);
    EXPECT_EQ(o.changes.count(), 2);

    // The next drag starts from where this one left the mask.
    const QPoint next = o.centreOf(Handle::linearMove);
    o.press(next);
    o.move(next + QPoint(100, 0));
    o.release(next + QPoint(100, 0));
    EXPECT_NEAR(o.masks().linearMasks[0].startPoint.x, 0.6, 1e-12);
    EXPECT_NEAR(o.masks().linearMasks[0].startPoint.y, 0.05, 1e-12);

    // The start handle moves the start point alone.
    const QPoint start = o.centreOf(Handle::linearStart);
    ASSERT_EQ(o.view.handleAt(start), Handle::linearStart);
    o.press(start);
    o.move(start + QPoint(-100, 100));
    o.release(start + QPoint(-100, 100));
    EXPECT_NEAR(o.masks().linearMasks[0].startPoint.x, 0.5, 1e-12);
    EXPECT_NEAR(o.masks().linearMasks[0].endPoint.x, 0.6, 1e-12);
}

TEST(MaskOverlay, RadiusHandlesClampAndAShortDragChangesNothing) {
    EditParameters p;
    p.masks.radialMasks = {radial("wide", {0.0, 0.5}, 0.95, 0.5), radial("small", {0.5, 0.5}, 0.3, 0.01)};
    const Uuid wide = p.masks.radialMasks[0].id, small = p.masks.radialMasks[1].id;
    Overlay o(p, wide);

    // A drag shorter than 10 points writes nothing.
    const QPoint right = o.centreOf(Handle::radialRight);
    ASSERT_EQ(right, QPoint(950, 500));
    ASSERT_EQ(o.view.handleAt(right), Handle::radialRight);
    o.press(right);
    o.move(right + QPoint(0, 9));
    o.release(right + QPoint(0, 9));
    EXPECT_EQ(o.recipe.writeCount(), 0);
    EXPECT_EQ(o.changes.count(), 0);

    // A stored 0.95 becomes 0.9 on the first change, even moving only across.
    o.press(right);
    o.move(right + QPoint(0, 15));
    EXPECT_EQ(o.masks().radialMasks[0].radiusX, 0.9);
    o.move(right + QPoint(0, 30));  // nothing new: nothing written
    o.release(right + QPoint(0, 30));
    EXPECT_EQ(o.recipe.writeCount(), 1);
    EXPECT_EQ(o.changes.count(), 1);

    // The left handle dragged right past the centre shrinks to 0.02 and stops.
    *o.selection.value = small;
    o.view.refresh();
    const QPoint left = o.centreOf(Handle::radialLeft);
    ASSERT_EQ(left, QPoint(200, 500));
    o.press(left);
    o.move(left + QPoint(300, 0));
    EXPECT_NEAR(o.masks().radialMasks[1].radiusX, 0.02, 1e-12);
    o.move(left + QPoint(700, 0));
    EXPECT_EQ(o.masks().radialMasks[1].radiusX, 0.02);
    o.release(left + QPoint(700, 0));

    // A radius below 0.02 rises to it; the handle lies over the centre handle and wins.
    const QPoint bottom = o.centreOf(Handle::radialBottom);
    ASSERT_EQ(o.view.handleAt(bottom), Handle::radialBottom);
    o.press(bottom);
    o.move(bottom + QPoint(15, 0));
    o.release(bottom + QPoint(15, 0));
    EXPECT_EQ(o.masks().radialMasks[1].radiusY, 0.02);
    EXPECT_EQ(o.masks().radialMasks[1].center, (NormalizedPoint{0.5, 0.5}));

    // The centre handle moves the mask and stops at the frame's edge.
    const QPoint centre = o.centreOf(Handle::radialCentre);
    o.press(centre + QPoint(0, -5));
    o.move(centre + QPoint(-700, -5));
    o.release(centre + QPoint(-700, -5));
    EXPECT_EQ(o.masks().radialMasks[1].center, (NormalizedPoint{0, 0.5}));
}

TEST(MaskOverlay, AMaskRemovedUnderADragIsLeftAlone) {
    EditParameters p;
    p.masks.radialMasks = {radial("R", {0.5, 0.5}, 0.3, 0.3)};
    Overlay o(p, p.masks.radialMasks[0].id);
    const QPoint right = o.centreOf(Handle::radialRight);
    o.press(right);
    o.recipe.value->masks.radialMasks.clear();  // deleted elsewhere while the pointer is down
    o.move(right + QPoint(50, 0));
    o.release(right + QPoint(50, 0));
    EXPECT_EQ(o.recipe.writeCount(), 0);
    EXPECT_TRUE(o.masks().radialMasks.empty());
    EXPECT_EQ(o.changes.count(), 0);
}

TEST(MaskOverlay, ParameterDisplayStandsBesideTheMaskAndFollowsTheSelection) {
    EditParameters p;
    p.masks.radialMasks = {radial("R", {700.0 / 800, 50.0 / 600}, 0.1, 0.1), radial("S", {0.3, 0.7}, 0.1, 0.1)};
    const Uuid r = p.masks.radialMasks[0].id, s = p.masks.radialMasks[1].id;
    Overlay o(p, r, {800, 600});
    MaskLocalParameterHUD* display = o.view.parameterDisplay();
    ASSERT_TRUE(display->isVisible());
    // Its usual place right of the mask (centred at 649, 136) would cover the
    // left and lower radius handles: it stands left of the handles instead.
    for (const QRectF& area : o.view.handleAreas()) EXPECT_FALSE(QRectF(display->geometry()).intersects(area));
    EXPECT_NEAR(display->y() + display->height() / 2.0, 136, 1);
    EXPECT_LT(display->geometry().right(), 620 - 9);
    EXPECT_EQ(display->title()->text(), "R");

    // The badge toggles it; closing hides it; selecting another mask brings it back.
    const QPoint badge = o.centreOf(Handle::radialBadge);
    ASSERT_EQ(o.view.handleAt(badge), Handle::radialBadge);
    o.tap(badge);
    EXPECT_FALSE(display->isVisible());
    o.tap(badge);
    EXPECT_TRUE(display->isVisible());
    QTest::mouseClick(display->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(display->isVisible());
    EXPECT_FALSE(o.view.isShowingParameterDisplay());
    o.tap({240, 420});  // on the other mask
    EXPECT_EQ(o.selected(), s);
    EXPECT_TRUE(display->isVisible());
    EXPECT_EQ(display->title()->text(), "S");
    // Shown afresh: collapsed and without a drag offset.
    EXPECT_FALSE(display->isExpanded());
    EXPECT_EQ(display->offset(), QPointF());
    EXPECT_EQ(o.recipe.writeCount(), 0);
}

TEST(MaskOverlay, DeletingFromTheDisplayFollowsTheViewModelsRule) {
    EditParameters p;
    p.masks.linearMasks = {linear("L1", {0.2, 0.1}, {0.2, 0.3}), linear("L2", {0.4, 0.1}, {0.4, 0.3})};
    p.masks.radialMasks = {radial("R", {0.5, 0.7}, 0.1, 0.1)};
    const Uuid l1 = p.masks.linearMasks[0].id, l2 = p.masks.linearMasks[1].id, r = p.masks.radialMasks[0].id;
    Overlay o(p, r);
    MaskLocalParameterHUD* display = o.view.parameterDisplay();

    QTest::mouseClick(display->deleteButton(), Qt::LeftButton);  // a radial goes: the first linear is next
    EXPECT_EQ(o.selected(), l1);
    EXPECT_EQ(o.masks().radialMasks.size(), 0u);
    QTest::mouseClick(display->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(o.selected(), l2);
    QTest::mouseClick(display->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(o.selected(), std::nullopt);
    EXPECT_TRUE(o.masks().linearMasks.empty());
    EXPECT_FALSE(display->isVisible());  // nothing selected, nothing to show
    EXPECT_EQ(o.changes.count(), 3);
}

TEST(MaskOverlay, DrawsUnselectedMasksFaintlyAndTheSelectedEditorInColour) {
    EditParameters p;
    p.masks.radialMasks = {radial("R", {0.3, 0.5}, 0.2, 0.2), radial("S", {0.75, 0.5}, 0.15, 0.15)};
    p.masks.linearMasks = {linear("L", {0.5, 0.1}, {0.5, 0.3})};
    p.masks.linearMasks[0].isEnabled = false;  // hidden: not drawn unless selected
    Overlay o(p, p.masks.radialMasks[0].id);
    o.view.parameterDisplay()->hide();
    const QImage shot = test::grabImage(o.view);
    test::saveShot(shot, "mask-overlay-radial");

    // The selected outline in the accent colour, 45 degrees up and left of the centre.
    const double d = 200 / std::sqrt(2.0);
    EXPECT_TRUE(nearSomewhere(shot, QPoint(int(300 - d), int(500 - d)), standardColor(StandardColor::Accent)));
    // Its centre handle is filled with the accent, a radius handle with white.
    EXPECT_TRUE(test::colourNear(test::pixelAt(shot, QPoint(292, 500)), standardColor(StandardColor::Accent), 40));
    EXPECT_TRUE(test::colourNear(test::pixelAt(shot, QPoint(502, 500)), QColor(Qt::white), 40));
    // The hidden linear mask leaves the place of its dot as empty as a corner.
    const QColor empty = test::pixelAt(shot, QPoint(40, 960));
    EXPECT_EQ(test::pixelAt(shot, QPoint(500, 200)), empty);
    // The unselected radial's centre dot is a light mark.
    EXPECT_GT(test::pixelAt(shot, QPoint(750, 500)).lightness(), empty.lightness() + 60);

    *o.selection.value = p.masks.linearMasks[0].id;  // selected, the hidden mask gets its editor
    o.view.refresh();
    o.view.parameterDisplay()->hide();
    const QImage linearShot = test::grabImage(o.view);
    test::saveShot(linearShot, "mask-overlay-linear");
    EXPECT_TRUE(test::colourNear(test::pixelAt(linearShot, QPoint(505, 200)), QColor(Qt::white), 40));
    EXPECT_TRUE(test::colourNear(test::pixelAt(linearShot, QPoint(500, 92)), standardColor(StandardColor::Orange), 40));
}

}  // namespace
}  // namespace vantrel
