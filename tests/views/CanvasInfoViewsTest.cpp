// The histogram, the navigator and the shooting-information card as a user
// meets them: what they show for their inputs, what a click does, and that
// every language fits.
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "services/AppLanguage.h"
#include "views/canvas/HistogramWaveformView.h"
#include "views/canvas/ImageMetadataMatrixView.h"
#include "views/canvas/NavigatorGeometry.h"
#include "views/canvas/NavigatorMinimapView.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/FittingText.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/StandardColors.h"

namespace vantrel {
namespace {

using test::colourNear;

// ---------------------------------------------------------------- histogram

HistogramData ramp() {
    HistogramData data = HistogramData::empty();
    for (int i = 0; i < 256; ++i) {
        data.redBins[std::size_t(i)] = data.greenBins[std::size_t(i)] = data.blueBins[std::size_t(i)] = 0.9f;
        data.lumaBins[std::size_t(i)] = 0.9f;
    }
    return data;
}

TEST(HistogramWaveformView, StandardAndExtendedRangesShowTheirMarksAndTexts) {
    HistogramData data = HistogramData::empty();
    HistogramWaveformView view([&] { return data; });
    ASSERT_TRUE(test::showExposed(view, {296, 120}));
    EXPECT_EQ(view.curves()->height(), 90);
    EXPECT_EQ(view.height(), 90 + 4 + view.axisStart()->height());
    EXPECT_FALSE(view.badge()->isVisibleTo(&view));
    EXPECT_FALSE(view.shadowDot()->isVisibleTo(&view));
    EXPECT_FALSE(view.highlightDot()->isVisibleTo(&view));
    EXPECT_EQ(view.axisStart()->text(), "0");
    EXPECT_EQ(view.axisMiddle()->text(), "RGB & Luma Waveform");
    EXPECT_EQ(view.axisEnd()->text(), "255");

    data = ramp();
    data.shadowClipping = data.highlightClipping = true;
    view.refresh();
    EXPECT_TRUE(view.shadowDot()->isVisibleTo(&view));
    EXPECT_TRUE(view.highlightDot()->isVisibleTo(&view));
    EXPECT_EQ(view.shadowDot()->toolTip(), "Shadow clipping (Underexposed/Crushed)");
    EXPECT_EQ(view.highlightDot()->toolTip(), "Highlight clipping (Overexposed/Blown)");
    // Both dots at the box's top right, the highlight dot last.
    EXPECT_GT(view.highlightDot()->x(), view.shadowDot()->x());
    EXPECT_EQ(view.curves()->width() - view.highlightDot()->geometry().right() - 1, 6);
    QImage standard = test::grabImage(*view.curves());
    test::saveShot(standard, "histogram-standard");
    // The curves fill across the whole width in the standard range.
    const int deep = 85;  // below the 0.9 line, inside the filled areas
    EXPECT_GT(test::pixelAt(standard, {280, deep}).green(), 40);

    data.isUltraHDREnabled = true;
    data.edrHeadroom = 3.0;
    data.edrBins = std::vector<float>(64, 0.5f);
    view.refresh();
    EXPECT_TRUE(view.badge()->isVisibleTo(&view));
    EXPECT_EQ(view.badgeLabel()->text(), "EDR Headroom 3.0x");
    EXPECT_TRUE(view.shadowDot()->isVisibleTo(&view));
    EXPECT_FALSE(view.highlightDot()->isVisibleTo(&view));  // hidden in the extended layout
    EXPECT_EQ(view.axisMiddle()->text(), "SDR 255 (1.0)");
    EXPECT_EQ(view.axisEnd()->text(), "EDR +1.6 EV");
    EXPECT_LT(view.badge()->x(), 10);  // the badge sits at the left
    // Once laid out again the badge has the room of its new text.
    auto report = [&] { return describeLayoutIssues(findLayoutIssues(view)); };
    (void)QTest::qWaitFor([&] { return report().isEmpty(); }, 1000);
    EXPECT_EQ(report().toStdString(), "");
    const QImage extended = test::grabImage(*view.curves());
    test::saveShot(extended, "histogram-extended");
    const int w = view.curves()->width();
    // Left of 72 %: the channel fills; right of it: the yellow zone, and no channel colour.
    EXPECT_GT(test::pixelAt(extended, {int(w * 0.72) - 6, deep}).green(), 40);
    const QColor zone = test::pixelAt(extended, {int(w * 0.72) + 12, 20});
    const QColor zoneCurve = test::pixelAt(extended, {int(w * 0.9), 70});
    EXPECT_GT(zone.red(), zone.blue());         // the faint yellow zone above the curve
    EXPECT_GT(zoneCurve.red(), zoneCurve.blue() + 40);  // the filled extended-range curve
    EXPECT_LT(zone.green() - zone.blue(), 40);
    for (int x : {int(w * 0.72) + 3, w - 10}) {
        const QColor c = test::pixelAt(extended, {x, deep});
        EXPECT_GT(c.red(), c.blue()) << x;  // yellow, never the blue channel's fill
    }

    // Values that are not numbers draw as 0 and a list too short draws nothing:
    // the box looks as an empty histogram's does.
    data = HistogramData::empty();
    view.refresh();
    const QImage empty = test::grabImage(*view.curves());
    data.redBins.assign(256, std::numeric_limits<float>::quiet_NaN());
    data.greenBins.assign(1, 1.0f);
    view.refresh();
    const QImage odd = test::grabImage(*view.curves());
    for (QPoint p : {QPoint(150, 40), QPoint(20, 20), QPoint(280, 70)})
        EXPECT_TRUE(colourNear(test::pixelAt(odd, p), test::pixelAt(empty, p), 1)) << p.x() << "," << p.y();
}

// ---------------------------------------------------------------- navigator

struct Canvas {
    double zoom = 1.0;
    QSizeF pan;
    QSizeF container{1000, 700};
    QSize image{2000, 3000};
    QImage preview;
    test::CountedValue<double> zoomValue;
    test::CountedValue<QSizeF> panValue;

    std::unique_ptr<NavigatorMinimapView> view() {
        preview = QImage(200, 300, QImage::Format_RGB32);
        preview.fill(QColor(200, 60, 40));
        return std::make_unique<NavigatorMinimapView>(
            [this] { return preview; }, [this] { return image; }, zoomValue.binding(), panValue.binding(),
            [this] { return container; });
    }
};

TEST(NavigatorMinimapView, LabelEmphasisViewportAndButtons) {
    Canvas canvas;
    canvas.image = {6000, 4000};
    canvas.container = {1200, 800};  // actual pixels at 5
    *canvas.zoomValue.value = 1.0;
    auto nav = canvas.view();
    ASSERT_TRUE(test::showExposed(*nav));
    EXPECT_EQ(nav->width(), 176);
    EXPECT_EQ(nav->map()->size(), QSize(160, 106));
    EXPECT_EQ(nav->zoomLabel()->text(), "Fit");
    EXPECT_EQ(nav->fitButton()->text(), "Fit");
    EXPECT_EQ(nav->oneToOneButton()->text(), "100%");
    EXPECT_EQ(nav->twoToOneButton()->text(), "200%");
    EXPECT_TRUE(nav->fitButton()->styleSheet().contains("font-weight: 700"));
    EXPECT_FALSE(nav->twoToOneButton()->styleSheet().contains("font-weight: 700"));
    EXPECT_FALSE(nav->zoomLabel()->styleSheet().contains(DarkroomTheme::css(standardColor(StandardColor::Accent))));
    // Fitted: the viewport is the whole thumbnail.
    ASSERT_TRUE(nav->shownViewport());
    EXPECT_NEAR(nav->shownViewport()->width(), navigator::thumbnailRect({6000, 4000}).width(), 1e-9);

    *canvas.zoomValue.value = 10.0;  // twice actual pixels
    nav->refresh();
    EXPECT_EQ(nav->zoomLabel()->text(), "200%");
    EXPECT_TRUE(nav->twoToOneButton()->styleSheet().contains("font-weight: 700"));
    EXPECT_FALSE(nav->fitButton()->styleSheet().contains("font-weight: 700"));
    EXPECT_TRUE(nav->zoomLabel()->styleSheet().contains(DarkroomTheme::css(standardColor(StandardColor::Accent))));
    const QImage shot = test::grabImage(*nav);
    test::saveShot(shot, "navigator-zoomed");
    // The orange viewport frame in the middle of the map, a tenth of it wide.
    const QRectF viewport = *nav->shownViewport();
    EXPECT_NEAR(viewport.width(), navigator::thumbnailRect({6000, 4000}).width() / 10, 1e-9);
    const QPoint edge = nav->map()->mapTo(nav.get(), QPointF(viewport.left(), viewport.center().y()).toPoint());
    const QColor frame = test::pixelAt(shot, edge);
    EXPECT_GT(frame.red(), 200);
    EXPECT_GT(frame.green(), 100);

    // The buttons only report.
    QSignalSpy fit(nav.get(), &NavigatorMinimapView::zoomToFitRequested);
    QSignalSpy one(nav.get(), &NavigatorMinimapView::zoomTo100Requested);
    QSignalSpy two(nav.get(), &NavigatorMinimapView::zoomTo200Requested);
    QSignalSpy close(nav.get(), &NavigatorMinimapView::closeRequested);
    QTest::mouseClick(nav->fitButton(), Qt::LeftButton);
    QTest::mouseClick(nav->oneToOneButton(), Qt::LeftButton);
    QTest::mouseClick(nav->twoToOneButton(), Qt::LeftButton);
    QTest::mouseClick(nav->closeButton(), Qt::LeftButton);
    EXPECT_EQ(fit.count() + one.count() + two.count() + close.count(), 4);
    EXPECT_EQ(canvas.zoomValue.writeCount(), 0);
    EXPECT_EQ(nav->closeButton()->toolTip(), "Close navigator");

    // No preview yet: the busy mark instead of the thumbnail; the buttons still work.
    canvas.preview = QImage();
    Canvas waiting;
    auto empty = std::make_unique<NavigatorMinimapView>([] { return QImage(); }, [] { return QSize(2400, 1600); },
                                                        waiting.zoomValue.binding(), waiting.panValue.binding(),
                                                        [] { return QSizeF(1000, 700); });
    ASSERT_TRUE(test::showExposed(*empty));
    EXPECT_TRUE(empty->isWaitingForImage());
    EXPECT_FALSE(empty->shownViewport());
    QSignalSpy emptyFit(empty.get(), &NavigatorMinimapView::zoomToFitRequested);
    QTest::mouseClick(empty->fitButton(), Qt::LeftButton);
    EXPECT_EQ(emptyFit.count(), 1);
}

TEST(NavigatorMinimapView, ATapPansOnlyWhenZoomedAndOnTheThumbnail) {
    Canvas canvas;  // a 2:3 portrait frame, letterboxed in a 1000 x 700 canvas
    *canvas.zoomValue.value = 1.05;
    auto nav = canvas.view();
    ASSERT_TRUE(test::showExposed(*nav));
    const QRectF thumb = navigator::thumbnailRect({2000, 3000});
    const QPoint quarterRight = QPointF(thumb.left() + 0.6 * thumb.width(), thumb.top() + 0.7 * thumb.height()).toPoint();
    QTest::mouseClick(nav->map(), Qt::LeftButton, {}, quarterRight);
    EXPECT_EQ(canvas.panValue.writeCount(), 0);  // still fitted

    *canvas.zoomValue.value = 4.0;
    nav->refresh();
    // The letterbox beside the thumbnail, and its right edge: nothing.
    QTest::mouseClick(nav->map(), Qt::LeftButton, {}, QPoint(int(thumb.left()) - 3, 50));
    QTest::mouseClick(nav->map(), Qt::LeftButton, {}, QPoint(int(std::ceil(thumb.right())), 50));
    EXPECT_EQ(canvas.panValue.writeCount(), 0);
    // A drag is not a tap.
    test::drag(nav->map(), quarterRight, quarterRight + QPoint(20, 0));
    EXPECT_EQ(canvas.panValue.writeCount(), 0);

    QTest::mouseClick(nav->map(), Qt::LeftButton, {}, quarterRight);
    ASSERT_EQ(canvas.panValue.writeCount(), 1);
    const std::optional<QPointF> expected = navigator::tapPan(quarterRight, thumb, {1000, 700}, {2000, 3000}, 4.0);
    ASSERT_TRUE(expected);
    EXPECT_NEAR(canvas.panValue.value->width(), expected->x(), 1e-9);
    EXPECT_NEAR(canvas.panValue.value->height(), expected->y(), 1e-9);
    EXPECT_LT(canvas.panValue.value->width(), 0);
    EXPECT_LT(canvas.panValue.value->height(), 0);
    // The viewport now sits where the tap was.
    const QRectF viewport = *nav->shownViewport();
    EXPECT_NEAR(viewport.center().x(), quarterRight.x(), 1.0);
    EXPECT_NEAR(viewport.center().y(), quarterRight.y(), 1.0);
}

// ---------------------------------------------------------------- card

TEST(ImageMetadataMatrixView, ShowsTheCaptureDataAndCollapsesThroughItsOwner) {
    // A scan without capture data but for its camera.
    ImageMetadataInfo info = ImageMetadataInfo::sample();
    for (auto field : {&ImageMetadataInfo::lensModel, &ImageMetadataInfo::focalLength, &ImageMetadataInfo::aperture,
                       &ImageMetadataInfo::shutterSpeed, &ImageMetadataInfo::iso, &ImageMetadataInfo::fileType,
                       &ImageMetadataInfo::fileSizeFormatted})
        (info.*field).reset();
    info.cameraMake = "Nikon";
    info.cameraModel = "F3";
    info.pixelWidth = 6000;
    info.pixelHeight = 4000;
    info.colorProfile = "Adobe RGB (1998)";
    test::CountedValue<bool> collapsed(false);
    ImageMetadataMatrixView card([&] { return info; }, collapsed.binding());
    ASSERT_TRUE(test::showExposed(card, {220, 260}));
    EXPECT_EQ(card.cameraLabel()->fullText(), "Nikon F3");
    EXPECT_EQ(card.lensLabel()->fullText(), "Prime Lens");
    for (int cell = 0; cell < 4; ++cell) EXPECT_EQ(card.cellValue(cell), "--") << cell;
    EXPECT_EQ(card.cellTitle(0), "Focal Length");
    EXPECT_EQ(card.cellValue(4), QString::fromUtf8("6000 \u00D7 4000"));
    EXPECT_EQ(card.cellDetail(4), "24.0 MP");
    EXPECT_EQ(card.cellDetail(5), "RAW");
    EXPECT_EQ(card.cellDetail(0), "");
    // No close action: no close button, the chevron at the right edge.
    EXPECT_EQ(card.closeButton(), nullptr);
    EXPECT_EQ(card.findChild<QPushButton*>("meta.close"), nullptr);
    EXPECT_EQ(card.width() - card.collapseButton()->geometry().right() - 1, 8);
    EXPECT_STREQ(card.chevronSymbol(), "chevron.up");
    EXPECT_EQ(card.collapseButton()->toolTip(), "Hide shooting details");
    test::saveShot(card, "metadata-card");
    // The names standing in for an unknown camera and lens speak the window's language.
    {
        const test::ScopedLanguage german(AppLanguage::de);
        info.cameraModel.reset();
        card.refresh();
        EXPECT_EQ(card.cameraLabel()->fullText(), "Digitales Negativ");
        EXPECT_EQ(card.lensLabel()->fullText(), "Festbrennweite");
        info.cameraModel = "F3";
        card.refresh();
    }

    // The chevron writes the owner's value once; the card follows it.
    const int open = card.sizeHint().height();
    QTest::mouseClick(card.collapseButton(), Qt::LeftButton);
    EXPECT_EQ(collapsed.writeCount(), 1);
    EXPECT_TRUE(*collapsed.value);
    EXPECT_FALSE(card.grid()->isVisibleTo(&card));
    EXPECT_STREQ(card.chevronSymbol(), "chevron.down");
    EXPECT_EQ(card.collapseButton()->toolTip(), "Show shooting details");
    EXPECT_LT(card.sizeHint().height(), open - 60);
    // The owner changes it elsewhere (the top bar): refresh shows it.
    *collapsed.value = false;
    card.refresh();
    EXPECT_TRUE(card.grid()->isVisibleTo(&card));
    EXPECT_EQ(collapsed.writeCount(), 1);

    // A value too long for its half shrinks, then wraps, and stays whole in its tooltip.
    info.colorProfile = "ProPhoto RGB with a very long vendor suffix";
    card.refresh();
    auto* value = card.findChild<FittingLabel*>("meta.cell5.value");
    ASSERT_NE(value, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return value->text().contains(QLatin1Char('\n')); }, 1000)) << value->text().toStdString();
    EXPECT_NEAR(value->font().pointSizeF(), 10.5 * 0.8 * 72 / 96, 0.01);  // shrunk first, to 80 %
    EXPECT_TRUE(value->toolTip().contains(QString::fromStdString(info.colorProfile)) || !value->isElided());
    // Once laid out again, the second line has its room.
    auto report = [&] { return describeLayoutIssues(findLayoutIssues(card)); };
    (void)QTest::qWaitFor([&] { return report().isEmpty(); }, 1000);
    EXPECT_EQ(report().toStdString(), "");
    EXPECT_GE(value->height(), 2 * value->fontMetrics().height());
}

TEST(ImageMetadataMatrixView, WithoutABindingTheCardKeepsItsOwnStateAndCanClose) {
    ImageMetadataMatrixView card([] { return ImageMetadataInfo::sample(); }, std::nullopt,
                                 ImageMetadataMatrixView::Closable::yes);
    ASSERT_TRUE(test::showExposed(card, {220, 260}));
    ASSERT_NE(card.closeButton(), nullptr);
    EXPECT_EQ(card.closeButton()->toolTip(), "Hide shooting info matrix (shortcut I)");
    EXPECT_GT(card.closeButton()->x(), card.collapseButton()->x());
    QSignalSpy closed(&card, &ImageMetadataMatrixView::closeRequested);
    QTest::mouseClick(card.closeButton(), Qt::LeftButton);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(card.isCollapsed());
    QTest::mouseClick(card.collapseButton(), Qt::LeftButton);
    EXPECT_TRUE(card.isCollapsed());
    EXPECT_FALSE(card.grid()->isVisibleTo(&card));
    card.refresh();
    EXPECT_TRUE(card.isCollapsed());  // refreshing keeps its own state
    QTest::mouseClick(card.collapseButton(), Qt::LeftButton);
    EXPECT_TRUE(card.grid()->isVisibleTo(&card));
}

// ---------------------------------------------------------------- languages

TEST(CanvasInfoViews, EveryLanguageFits) {
    Canvas canvas;
    *canvas.zoomValue.value = 3.0;
    auto nav = canvas.view();
    ImageMetadataMatrixView card([] { return ImageMetadataInfo::sample(); }, std::nullopt,
                                 ImageMetadataMatrixView::Closable::yes);
    HistogramData data = ramp();
    data.isUltraHDREnabled = data.shadowClipping = true;
    data.edrHeadroom = 12.5;
    HistogramWaveformView histogram([&] { return data; });
    ASSERT_TRUE(test::showExposed(*nav) && test::showExposed(card, {220, 260}) &&
                test::showExposed(histogram, {296, 120}));
    for (AppLanguage language : kAllAppLanguages) {
        test::ScopedLanguage scoped(language);
        for (RefreshableView* view : std::initializer_list<RefreshableView*>{nav.get(), &card, &histogram}) view->refresh();
        for (QWidget* view : std::initializer_list<QWidget*>{nav.get(), &card, &histogram}) {
            auto report = [&] { return describeLayoutIssues(findLayoutIssues(*view)); };
            (void)QTest::qWaitFor([&] { return report().isEmpty(); }, 500);
            EXPECT_EQ(report().toStdString(), "") << rawValue(language) << " " << view->objectName().toStdString();
        }
        if (language == AppLanguage::de) {
            test::saveShot(*nav, "navigator-de");
            test::saveShot(card, "metadata-card-de");
        }
    }
}

}  // namespace
}  // namespace vantrel
