// The filmstrip driven with the pointer: a click selects, the check box only
// ticks, the cell's marks and state show in its pixels, and a long roll is
// painted a screenful at a time.
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "views/canvas/FilmstripView.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/StandardColors.h"

namespace vantrel {
namespace {

using test::colourNear;

Uuid idOf(int n) {
    Uuid::Bytes bytes{};
    bytes[14] = std::uint8_t(n >> 8);
    bytes[15] = std::uint8_t(n);
    return Uuid(bytes);
}

QImage flat(QColor colour, int w = 120, int h = 80) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The strip's inputs, held by the test as the view model would hold them.
struct Roll {
    std::vector<FilmstripCell> cells;
    std::optional<Uuid> selected;
    std::set<Uuid> checked;
    std::vector<Uuid> selectRequests;
    std::vector<Uuid> toggleRequests;

    explicit Roll(int count) {
        for (int i = 0; i < count; ++i) cells.push_back({idOf(i + 1), "frame_" + std::to_string(i + 1) + ".tif"});
    }

    std::unique_ptr<FilmstripView> view() {
        auto strip = std::make_unique<FilmstripView>([this] { return cells; }, [this] { return selected; },
                                                     [this] { return checked; });
        QObject::connect(strip.get(), &FilmstripView::selectRequested, [this](const Uuid& id) {
            selectRequests.push_back(id);
        });
        QObject::connect(strip.get(), &FilmstripView::toggleCheckRequested, [this](const Uuid& id) {
            toggleRequests.push_back(id);
        });
        return strip;
    }
};

QPoint centreOf(const QRectF& rect) { return rect.center().toPoint(); }

TEST(FilmstripView, AClickSelectsAndTheCheckBoxOnlyTicks) {
    Roll roll(5);
    auto strip = roll.view();
    ASSERT_TRUE(test::showExposed(*strip, {600, 84}));
    QWidget* surface = strip->viewport();

    // The thumbnail, the title and the badge rows all select.
    QTest::mouseClick(surface, Qt::LeftButton, {}, centreOf(strip->thumbnailRect(2)));
    QTest::mouseClick(surface, Qt::LeftButton, {}, strip->cellRect(1).bottomRight().toPoint() - QPoint(2, 2));
    QTest::mouseClick(surface, Qt::LeftButton, Qt::ShiftModifier, strip->thumbnailRect(0).topRight().toPoint() + QPoint(-4, 4));
    ASSERT_EQ(roll.selectRequests.size(), 3u);
    EXPECT_EQ(roll.selectRequests[0], idOf(3));
    EXPECT_EQ(roll.selectRequests[1], idOf(2));
    EXPECT_EQ(roll.selectRequests[2], idOf(1));
    EXPECT_TRUE(roll.toggleRequests.empty());

    // The check box asks for the tick alone, never for the selection.
    QTest::mouseClick(surface, Qt::LeftButton, {}, centreOf(strip->checkBoxRect(3)));
    ASSERT_EQ(roll.toggleRequests.size(), 1u);
    EXPECT_EQ(roll.toggleRequests[0], idOf(4));
    EXPECT_EQ(roll.selectRequests.size(), 3u);

    // A press that leaves its part before the release, a gap, the padding: nothing.
    QTest::mousePress(surface, Qt::LeftButton, {}, centreOf(strip->checkBoxRect(0)));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, centreOf(strip->thumbnailRect(0)) + QPoint(10, 10));
    QTest::mousePress(surface, Qt::LeftButton, {}, centreOf(strip->thumbnailRect(0)));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, centreOf(strip->thumbnailRect(1)));
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(int(strip->cellRect(0).right()) + 5, 40));
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(5, 40));
    QTest::mouseClick(surface, Qt::RightButton, {}, centreOf(strip->thumbnailRect(0)));
    EXPECT_EQ(roll.selectRequests.size(), 3u);
    EXPECT_EQ(roll.toggleRequests.size(), 1u);

    // The view shows what its sources say once refreshed; it never changes them itself.
    roll.selected = idOf(3);
    roll.checked = {idOf(4)};
    strip->refresh();
    EXPECT_TRUE(strip->model().isSelected(2));
    EXPECT_TRUE(strip->model().isChecked(3));
    EXPECT_EQ(strip->toolTipAt(strip->checkBoxRect(3).center()), "Deselect photo");
    EXPECT_EQ(strip->toolTipAt(strip->checkBoxRect(0).center()), "Select photo for batch export or sync");
}

TEST(FilmstripView, CellsShowTheirStateInTheirPixels) {
    Roll roll(4);
    roll.cells[0].thumbnail = flat(QColor(250, 220, 20));  // yellow
    roll.cells[1].thumbnail = flat(QColor(250, 220, 20));
    roll.cells[1].pickStatus = PickStatus::rejected;
    roll.cells[2].hasEdits = true;
    roll.cells[2].rating = 4;
    roll.cells[2].colorLabel = ColorLabel::red;
    roll.cells[2].pickStatus = PickStatus::picked;
    roll.cells[3].is16Bit = true;
    roll.selected = idOf(1);
    roll.checked = {idOf(1), idOf(2)};
    auto strip = roll.view();
    ASSERT_TRUE(test::showExposed(*strip, {600, 84}));
    const QImage shot = test::grabImage(*strip);
    test::saveShot(shot, "filmstrip-states");
    auto at = [&](QPointF p) { return test::pixelAt(shot, p.toPoint()); };

    // The selected frame's own colours, untinted, with a 2-point accent border.
    const QRectF first = strip->thumbnailRect(0);
    EXPECT_TRUE(colourNear(at(first.center() + QPointF(20, 12)), QColor(250, 220, 20), 3));
    EXPECT_TRUE(colourNear(at({first.center().x(), first.top()}), DarkroomTheme::accent(), 40));
    // A rejected frame's picture is dimmed to 0.38 over the band.
    const QRectF second = strip->thumbnailRect(1);
    const QColor band = DarkroomTheme::filmstripBackground();
    const QColor dimmed = at(second.center() + QPointF(20, 12));
    EXPECT_NEAR(dimmed.red(), band.red() + (250 - band.red()) * 0.38, 4);
    EXPECT_NEAR(dimmed.blue(), band.blue() + (20 - band.blue()) * 0.38, 4);
    // A frame without a picture: the dark placeholder.
    const QColor placeholder = at(strip->thumbnailRect(2).center() + QPointF(25, 0));
    EXPECT_LT(placeholder.red(), band.red());
    // The recipe dot (orange) at the top right, the flag on the accent at the bottom right.
    const QRectF third = strip->thumbnailRect(2);
    EXPECT_TRUE(colourNear(at({third.right() - 6, third.top() + 6}), standardColor(StandardColor::Orange), 30));
    EXPECT_EQ(strip->toolTipAt({third.right() - 6, third.top() + 6}), "Custom darkroom recipe applied (.vantrel)");
    EXPECT_EQ(strip->toolTipAt({strip->thumbnailRect(3).right() - 6, third.top() + 6}), "");
    // The 16-bit badge is purple.
    const QRectF fourth = strip->thumbnailRect(3);
    EXPECT_GT(at({fourth.right() - 8, fourth.top() + 5}).blue(), 150);
    // Neither selected nor checked: a faint border, no accent.
    EXPECT_LT(at({fourth.center().x(), fourth.top()}).blue(), 120);

    // The title of the selected cell is bold and cut in the middle when long.
    roll.cells[0].title = "a_very_long_scan_name_from_the_lab_0001.tif";
    strip->refresh();
    const QString tip = strip->toolTipAt(strip->cellRect(0).bottomLeft() + QPointF(30, -3));
    EXPECT_EQ(tip, QString::fromStdString(roll.cells[0].title));
}

TEST(FilmstripView, AnEmptyRollIsTheBareBand) {
    Roll roll(0);
    auto strip = roll.view();
    ASSERT_TRUE(test::showExposed(*strip, {400, 84}));
    EXPECT_EQ(strip->height(), 84);
    const QImage shot = test::grabImage(*strip);
    EXPECT_TRUE(colourNear(test::pixelAt(shot, {200, 40}), DarkroomTheme::filmstripBackground(), 1));
    // The divider over the top edge: white at 0.09 over the band.
    const QColor top = test::pixelAt(shot, {200, 0});
    EXPECT_GT(top.red(), DarkroomTheme::filmstripBackground().red() + 10);
}

TEST(FilmstripView, ALongRollPaintsAScreenfulAndScrollsOnlyWhenAsked) {
    Roll roll(2000);
    for (int i = 0; i < 40; ++i) roll.cells[std::size_t(i)].thumbnail = flat(QColor(40 + i, 90, 160));
    auto strip = roll.view();
    ASSERT_TRUE(test::showExposed(*strip, {900, 84}));
    EXPECT_EQ(strip->scrollPosition(), 0);
    EXPECT_EQ(strip->visibleRows().first, 0);
    EXPECT_EQ(strip->visibleRows().end, 10);
    (void)test::grabImage(*strip);
    // Only the pictures painted so far were made.
    EXPECT_LE(strip->cachedPictures(), 10);

    // Selecting a frame far along does not move the strip.
    roll.selected = idOf(1500);
    strip->refresh();
    EXPECT_EQ(strip->scrollPosition(), 0);

    // A vertical wheel scrolls sideways; the clicked cell is the one under the pointer.
    QWheelEvent wheel(QPointF(300, 40), strip->mapToGlobal(QPointF(300, 40)), {}, QPoint(0, -120 * 5), Qt::NoButton,
                      {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(strip->viewport(), &wheel);
    EXPECT_EQ(strip->scrollPosition(), 450);
    EXPECT_EQ(strip->visibleRows().first, 4);
    QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, QPoint(30, 40));
    ASSERT_EQ(roll.selectRequests.size(), 1u);
    EXPECT_EQ(roll.selectRequests[0], idOf(6));  // row 5 starts at 462, 12 past the left edge

    // The end of the strip: the last cell ends 12 points before the edge.
    strip->horizontalScrollBar()->setValue(strip->horizontalScrollBar()->maximum());
    EXPECT_EQ(strip->visibleRows().end, 2000);
    EXPECT_DOUBLE_EQ(strip->cellRect(1999).right() + 12, strip->viewport()->width());

    // A filter leaves three frames: the strip stays within its new length.
    roll.cells.resize(3);
    strip->refresh();
    EXPECT_EQ(strip->scrollPosition(), 0);
    EXPECT_EQ(strip->model().count(), 3);
}

}  // namespace
}  // namespace vantrel
