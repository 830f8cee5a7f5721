// The arithmetic and texts of the filmstrip, histogram, navigator and
// shooting-information card, without a window.
#include <cmath>
#include <limits>

#include <QSignalSpy>
#include <gtest/gtest.h>

#include "views/canvas/FilmstripLayout.h"
#include "views/canvas/FilmstripModel.h"
#include "views/canvas/HistogramGeometry.h"
#include "views/canvas/HistogramRaster.h"
#include "views/canvas/MetadataCells.h"
#include "views/canvas/NavigatorGeometry.h"

namespace vantrel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Uuid idOf(int n) {
    Uuid::Bytes bytes{};
    bytes[15] = std::uint8_t(n);
    return Uuid(bytes);
}

std::vector<FilmstripCell> cells(int count) {
    std::vector<FilmstripCell> list;
    for (int i = 0; i < count; ++i) list.push_back({idOf(i + 1), "frame " + std::to_string(i + 1)});
    return list;
}

// ---------------------------------------------------------------- filmstrip

TEST(FilmstripLayout, CellsSitTenApartTwelveInAndHitsAreHalfOpen) {
    const filmstrip::Layout strip(3, 12);
    EXPECT_DOUBLE_EQ(strip.contentWidth(), 12 + 3 * 80 + 2 * 10 + 12);
    EXPECT_DOUBLE_EQ(filmstrip::Layout(0, 12).contentWidth(), 24);
    // 56 + 4 + 12 tall, padded 4 above and below, centred in the 84-point band.
    EXPECT_EQ(strip.cellRect(1), QRectF(102, 6, 80, 72));
    EXPECT_EQ(strip.thumbnailRect(1), QRectF(102, 6, 80, 56));
    EXPECT_EQ(strip.titleRect(1), QRectF(102, 66, 80, 12));
    EXPECT_EQ(strip.checkBoxRect(1), QRectF(104, 8, 22, 22));

    using filmstrip::Hit;
    using filmstrip::Part;
    EXPECT_EQ(strip.hitTest({102, 6}), (Hit{1, Part::cell}));
    EXPECT_EQ(strip.hitTest({181.9, 77.9}), (Hit{1, Part::cell}));
    EXPECT_EQ(strip.hitTest({182, 40}), Hit{});   // the right edge lies outside
    EXPECT_EQ(strip.hitTest({150, 78}), Hit{});   // so does the bottom edge
    EXPECT_EQ(strip.hitTest({186, 40}), Hit{});   // the gap between two cells
    EXPECT_EQ(strip.hitTest({6, 40}), Hit{});     // the leading padding
    EXPECT_EQ(strip.hitTest({150, 3}), Hit{});    // above the cell
    EXPECT_EQ(strip.hitTest({104, 8}), (Hit{1, Part::checkBox}));
    EXPECT_EQ(strip.hitTest({125.9, 29.9}), (Hit{1, Part::checkBox}));
    EXPECT_EQ(strip.hitTest({126, 20}), (Hit{1, Part::cell}));  // beside the box: the cell
    EXPECT_EQ(strip.hitTest({300, 40}), Hit{});   // past the last cell
    EXPECT_EQ(strip.hitTest({kNaN, 40}), Hit{});
}

TEST(FilmstripLayout, VisibleRowsAreThoseThatMeetTheSpan) {
    const filmstrip::Layout strip(2000, 12);
    auto rows = [&](double left, double width) {
        const filmstrip::VisibleRows r = strip.visibleRows(left, width);
        return std::pair{r.first, r.end};
    };
    EXPECT_EQ(rows(0, 800), std::pair(0, 9));      // row 8 starts at 732 and shows in part
    EXPECT_EQ(rows(92, 90), std::pair(1, 2));      // row 0 ends exactly at 92: not shown
    EXPECT_EQ(rows(91, 90), std::pair(0, 2));
    EXPECT_EQ(rows(100000, 900), std::pair(1111, 1121));
    EXPECT_EQ(rows(1e9, 900), std::pair(2000, 2000));
    EXPECT_EQ(rows(-500, 100), std::pair(0, 0));
    EXPECT_EQ(rows(0, 0), std::pair(0, 0));
    EXPECT_EQ(filmstrip::Layout(0, 12).visibleRows(0, 800).end, 0);
}

TEST(FilmstripModel, ChangesOnlyWhatDiffersAndResetsWhenTheFramesChange) {
    FilmstripModel model;
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    model.setCells(cells(5));
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.rowOf(idOf(3)), 2);
    EXPECT_EQ(model.rowOf(idOf(9)), -1);

    // The same list again: nothing to report.
    model.setCells(cells(5));
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(changes.count(), 0);

    // A thumbnail arrives for two neighbours and a rating changes further on: two runs.
    std::vector<FilmstripCell> next = cells(5);
    QImage picture(32, 20, QImage::Format_RGB32);
    picture.fill(Qt::red);
    next[1].thumbnail = picture;
    next[2].thumbnail = picture;
    next[4].rating = 3;
    model.setCells(next);
    EXPECT_EQ(resets.count(), 1);
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(changes.at(0).at(0).toModelIndex().row(), 1);
    EXPECT_EQ(changes.at(0).at(1).toModelIndex().row(), 2);
    EXPECT_EQ(changes.at(1).at(0).toModelIndex().row(), 4);
    EXPECT_EQ(model.cell(4).rating, 3);
    EXPECT_EQ(model.data(model.index(1), Qt::DisplayRole).toString(), "frame 2");

    // Selection and ticks: only the rows that flip.
    changes.clear();
    model.setSelectedID(idOf(2));
    model.setSelectedID(idOf(4));
    EXPECT_EQ(changes.count(), 3);  // row 1 on; row 1 off and row 3 on
    EXPECT_TRUE(model.isSelected(3));
    EXPECT_FALSE(model.isSelected(1));
    changes.clear();
    model.setCheckedIDs({idOf(1), idOf(5)});
    model.setCheckedIDs({idOf(1), idOf(5)});
    EXPECT_EQ(changes.count(), 2);
    EXPECT_TRUE(model.isChecked(4));
    EXPECT_EQ(model.data(model.index(0), FilmstripModel::CheckedRole).toBool(), true);

    // A filter hides a frame: the rows are made anew and the marks still follow the identifiers.
    std::vector<FilmstripCell> filtered = cells(5);
    filtered.erase(filtered.begin() + 1);
    model.setCells(filtered);
    EXPECT_EQ(resets.count(), 2);
    EXPECT_EQ(model.rowOf(idOf(4)), 2);
    EXPECT_TRUE(model.isSelected(2));
    EXPECT_TRUE(model.isChecked(3));
    model.setSelectedID(std::nullopt);
    for (int row = 0; row < model.count(); ++row) EXPECT_FALSE(model.isSelected(row)) << row;
}

// ---------------------------------------------------------------- navigator

TEST(NavigatorGeometry, ThumbnailFitsTheMapAndTheFactorFollowsTheCanvasFit) {
    EXPECT_EQ(navigator::thumbnailRect({3200, 2000}), QRectF(0, 3, 160, 100));
    EXPECT_EQ(navigator::thumbnailRect({3000, 2000}), QRectF(0.5, 0, 159, 106));
    EXPECT_EQ(navigator::thumbnailRect({2000, 3000}), QRectF((160 - 106 / 1.5) / 2, 0, 106 / 1.5, 106));
    EXPECT_EQ(navigator::thumbnailRect({0, 3000}), QRectF(0, 0, 160, 106));
    EXPECT_EQ(navigator::thumbnailRect({kNaN, 3000}), QRectF(0, 0, 160, 106));
    // 6000 x 4000 in 1200 x 800: fitted 1200 wide, one pixel per point at 5.
    EXPECT_DOUBLE_EQ(navigator::actualPixelsFactor({1200, 800}, {6000, 4000}), 5.0);
    EXPECT_DOUBLE_EQ(navigator::actualPixelsFactor({1200, 800}, {0, 4000}), 1.0);
    EXPECT_DOUBLE_EQ(navigator::actualPixelsFactor({18, 800}, {6000, 4000}), 1.0);
}

TEST(NavigatorGeometry, ViewportOnALetterboxedFrameUsesTheFittedSize) {
    // A 2:3 portrait frame in a 1000 x 700 canvas: fitted 466.67 x 700, letterboxed sideways.
    const QSizeF container(1000, 700), image(2000, 3000);
    const QRectF thumb = navigator::thumbnailRect(image);
    const double fw = 700.0 * 2 / 3;

    // Fitted: the whole thumbnail.
    auto fit = navigator::viewportRect(thumb, container, image, 1.0, {});
    ASSERT_TRUE(fit);
    EXPECT_NEAR(fit->left(), thumb.left(), 1e-9);
    EXPECT_NEAR(fit->width(), thumb.width(), 1e-9);
    EXPECT_NEAR(fit->height(), thumb.height(), 1e-9);

    // Zoom 3: the frame is 1400 wide on screen and the canvas shows 1000 of it across
    // (5/7 of the thumbnail, not 1/3), and 700 of 2100 down.
    auto zoomed = navigator::viewportRect(thumb, container, image, 3.0, {});
    ASSERT_TRUE(zoomed);
    EXPECT_NEAR(zoomed->width(), thumb.width() * 1000 / (fw * 3), 1e-9);
    EXPECT_NEAR(zoomed->height(), thumb.height() / 3, 1e-9);
    EXPECT_NEAR(zoomed->center().x(), thumb.center().x(), 1e-9);

    // Zoom 1.5: the frame is 700 wide, narrower than the canvas: the whole width shows.
    auto wide = navigator::viewportRect(thumb, container, image, 1.5, {});
    EXPECT_NEAR(wide->width(), thumb.width(), 1e-9);
    EXPECT_NEAR(wide->height(), thumb.height() / 1.5, 1e-9);

    // Panned right by 200 at zoom 3: the viewport moves left by 200 / 1400 of the thumbnail.
    auto panned = navigator::viewportRect(thumb, container, image, 3.0, {200, -350});
    EXPECT_NEAR(panned->center().x(), thumb.center().x() - thumb.width() * 200 / (fw * 3), 1e-9);
    EXPECT_NEAR(panned->center().y(), thumb.center().y() + thumb.height() * 350 / 2100, 1e-9);

    // Deep zoom: drawn at least 8 x 8 around the same centre.
    auto deep = navigator::viewportRect(thumb, container, image, 400.0, {});
    EXPECT_LT(deep->width(), 8);
    const QRectF drawn = navigator::drawnViewport(*deep);
    EXPECT_EQ(drawn.size(), QSizeF(8, 8));
    EXPECT_EQ(drawn.center(), deep->center());

    // Nothing to show without a container, with a zoom that is not a number or not positive.
    EXPECT_FALSE(navigator::viewportRect(thumb, {0, 0}, image, 3.0, {}));
    EXPECT_FALSE(navigator::viewportRect(thumb, {1000, 0}, image, 3.0, {}));
    EXPECT_FALSE(navigator::viewportRect(thumb, container, image, kNaN, {}));
    EXPECT_FALSE(navigator::viewportRect(thumb, container, image, 0, {}));
    EXPECT_FALSE(navigator::viewportRect(thumb, container, image, 3.0, {kNaN, 0}));
}

TEST(NavigatorGeometry, ATapCentresTheTappedPointWithinThePanLimits) {
    const QSizeF container(1000, 700), image(2000, 3000);
    const QRectF thumb = navigator::thumbnailRect(image);
    const double fw = 700.0 * 2 / 3;  // 466.67
    auto at = [&](double nx, double ny) {
        return QPointF(thumb.left() + (nx + 0.5) * thumb.width(), thumb.top() + (ny + 0.5) * thumb.height());
    };

    // A quarter right of centre at zoom 3: the frame is 1400 wide on screen, so that point
    // lies 350 right of the frame's centre; the pan brings it to the middle: -350,
    // then held at the limit (1400 - 1000) / 2 = 200.
    auto pan = navigator::tapPan(at(0.25, 0), thumb, container, image, 3.0);
    ASSERT_TRUE(pan);
    EXPECT_NEAR(pan->x(), -200, 1e-9);
    EXPECT_NEAR(pan->y(), 0, 1e-9);
    // Within the limits the tap's own value: a tenth right and a fifth down at zoom 4.
    pan = navigator::tapPan(at(0.1, 0.2), thumb, container, image, 4.0);
    ASSERT_TRUE(pan);
    EXPECT_NEAR(pan->x(), -0.1 * fw * 4, 1e-9);   // -186.67 of the 433.33 allowed
    EXPECT_NEAR(pan->y(), -0.2 * 700 * 4, 1e-9);  // -560 of the 1050 allowed
    // A landscape frame that fills the width: -(0.25 x 1000) x 3 = -750 of the 1000 allowed.
    const QRectF landscape = navigator::thumbnailRect({3000, 2000});
    pan = navigator::tapPan({landscape.left() + 0.75 * landscape.width(), landscape.center().y()}, landscape,
                            {1000, 700}, {3000, 2000}, 3.0);
    ASSERT_TRUE(pan);
    EXPECT_NEAR(pan->x(), -750, 1e-9);

    // Fitted (1.05 and below) or outside the thumbnail (its right and bottom edges
    // included), or without a container: nothing.
    EXPECT_FALSE(navigator::tapPan(at(0.25, 0), thumb, container, image, 1.05));
    EXPECT_FALSE(navigator::tapPan(at(0.25, 0), thumb, container, image, 1.0));
    EXPECT_TRUE(navigator::tapPan(at(0.25, 0), thumb, container, image, 1.06));
    EXPECT_FALSE(navigator::tapPan({thumb.right(), thumb.center().y()}, thumb, container, image, 3.0));
    EXPECT_FALSE(navigator::tapPan({thumb.center().x(), thumb.bottom()}, thumb, container, image, 3.0));
    EXPECT_TRUE(navigator::tapPan(thumb.topLeft(), thumb, container, image, 3.0));
    EXPECT_FALSE(navigator::tapPan({thumb.left() - 1, 50}, thumb, container, image, 3.0));  // letterbox margin
    EXPECT_FALSE(navigator::tapPan(at(0.25, 0), thumb, {0, 0}, image, 3.0));
}

TEST(NavigatorGeometry, LabelAndEmphasisFollowTheZoom) {
    using navigator::Emphasis;
    const QString fit = QStringLiteral("Fit");
    EXPECT_EQ(navigator::zoomLabel(1.0, 4.0, fit), "Fit");
    EXPECT_EQ(navigator::zoomLabel(1.05, 4.0, fit), "Fit");
    EXPECT_EQ(navigator::zoomLabel(kNaN, 4.0, fit), "Fit");
    EXPECT_EQ(navigator::zoomLabel(2.0, 4.0, fit), "50%");
    EXPECT_EQ(navigator::zoomLabel(8.0, 4.0, fit), "200%");
    EXPECT_EQ(navigator::zoomLabel(2.5, 4.0, fit), "63%");  // 62.5: halves away from zero
    EXPECT_EQ(navigator::zoomLabel(5.0, 5.0, fit), "100%");

    EXPECT_EQ(navigator::emphasis(1.0, 4.0), (Emphasis{true, false, false}));
    EXPECT_EQ(navigator::emphasis(1.05, 4.0), (Emphasis{true, false, false}));
    EXPECT_EQ(navigator::emphasis(2.0, 4.0), (Emphasis{false, false, false}));
    EXPECT_EQ(navigator::emphasis(8.0, 4.0), (Emphasis{false, false, true}));
    EXPECT_EQ(navigator::emphasis(4.15, 4.0), (Emphasis{false, true, false}));
    // A frame no larger than the canvas: 1:1 is fitted, and both apply.
    EXPECT_EQ(navigator::emphasis(1.0, 1.0), (Emphasis{true, true, false}));
}

// ---------------------------------------------------------------- histogram

TEST(HistogramGeometry, CurvesLieInTheStandardRangeAndNeverCarryANaN) {
    EXPECT_DOUBLE_EQ(histogram::standardRangeWidth(300, false), 300);
    EXPECT_DOUBLE_EQ(histogram::standardRangeWidth(300, true), 216);

    std::vector<float> bins(256, 0.5f);
    bins[0] = -1.0f;
    bins[1] = 2.0f;
    bins[2] = std::numeric_limits<float>::quiet_NaN();
    bins[3] = std::numeric_limits<float>::infinity();
    const double d = histogram::standardRangeWidth(300, true);
    const QPolygonF line = histogram::curvePoints(bins, 0, d, 90);
    ASSERT_EQ(line.size(), 256);
    EXPECT_EQ(line.first(), QPointF(0, 90));      // below 0: the bottom edge
    EXPECT_EQ(line[1].y(), 0);                     // above 1: the top edge
    EXPECT_EQ(line[2].y(), 90);                    // not a number: 0
    EXPECT_EQ(line[3].y(), 90);                    // infinite: 0 as well
    EXPECT_DOUBLE_EQ(line.last().x(), d);
    for (const QPointF& p : line) {
        EXPECT_TRUE(std::isfinite(p.x()) && std::isfinite(p.y()));
        EXPECT_LE(p.x(), 0.72 * 300 + 1e-9);
    }
    const QPainterPath area = histogram::curveArea(line, 0, d, 90);
    EXPECT_LE(area.boundingRect().right(), d + 1e-9);

    // The extended range's own curve fills the right 28 %.
    const QPolygonF zone = histogram::curvePoints(std::vector<float>(64, 0.25f), d, 300 - d, 90);
    EXPECT_DOUBLE_EQ(zone.first().x(), d);
    EXPECT_DOUBLE_EQ(zone.last().x(), 300);
    EXPECT_DOUBLE_EQ(zone.first().y(), 67.5);

    // Too few values: nothing, and no division by zero.
    EXPECT_TRUE(histogram::curvePoints({}, 0, 300, 90).isEmpty());
    EXPECT_TRUE(histogram::curvePoints({0.5f}, 0, 300, 90).isEmpty());
    EXPECT_TRUE(histogram::curveArea({}, 0, 300, 90).isEmpty());

    const QRectF grid = histogram::gridPath(216, 90).boundingRect();
    EXPECT_EQ(grid, QRectF(0, 0, 216, 90));
}

TEST(HistogramGeometry, MarksAndTextsOfBothRanges) {
    HistogramData data = HistogramData::empty();
    histogram::Marks marks = histogram::marksFor(data);
    EXPECT_FALSE(marks.badge || marks.shadowDot || marks.highlightDot);
    data.shadowClipping = data.highlightClipping = true;
    marks = histogram::marksFor(data);
    EXPECT_TRUE(marks.shadowDot && marks.highlightDot && !marks.badge);
    // The extended range hides the highlight warning, never the shadow warning.
    data.isUltraHDREnabled = true;
    marks = histogram::marksFor(data);
    EXPECT_TRUE(marks.badge && marks.shadowDot);
    EXPECT_FALSE(marks.highlightDot);

    EXPECT_EQ(histogram::badgeText(2.5), "EDR Headroom 2.5x");
    EXPECT_EQ(histogram::badgeText(3.0), "EDR Headroom 3.0x");
    EXPECT_EQ(histogram::headroomLabel(3.0), "EDR +1.6 EV");
    EXPECT_EQ(histogram::headroomLabel(4.0), "EDR +2.0 EV");
    EXPECT_EQ(histogram::badgeText(0.5), "EDR Headroom 0.5x");
    EXPECT_EQ(histogram::headroomLabel(0.5), "EDR +0.0 EV");
    EXPECT_EQ(histogram::headroomLabel(kNaN), "EDR +0.0 EV");
    EXPECT_EQ(histogram::badgeText(kNaN), "EDR Headroom 1.0x");
}

TEST(HistogramRaster, FillsBelowTheLineWithAnEdgeInProportion) {
    QImage image(20, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // A flat line at 4.5 across the first ten columns, opaque red.
    histogram::fillUnder(image, QPolygonF({QPointF(0, 4.5), QPointF(10, 4.5)}), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(3, 3).alpha(), 0);
    EXPECT_NEAR(image.pixelColor(3, 4).alpha(), 128, 1);  // half the top pixel lies under the line
    EXPECT_EQ(image.pixel(3, 5), qRgba(255, 0, 0, 255));
    EXPECT_EQ(image.pixel(9, 9), qRgba(255, 0, 0, 255));
    EXPECT_EQ(image.pixelColor(10, 9).alpha(), 0);  // past the line's end
    // Translucent over translucent: premultiplied "over".
    histogram::fillUnder(image, QPolygonF({QPointF(0, 0), QPointF(20, 0)}), QColor(0, 0, 255, 128));
    const QColor both = image.pixelColor(5, 8);
    EXPECT_EQ(both.alpha(), 255);
    EXPECT_NEAR(both.red(), 127, 2);
    EXPECT_NEAR(both.blue(), 128, 2);
    const QColor alone = image.pixelColor(15, 8);
    EXPECT_NEAR(alone.alpha(), 128, 1);

    // A slope at twice the pixel density: each column takes the line's height at its middle.
    QImage sharp(40, 40, QImage::Format_ARGB32_Premultiplied);
    sharp.setDevicePixelRatio(2);
    sharp.fill(Qt::transparent);
    histogram::fillUnder(sharp, QPolygonF({QPointF(0, 0), QPointF(20, 20)}), QColor(Qt::white));
    for (int x : {11, 30}) {
        // The line lies at x + 0.5 device pixels in this column: half of row x is under it.
        EXPECT_EQ(sharp.pixelColor(x, x - 1).alpha(), 0) << x;
        EXPECT_NEAR(sharp.pixelColor(x, x).alpha(), 128, 1) << x;
        EXPECT_EQ(sharp.pixelColor(x, x + 1).alpha(), 255) << x;
    }
    // Too short a line, or a wrong format: nothing.
    QImage untouched(10, 10, QImage::Format_ARGB32_Premultiplied);
    untouched.fill(Qt::transparent);
    histogram::fillUnder(untouched, QPolygonF({QPointF(0, 0)}), QColor(Qt::white));
    EXPECT_EQ(untouched.pixelColor(5, 9).alpha(), 0);
    QImage rgb(10, 10, QImage::Format_RGB32);
    rgb.fill(Qt::black);
    histogram::fillUnder(rgb, QPolygonF({QPointF(0, 0), QPointF(10, 0)}), QColor(Qt::white));
    EXPECT_EQ(rgb.pixelColor(5, 9), QColor(Qt::black));
}

// ---------------------------------------------------------------- card

TEST(MetadataCells, MissingValuesDimensionsAndFileDetail) {
    ImageMetadataInfo bare;
    bare.colorProfile = "sRGB";
    auto cells = metadata::cellsFor(bare);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(cells[std::size_t(i)].value, "--") << i;
        EXPECT_TRUE(cells[std::size_t(i)].detail.isEmpty()) << i;
    }
    EXPECT_EQ(cells[4].value, QString::fromUtf8("0 × 0"));
    EXPECT_EQ(cells[4].detail, "-- MP");  // the megapixel text's own fallback
    EXPECT_EQ(cells[5].value, "sRGB");
    EXPECT_EQ(cells[5].detail, "RAW");
    EXPECT_STREQ(cells[0].titleKey, "meta.focalLength");
    EXPECT_STREQ(cells[5].symbol, "paintpalette");

    ImageMetadataInfo full = ImageMetadataInfo::sample();
    full.pixelWidth = 6000;
    full.pixelHeight = 4000;
    cells = metadata::cellsFor(full);
    EXPECT_EQ(cells[0].value, "35mm");
    EXPECT_EQ(cells[3].value, "ISO 400");
    EXPECT_EQ(cells[4].value, QString::fromUtf8("6000 \u00D7 4000"));
    EXPECT_EQ(cells[4].detail, "24.0 MP");
    EXPECT_EQ(cells[5].detail, QString::fromUtf8("16-bit Master TIFF \u00B7 23.4 MB"));
    full.fileSizeFormatted = "";
    EXPECT_EQ(metadata::fileDetail(full), "16-bit Master TIFF");
    full.fileType.reset();
    full.fileSizeFormatted = "8 MB";
    EXPECT_EQ(metadata::fileDetail(full), QString::fromUtf8("RAW \u00B7 8 MB"));
}

}  // namespace
}  // namespace vantrel
