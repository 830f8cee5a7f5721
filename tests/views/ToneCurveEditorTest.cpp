#include <algorithm>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "PanelTestSupport.h"
#include "ViewTestSupport.h"
#include "model/EditParameters.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Chip.h"
#include "views/kit/MenuButton.h"
#include "views/panels/ToneCurveCanvas.h"
#include "views/panels/ToneCurveEditorView.h"

namespace vantrel {
namespace {

using test::colourNear;
using Points = std::vector<CurvePoint>;

// A curve editor on a dark page 320 wide, as in the inspector, over a counted list.
struct CurveFixture {
    test::DarkPage page;
    test::CountedValue<Points> points;
    HistogramData histogram = HistogramData::empty();
    ToneCurveEditorView* editor;
    ToneCurveCanvas* canvas;
    QSignalSpy changes;
    QSignalSpy editing;

    explicit CurveFixture(Points initial = EditParameters::defaultCurvePoints())
        : points(std::move(initial)),
          editor(page.add(new ToneCurveEditorView(points.binding(), [this] { return histogram; }))),
          canvas(editor->canvas()),
          changes(editor, &ToneCurveEditorView::changed),
          editing(editor, &ToneCurveEditorView::editingChanged) {}

    bool show() { return test::showExposed(page.widget, {320, 260}); }
    QPoint at(double x, double y) const { return QPointF(canvas->width() * x, canvas->height() * (1 - y)).toPoint(); }
    QPoint handle(const Uuid& id) const { return canvas->handleCentre(id).toPoint(); }
    const CurvePoint& find(const Uuid& id) const {
        return *std::find_if(points.value->begin(), points.value->end(), [&](const CurvePoint& p) { return p.id == id; });
    }
    bool visible(const char* name) const {
        auto* w = page.widget.findChild<QWidget*>(name);
        return w && w->isVisibleTo(&page.widget);
    }
    void hover(QPoint p) const { QTest::mouseMove(canvas, p); }
    void leave() const {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(canvas, &event);
    }
    // The menu opened now (a closed one may linger until it is deleted).
    QMenu* contextMenu(QPoint p, const char* name) const {
        QContextMenuEvent event(QContextMenuEvent::Mouse, p, canvas->mapToGlobal(p));
        QApplication::sendEvent(canvas, &event);
        for (QMenu* menu : canvas->findChildren<QMenu*>(name))
            if (menu->isVisible()) return menu;
        return nullptr;
    }
};

TEST(ToneCurveEditor, AClickOnEmptyCanvasAddsAPointOnTheCurveOrSelectsTheOneThere) {
    CurveFixture f;
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.canvas->height(), 150);
    EXPECT_EQ(f.editor->readoutText(), "");
    EXPECT_FALSE(f.visible("curve.reset"));
    EXPECT_FALSE(f.visible("curve.delete"));
    EXPECT_EQ(f.page.widget.findChild<QLabel*>("curve.totalPoints")->text(), "5 points");

    // At 40 % of the width, well away from the diagonal's points: one new point on the curve.
    QTest::mouseClick(f.canvas, Qt::LeftButton, {}, f.at(0.4, 0.9));
    ASSERT_EQ(f.points.value->size(), 6u);
    EXPECT_EQ(f.points.writeCount(), 1);
    EXPECT_EQ(f.changes.count(), 1);
    EXPECT_EQ(f.editing.count(), 0);
    const CurvePoint& added = (*f.points.value)[2];
    EXPECT_NEAR(added.x, 0.4, 0.004);
    EXPECT_NEAR(added.y, added.x, 1e-9);
    EXPECT_EQ(f.editor->selectedPointID(), added.id);
    EXPECT_EQ(f.editor->readoutText(), "In: 102 | Out: 102");
    EXPECT_TRUE(f.visible("curve.delete"));
    EXPECT_TRUE(f.visible("curve.reset"));
    EXPECT_EQ(f.page.widget.findChild<QLabel*>("curve.totalPoints")->text(), "6 points");

    // At half the width lies a point already (within 0.025): it is selected, nothing is written.
    QTest::mouseClick(f.canvas, Qt::LeftButton, {}, f.at(0.51, 0.1));
    EXPECT_EQ(f.points.writeCount(), 1);
    EXPECT_EQ(f.changes.count(), 1);
    EXPECT_EQ(f.editor->selectedPointID(), (*f.points.value)[3].id);
    // A click on a handle selects its point.
    QTest::mouseClick(f.canvas, Qt::LeftButton, {}, f.handle((*f.points.value)[0].id) + QPoint(3, -3));
    EXPECT_EQ(f.editor->selectedPointID(), (*f.points.value)[0].id);
    EXPECT_FALSE(f.visible("curve.delete"));  // an end point
    EXPECT_EQ(f.changes.count(), 1);
}

TEST(ToneCurveEditor, ADragMovesAPointBetweenItsNeighboursOneReportPerStep) {
    CurveFixture f;
    ASSERT_TRUE(f.show());
    const Points start = *f.points.value;
    const Uuid quarter = start[1].id;
    const QPoint from = f.handle(quarter);
    // Up and far to the right: y follows, x stops 0.015 before the middle point.
    QTest::mousePress(f.canvas, Qt::LeftButton, {}, from);
    QTest::mouseMove(f.canvas, from + QPoint(0, -15));
    EXPECT_TRUE(f.editor->isDragging());
    ASSERT_EQ(f.editing.count(), 1);
    EXPECT_TRUE(f.editing.at(0).at(0).toBool());
    QTest::mouseMove(f.canvas, f.at(0.45, 0.6));
    QTest::mouseMove(f.canvas, f.at(0.9, 0.7));
    QTest::mouseMove(f.canvas, f.at(0.95, 0.7));  // held at the bound: nothing new
    EXPECT_EQ(f.editor->readoutText(), "In: 124 | Out: 179");
    QTest::mouseRelease(f.canvas, Qt::LeftButton, {}, f.at(0.95, 0.7));
    EXPECT_FALSE(f.editor->isDragging());
    EXPECT_NEAR(f.find(quarter).x, 0.485, 1e-9);
    EXPECT_NEAR(f.find(quarter).y, 0.7, 0.005);
    EXPECT_EQ(f.points.writeCount(), 3);
    EXPECT_EQ(f.changes.count(), 3);
    ASSERT_EQ(f.editing.count(), 2);
    EXPECT_FALSE(f.editing.at(1).at(0).toBool());
    EXPECT_EQ(f.editor->selectedPointID(), quarter);  // the selection stays after the drag
    // The list keeps its order: points never pass each other.
    EXPECT_TRUE(std::is_sorted(f.points.value->begin(), f.points.value->end(),
                               [](const CurvePoint& a, const CurvePoint& b) { return a.x < b.x; }));

    // The first point: y moves freely, x stays within 0 and its neighbour.
    const Uuid first = start[0].id;
    test::drag(f.canvas, f.handle(first), f.at(-0.2, 0.3));
    EXPECT_EQ(f.find(first).x, 0);
    EXPECT_NEAR(f.find(first).y, 0.3, 0.005);
    // A press that never travels a point is a click: no drag is reported.
    const int reports = f.editing.count();
    QTest::mouseClick(f.canvas, Qt::LeftButton, {}, f.handle(start[2].id));
    EXPECT_EQ(f.editing.count(), reports);
}

TEST(ToneCurveEditor, DoubleClicksDeleteInnerPointsOnlyAndNeverTheOneTheyAdd) {
    CurveFixture f;
    ASSERT_TRUE(f.show());
    const Points start = *f.points.value;
    test::doubleClick(f.canvas, f.handle(start[2].id));
    ASSERT_EQ(f.points.value->size(), 4u);
    EXPECT_TRUE(std::none_of(f.points.value->begin(), f.points.value->end(),
                             [&](const CurvePoint& p) { return p.id == start[2].id; }));
    EXPECT_EQ(f.changes.count(), 1);
    EXPECT_FALSE(f.editor->selectedPointID());  // the deleted point was selected by the first click

    // The end points stay.
    test::doubleClick(f.canvas, f.handle(start[0].id));
    test::doubleClick(f.canvas, f.handle(start[4].id));
    EXPECT_EQ(f.points.value->size(), 4u);
    EXPECT_EQ(f.changes.count(), 1);

    // On empty canvas the first click adds a point; the second only selects it.
    test::doubleClick(f.canvas, f.at(0.62, 0.62));
    ASSERT_EQ(f.points.value->size(), 5u);
    EXPECT_EQ(f.changes.count(), 2);
    EXPECT_NEAR(f.find(*f.editor->selectedPointID()).x, 0.62, 0.004);

    // The delete button removes the selected inner point.
    QTest::mouseClick(f.page.widget.findChild<Chip*>("curve.delete"), Qt::LeftButton);
    EXPECT_EQ(f.points.value->size(), 4u);
    EXPECT_EQ(f.changes.count(), 3);
    EXPECT_FALSE(f.visible("curve.delete"));

    // Down to two points nothing more can go.
    test::doubleClick(f.canvas, f.handle((*f.points.value)[1].id));
    test::doubleClick(f.canvas, f.handle((*f.points.value)[1].id));
    ASSERT_EQ(f.points.value->size(), 2u);
    QTest::mouseClick(f.canvas, Qt::LeftButton, {}, f.handle((*f.points.value)[1].id));
    EXPECT_FALSE(f.visible("curve.delete"));
    EXPECT_EQ(f.changes.count(), 5);
}

TEST(ToneCurveEditor, PresetsAndResetWriteOnceAndTheResetShowsOnlyForAChangedCurve) {
    CurveFixture f;
    ASSERT_TRUE(f.show());
    auto* presets = f.page.widget.findChild<MenuButton*>("curve.presets");
    auto* reset = f.page.widget.findChild<Chip*>("curve.reset");
    ASSERT_TRUE(presets && reset);
    EXPECT_EQ(presets->label(), "Presets");
    EXPECT_EQ(reset->text(), "Reset");
    EXPECT_EQ(reset->toolTip(), "Reset Curve");
    QTest::mouseClick(f.canvas, Qt::LeftButton, {}, f.handle((*f.points.value)[1].id));
    ASSERT_TRUE(f.editor->selectedPointID());

    for (int i = 0; i < 2; ++i) {  // twice: fresh identifiers and a report each time
        const Points before = *f.points.value;
        QTest::mouseClick(presets, Qt::LeftButton);
        ASSERT_TRUE(test::clickMenuItem(presets->menu(), presets->action("strongContrast")));
        EXPECT_NE(*f.points.value, before);
    }
    EXPECT_EQ(f.points.writeCount(), 2);
    EXPECT_EQ(f.changes.count(), 2);
    EXPECT_NEAR((*f.points.value)[1].x, 0.22, 1e-12);
    EXPECT_NEAR((*f.points.value)[3].y, 0.88, 1e-12);
    EXPECT_FALSE(f.editor->selectedPointID());  // a preset clears the selection
    EXPECT_TRUE(reset->isVisibleTo(&f.page.widget));

    QTest::mouseClick(reset, Qt::LeftButton);
    EXPECT_EQ(*f.points.value, EditParameters::defaultCurvePoints());
    EXPECT_EQ(f.points.writeCount(), 3);
    EXPECT_EQ(f.changes.count(), 3);
    EXPECT_FALSE(reset->isVisibleTo(&f.page.widget));
    // The menu's reset on the default curve still writes and reports once.
    QTest::mouseClick(presets, Qt::LeftButton);
    ASSERT_TRUE(test::clickMenuItem(presets->menu(), presets->action("reset")));
    EXPECT_EQ(f.points.writeCount(), 4);
    EXPECT_EQ(f.changes.count(), 4);
    EXPECT_EQ(f.editing.count(), 0);

    // A curve stored by an earlier run sits on the default places with other identifiers: not the default.
    Points earlier = EditParameters::defaultCurvePoints();
    for (CurvePoint& p : earlier) p.id = Uuid::random();
    *f.points.value = earlier;
    f.editor->refresh();
    EXPECT_TRUE(reset->isVisibleTo(&f.page.widget));
    EXPECT_EQ(f.changes.count(), 4);
}

TEST(ToneCurveEditor, ARefreshWithANewRecipeReportsNothingAndKeepsADragInProgress) {
    CurveFixture f;
    ASSERT_TRUE(f.show());
    const Points start = *f.points.value;
    const Uuid middle = start[2].id;
    const QPoint from = f.handle(middle);
    QTest::mousePress(f.canvas, Qt::LeftButton, {}, from);
    QTest::mouseMove(f.canvas, from + QPoint(0, -10));
    ASSERT_TRUE(f.editor->isDragging());
    const int writes = f.points.writeCount();

    // Another recipe arrives (a sync from another frame) with the dragged point moved elsewhere.
    Points other = start;
    other[2].y = 0.2;
    other[3].x = 0.6;
    *f.points.value = other;
    f.editor->refresh();
    f.editor->refresh();
    EXPECT_EQ(f.changes.count(), writes);
    EXPECT_EQ(f.editing.count(), 1);
    EXPECT_EQ(f.points.writeCount(), writes);
    EXPECT_TRUE(f.editor->isDragging());
    EXPECT_EQ(f.editor->points(), other);

    // The drag goes on against the new neighbours.
    QTest::mouseMove(f.canvas, f.at(0.9, 0.5));
    EXPECT_NEAR(f.find(middle).x, 0.585, 1e-9);
    EXPECT_NEAR((*f.points.value)[3].x, 0.6, 1e-12);

    // A recipe without the dragged point: moves write nothing; the release still ends the drag.
    *f.points.value = tonecurve::presetPoints(tonecurve::CurvePreset::linear);
    f.editor->refresh();
    const int before = f.points.writeCount();
    QTest::mouseMove(f.canvas, f.at(0.3, 0.3));
    EXPECT_EQ(f.points.writeCount(), before);
    QTest::mouseRelease(f.canvas, Qt::LeftButton, {}, f.at(0.3, 0.3));
    ASSERT_EQ(f.editing.count(), 2);
    EXPECT_FALSE(f.editing.at(1).at(0).toBool());

    // Hidden in the middle of a drag: the drag ends with it.
    const QPoint end = f.handle((*f.points.value)[0].id);
    QTest::mousePress(f.canvas, Qt::LeftButton, {}, end);
    QTest::mouseMove(f.canvas, end + QPoint(0, -10));
    ASSERT_TRUE(f.editor->isDragging());
    f.page.widget.hide();
    EXPECT_FALSE(f.editor->isDragging());
    ASSERT_EQ(f.editing.count(), 4);
    EXPECT_FALSE(f.editing.at(3).at(0).toBool());
}

TEST(ToneCurveEditor, TheReadoutFollowsThePointerAndTheSelection) {
    CurveFixture f(tonecurve::presetPoints(tonecurve::CurvePreset::mediumContrast));
    ASSERT_TRUE(f.show());
    f.hover(f.at(0.25, 0.9));
    EXPECT_TRUE(f.editor->isHovering());
    EXPECT_EQ(f.editor->readoutText(), "In: 64 | Out: 46");
    EXPECT_TRUE(f.visible("curve.readout"));
    // The hover marker sits on the curve under the pointer, in yellow.
    f.hover(f.at(0.4, 0.9));
    const QPoint marker = f.at(0.4, tonecurve::curveValue(*f.points.value, 0.4)) + QPoint(0, -4);
    const QColor onMarker = test::pixelAt(*f.canvas, marker);
    EXPECT_GT(onMarker.red(), 150);
    EXPECT_LT(onMarker.blue(), onMarker.red() - 60);
    f.leave();
    EXPECT_FALSE(f.editor->isHovering());
    EXPECT_EQ(f.editor->readoutText(), "");
    EXPECT_FALSE(f.visible("curve.readout"));

    // The selected point's values, whatever the pointer does; gone when it is deleted.
    QTest::mouseClick(f.canvas, Qt::LeftButton, {}, f.handle((*f.points.value)[3].id));
    f.leave();
    EXPECT_EQ(f.editor->readoutText(), "In: 191 | Out: 209");
    QTest::mouseClick(f.page.widget.findChild<Chip*>("curve.delete"), Qt::LeftButton);
    f.leave();
    EXPECT_EQ(f.editor->readoutText(), "");
    EXPECT_EQ(f.changes.count(), 1);
}

TEST(ToneCurveEditor, ContextMenusAddDeleteAndPutPointsOnTheDiagonal) {
    CurveFixture f(tonecurve::presetPoints(tonecurve::CurvePreset::mediumContrast));
    ASSERT_TRUE(f.show());
    const Points start = *f.points.value;
    QMenu* menu = f.contextMenu(f.handle(start[1].id), "curve.pointMenu");
    ASSERT_TRUE(menu);
    QAction* diagonal = menu->findChild<QAction*>("curve.pointMenu.resetToDiagonal");
    ASSERT_TRUE(menu->findChild<QAction*>("curve.pointMenu.deletePoint") && diagonal);
    EXPECT_EQ(diagonal->text(), "Reset Point to Diagonal");
    ASSERT_TRUE(test::clickMenuItem(menu, diagonal));
    EXPECT_EQ(f.find(start[1].id).y, 0.25);
    EXPECT_EQ(f.changes.count(), 1);

    // An end point offers no deletion.
    menu = f.contextMenu(f.handle(start[4].id), "curve.pointMenu");
    ASSERT_TRUE(menu);
    EXPECT_FALSE(menu->findChild<QAction*>("curve.pointMenu.deletePoint"));
    menu->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.canvas->findChild<QMenu*>("curve.pointMenu"); }));

    menu = f.contextMenu(f.handle(start[3].id), "curve.pointMenu");
    ASSERT_TRUE(test::clickMenuItem(menu, menu->findChild<QAction*>("curve.pointMenu.deletePoint")));
    EXPECT_EQ(f.points.value->size(), 4u);
    EXPECT_EQ(f.changes.count(), 2);

    // On the backdrop: a point where the menu was opened, then the curve's reset.
    menu = f.contextMenu(f.at(0.62, 0.1), "curve.canvasMenu");
    ASSERT_TRUE(test::clickMenuItem(menu, menu->findChild<QAction*>("curve.canvasMenu.addPointHere")));
    ASSERT_EQ(f.points.value->size(), 5u);
    EXPECT_NEAR((*f.points.value)[3].x, 0.62, 0.004);
    menu = f.contextMenu(f.at(0.1, 0.9), "curve.canvasMenu");
    ASSERT_TRUE(test::clickMenuItem(menu, menu->findChild<QAction*>("curve.canvasMenu.reset")));
    EXPECT_EQ(*f.points.value, EditParameters::defaultCurvePoints());
    EXPECT_EQ(f.changes.count(), 4);
}

TEST(ToneCurveEditor, DrawsGridCurveHandlesAndTheHistogramBehind) {
    CurveFixture f(tonecurve::presetPoints(tonecurve::CurvePreset::mediumContrast));
    ASSERT_TRUE(f.show());
    const QImage plain = test::grabImage(*f.canvas);
    const int w = f.canvas->width(), h = f.canvas->height();
    // The curve through (0.5, 0.5) is nearly white; the backdrop between lines is dark.
    EXPECT_GT(test::pixelAt(plain, {w / 2 + 20, int(h * (1 - tonecurve::curveValue(*f.points.value, (w / 2.0 + 20) / w)))}).red(), 200);
    const QPoint empty(w / 8, h / 8);
    EXPECT_LT(test::pixelAt(plain, empty).red(), 60);
    // Handles: white when idle, yellow when selected.
    const QPoint quarter = f.handle((*f.points.value)[1].id) + QPoint(3, 0);
    EXPECT_TRUE(colourNear(test::pixelAt(plain, quarter), Qt::white, 8));
    QTest::mouseClick(f.canvas, Qt::LeftButton, {}, f.handle((*f.points.value)[1].id));
    f.leave();
    EXPECT_TRUE(colourNear(test::pixelAt(*f.canvas, quarter), standardColor(StandardColor::Yellow), 12));
    test::shot(f.page.widget, "curve-selected");

    // The histogram lightens the backdrop from the bottom up.
    const QPoint low(w / 8, h - 10);
    const int before = test::pixelAt(plain, low).red();
    f.histogram.lumaBins.assign(HistogramData::kBinCount, 0.8f);
    f.editor->refresh();
    EXPECT_GT(test::pixelAt(*f.canvas, low).red(), before + 8);
    EXPECT_EQ(f.changes.count(), 0);

    // With one point there is neither curve nor fill, only guides and the handle.
    *f.points.value = {CurvePoint{Uuid::random(), 0.5, 0.8}};
    f.histogram = HistogramData::empty();
    f.editor->refresh();
    const QImage lone = test::grabImage(*f.canvas);
    EXPECT_LT(test::pixelAt(lone, {w / 8, int(h * 0.2)}).red(), 60);
    EXPECT_TRUE(colourNear(test::pixelAt(lone, f.handle((*f.points.value)[0].id) + QPoint(3, 0)), Qt::white, 8));
    // A curve starting half way up fills down to both bottom corners.
    *f.points.value = {CurvePoint{Uuid::random(), 0, 0.5}, CurvePoint{Uuid::random(), 1, 1}};
    f.editor->refresh();
    const QPoint lowLeft(w / 4, int(h * 0.85));
    EXPECT_GT(test::pixelAt(*f.canvas, lowLeft).red(), test::pixelAt(lone, lowLeft).red() + 4);
}

TEST(ToneCurveEditor, ACanvasWithoutAreaWritesNothing) {
    test::CountedValue<Points> points(EditParameters::defaultCurvePoints());
    ToneCurveEditorView editor(points.binding());
    QSignalSpy changes(&editor, &ToneCurveEditorView::changed);
    editor.canvas()->setFixedSize(0, 0);
    editor.insertPoint(10);
    editor.canvas()->setFixedSize(200, 0);
    editor.insertPoint(10);
    editor.canvas()->setFixedSize(0, 150);
    editor.insertPoint(10);
    EXPECT_EQ(points.writeCount(), 0);
    EXPECT_EQ(changes.count(), 0);
}

TEST(ToneCurveEditor, TextsFollowTheLanguage) {
    CurveFixture f;
    ASSERT_TRUE(f.show());
    {
        test::ScopedLanguage german(AppLanguage::de);
        f.editor->refresh();
        EXPECT_EQ(f.page.widget.findChild<ElidedLabel*>("curve.title")->text(), "Film-Gradationskurve");
        auto* presets = f.page.widget.findChild<MenuButton*>("curve.presets");
        EXPECT_EQ(presets->label(), "Vorgaben");
        EXPECT_EQ(presets->action("matteFilm")->text(), "Matter Film");
        EXPECT_EQ(f.page.widget.findChild<QLabel*>("curve.totalPoints")->text(), "5 Punkte");
        QTest::mouseClick(f.canvas, Qt::LeftButton, {}, f.at(0.4, 0.9));
        test::shot(f.page.widget, "curve-de");
        EXPECT_EQ(f.editor->readoutText(), "In: 102 | Out: 102");  // fixed texts
    }
    f.editor->refresh();
    EXPECT_EQ(f.page.widget.findChild<QLabel*>("curve.totalPoints")->text(), "6 points");
}

}  // namespace
}  // namespace vantrel
