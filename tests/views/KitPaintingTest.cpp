#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "views/kit/Icons.h"
#include "views/kit/Marks.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Symbols.h"

namespace vantrel {
namespace {

using test::colourNear;

TEST(StandardColors, HexTextGivesOpaqueColoursAndGreyWhenUnreadable) {
    const QColor orange = QColor::fromRgbF(1, 149 / 255.0f, 0);
    for (const char* text : {"#FF9500", "  ff9500  ", "0xFF9500", "0XFF9500", "#80FF9500"})
        EXPECT_TRUE(colourNear(colorFromHex(text), orange, 0)) << text;
    EXPECT_TRUE(colourNear(colorFromHex("#FFF"), QColor(0, 15, 255), 0));  // no shorthand
    EXPECT_TRUE(colourNear(colorFromHex("#12G456"), QColor(0, 0, 18), 0));  // digits up to the first other character
    EXPECT_TRUE(colourNear(colorFromHex("FFFFFFFFFFFFFFFFFFFF"), QColor(255, 255, 255), 0));  // too large: all ones
    const QColor grey = QColor::fromRgbF(0.5f, 0.5f, 0.5f);
    for (const char* text : {"", "#", "xyz", "  #  "}) EXPECT_TRUE(colourNear(colorFromHex(text), grey, 0)) << text;
    EXPECT_EQ(colorFromHex("#123456").alpha(), 255);
    // Characters outside the basic plane count whole: a leading letter stays (and stops the
    // digits), a leading emoji is trimmed like any other sign.
    EXPECT_TRUE(colourNear(colorFromHex("\U0001D400FF9500"), grey, 0));
    EXPECT_TRUE(colourNear(colorFromHex("#FF9500\U0001D400"), orange, 0));
    EXPECT_TRUE(colourNear(colorFromHex("\U0001F3A8 #FF9500"), orange, 0));
}

TEST(StandardColors, OpacityMultipliesTheTablesOwn) {
    EXPECT_EQ(standardColor(StandardColor::Accent), QColor(10, 132, 255));
    EXPECT_NEAR(standardColor(StandardColor::Orange, 0.12).alphaF(), 0.12, 0.002);
    const QColor secondary = standardColor(StandardColor::SecondaryText);
    EXPECT_EQ(secondary.rgb() & 0xFFFFFF, 0xFFFFFFu);  // white at an opacity
    EXPECT_NEAR(standardColor(StandardColor::SecondaryText, 0.5).alphaF(), secondary.alphaF() * 0.5, 0.002);
    EXPECT_LT(secondary.alphaF(), standardColor(StandardColor::PrimaryText).alphaF());
}

TEST(KitPainting, DashesAreMeasuredInPointsWhateverThePenWidth) {
    const QPen pen = dashedPen(Qt::white, 2, {6, 4});
    EXPECT_EQ(pen.dashPattern(), (QList<qreal>{3, 2}));
    EXPECT_EQ(pen.capStyle(), Qt::FlatCap);
    EXPECT_EQ(dashedPen(Qt::white, 0, {3}).dashPattern(), (QList<qreal>{3, 3}));  // a lone dash repeats as its gap

    // Drawn: a 2-wide line with 6-point dashes and 4-point gaps.
    QImage image(40, 6, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        p.setPen(dashedPen(Qt::white, 2, {6, 4}));
        p.drawLine(QPointF(0, 3), QPointF(40, 3));
    }
    for (int x : {1, 4, 11, 14, 21}) EXPECT_EQ(qRed(image.pixel(x, 3)), 255) << x;
    for (int x : {7, 8, 17, 18}) EXPECT_EQ(qRed(image.pixel(x, 3)), 0) << x;
}

TEST(KitPainting, FontsAreSizedInPixels) {
    const QFont whole = pixelFont(11, QFont::Bold);
    EXPECT_EQ(whole.pixelSize(), 11);
    EXPECT_EQ(whole.weight(), QFont::Bold);
    const QFont half = pixelFont(10.5);
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    EXPECT_NEAR(half.pointSizeF() * dpi / 72, 10.5, 1e-6);
    const QFontMetricsF mono(pixelFont(12, QFont::Normal, FontDesign::Monospaced));
    EXPECT_DOUBLE_EQ(mono.horizontalAdvance("iiii"), mono.horizontalAdvance("MMMM"));
}

TEST(KitPainting, SoftShadowsFadeOutFromTheShape) {
    QPainterPath square;
    square.addRect(QRectF(0, 0, 40, 40));
    const QImage shadow = softShadowImage(square, Qt::black, 6);
    ASSERT_EQ(shadow.size(), QSize(76, 76));  // 3 × radius of room on each side
    auto alphaAt = [&](int x, int y) { return qAlpha(shadow.pixel(x, y)); };
    EXPECT_GT(alphaAt(38, 38), 250);                 // the middle stays dark
    EXPECT_NEAR(alphaAt(18, 38), 128, 20);           // half at the shape's edge
    EXPECT_NEAR(alphaAt(12, 38), 40, 15);            // a sixth one deviation out
    EXPECT_LT(alphaAt(1, 38), 5);
    // A zero radius is the shape itself, hard-edged.
    const QImage hard = softShadowImage(square, QColor(255, 0, 0, 128), 0);
    EXPECT_EQ(hard.size(), QSize(40, 40));
    EXPECT_TRUE(colourNear(hard.pixelColor(20, 20), QColor(255, 0, 0, 128)));

    // Painted with an offset under the painter's coordinates.
    QImage canvas(80, 80, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        QPainterPath small;
        small.addRect(QRectF(20, 20, 20, 20));
        paintSoftShadow(p, small, Qt::black, 2, QPointF(10, 10));
    }
    EXPECT_LT(qRed(canvas.pixel(40, 40)), 10);     // under the moved shape
    EXPECT_EQ(qRed(canvas.pixel(22, 22)), 255);    // the shape's own place is clear
}

TEST(Symbols, EveryNameTheViewsUseIsOurOwnTintableDrawing) {
    const char* used[] = {
        "apple.logo", "arrow.clockwise", "arrow.counterclockwise", "arrow.down.doc", "arrow.left.and.right",
        "arrow.left.and.right.righttriangle.left.righttriangle.right", "arrow.left.arrow.right",
        "arrow.triangle.2.circlepath", "arrow.up.and.down.and.arrow.left.and.right", "arrow.uturn.backward",
        "aspectratio", "bandage", "barcode", "camera.aperture", "camera.badge.ellipsis", "camera.filters",
        "camera.metering.spot", "character.cursor.ibeam", "checkmark", "checkmark.circle.fill", "chevron.down",
        "chevron.up", "circle", "circle.circle", "circle.dashed", "circle.dotted", "circle.grid.cross.fill",
        "clock.arrow.circlepath", "crop", "doc.on.clipboard", "doc.on.doc", "exclamationmark.triangle",
        "exclamationmark.triangle.fill", "eye", "eye.fill", "eye.slash", "eyedropper.halffull", "film", "film.stack",
        "flag", "flag.fill", "folder", "globe", "gyroscope", "hand.draw", "info.circle", "info.circle.fill",
        "line.diagonal", "paintpalette", "pencil", "photo", "plus", "plus.circle.fill", "rectangle", "rectangle.grid.1x2",
        "rectangle.split.2x1", "rotate.left", "rotate.right", "scope", "slider.horizontal.3",
        "sparkles.rectangle.stack", "sparkles.rectangle.stack.fill", "speedometer", "square.and.arrow.down.on.square",
        "square.and.arrow.down.on.square.fill", "square.and.arrow.up", "square.and.arrow.up.circle.fill",
        "square.and.arrow.up.fill", "square.and.arrow.up.on.square.fill", "star", "star.fill", "sun.dust.fill",
        "sun.max.fill", "timer", "trash", "viewfinder", "wand.and.stars", "xmark", "xmark.circle", "xmark.circle.fill"};
    const QColor tint(250, 150, 35);
    for (const char* name : used) {
        ASSERT_TRUE(Symbols::exists(name)) << name;
        const QImage image = Symbols::pixmap(name, 24, tint).toImage();
        ASSERT_EQ(image.size(), QSize(24, 24)) << name;
        int ink = 0, other = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) {
                QColor c = image.pixelColor(x, y);
                if (c.alpha() > 200) {
                    ++ink;
                    c.setAlpha(255);
                    if (!colourNear(c, tint, 3)) ++other;
                }
            }
        EXPECT_GT(ink, 12) << name << " draws (almost) nothing";
        EXPECT_EQ(other, 0) << name << " has ink of another colour than its tint";
    }
    EXPECT_EQ(Symbols::names().size(), std::size(used));
    EXPECT_FALSE(Symbols::exists("no.such.symbol"));
    EXPECT_TRUE(Symbols::pixmap("no.such.symbol", 16, tint).isNull());
}

TEST(Symbols, CutOutsStayClearAndIconsDimWhenDisabled) {
    // The cross of a filled cross-in-circle lets the background through.
    const QImage filled = Symbols::pixmap("xmark.circle.fill", 32, Qt::white).toImage();
    EXPECT_LT(filled.pixelColor(16, 16).alpha(), 40);   // the cross's centre
    EXPECT_GT(filled.pixelColor(16, 5).alpha(), 220);   // the disc above it
    // Painting centres a square in a wider rectangle.
    QImage canvas(60, 20, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        Symbols::paint(p, QRectF(0, 0, 60, 20), "circle.grid.cross.fill", Qt::white);
    }
    EXPECT_GT(canvas.pixelColor(30, 10).alpha(), 200);
    EXPECT_EQ(canvas.pixelColor(5, 10).alpha(), 0);

    const QIcon icon = symbolIcon("trash", Qt::white);
    ASSERT_FALSE(icon.isNull());
    auto strongest = [](const QImage& image) {
        int best = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) best = std::max(best, image.pixelColor(x, y).alpha());
        return best;
    };
    EXPECT_GT(strongest(icon.pixmap(16, QIcon::Normal).toImage()), 240);
    EXPECT_LT(strongest(icon.pixmap(16, QIcon::Disabled).toImage()), 120);
    EXPECT_TRUE(symbolIcon("no.such.symbol").isNull());
}


// A translucent rule is painted once: over black, white at 0.09 reads about 23, not twice that.
TEST(KitMarks, RuleLinesPaintTheirColourOnceAndFillTheirPlace) {
    QWidget holder;
    test::fillGround(holder, Qt::black);
    auto* row = new QHBoxLayout(&holder);
    row->setContentsMargins(0, 0, 0, 0);
    QWidget* across = ruleLine(whiteAt(0.09));
    QWidget* down = ruleLine(whiteAt(0.09), Qt::Vertical);
    row->addWidget(across);
    row->addWidget(down);
    holder.resize(60, 30);
    const QImage picture = holder.grab().toImage();
    EXPECT_EQ(down->height(), 30);
    const QPoint inside = across->geometry().center();
    EXPECT_NEAR(qRed(picture.pixel(inside)), 23, 2);
    EXPECT_NEAR(qRed(picture.pixel(down->geometry().center())), 23, 2);
}

}  // namespace
}  // namespace vantrel
