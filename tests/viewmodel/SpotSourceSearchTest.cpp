// The retouch overlay's source search on the shown picture: the same answer
// whatever the picture's pixel format, and the geometric rule without one.
#include <gtest/gtest.h>

#include <QPainter>

#include "engine/analysis/SpotSamplingEngine.h"
#include "viewmodel/SpotSourceSearch.h"

namespace vantrel::testing {
namespace {

// Red everywhere but grey around the spot at the centre and one grey patch
// 3.5 radii below it: the only good source.
QImage sceneWithPatchBelow(QImage::Format format, double radiusPixels) {
    QImage image(1200, 800, format);
    image.fill(QColor(200, 30, 30));
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(128, 128, 128));
    painter.drawEllipse(QPointF(600, 400), 2 * radiusPixels, 2 * radiusPixels);
    painter.drawEllipse(QPointF(600, 400 + 3.5 * radiusPixels), radiusPixels, radiusPixels);
    return image;
}

TEST(SpotSourceSearch, FindsThePatchInEveryPixelFormatAndFallsBackWithoutPicture) {
    const double radius = 0.02;  // of the shorter side, 800: 16 pixels
    const std::vector<SpotItem> none;
    for (QImage::Format format : {QImage::Format_RGBA8888_Premultiplied, QImage::Format_RGB888,
                                  QImage::Format_ARGB32_Premultiplied, QImage::Format_Grayscale8}) {
        const QImage picture = sceneWithPatchBelow(format, radius * 800);
        const Point offset = findSpotSource(picture, {0.5, 0.5}, radius, none);
        EXPECT_NEAR(offset.x, 0.0, 1e-9) << int(format);
        EXPECT_NEAR(offset.y, 3.5 * 16 / 800, 1e-9) << int(format);
    }
    // No picture: the engine's geometric choice, also away from a spot in the way.
    const std::vector<SpotItem> blocking = {SpotItem{Uuid::random(), {0.525, 0.5}, 0.02, {0, 0.02}, 1}};
    std::vector<SpotSamplingEngine::Spot> plain = {{{0.525, 0.5}, 0.02}};
    const SpotSamplingEngine::Point expected = SpotSamplingEngine::fallbackOffset(plain, 0.5, 0.5, 0.01);
    const Point offset = findSpotSource(QImage(), {0.5, 0.5}, 0.01, blocking);
    EXPECT_DOUBLE_EQ(offset.x, expected.x);
    EXPECT_DOUBLE_EQ(offset.y, expected.y);
}

// The delete button's dust test: a speck within the reach is found, in any pixel format; a
// scene's edge, a clean place and no picture hold none.
TEST(SpotSourceSearch, ASpeckIsFoundWithinItsReachAndAnEdgeIsNone) {
    for (QImage::Format format : {QImage::Format_RGBA8888, QImage::Format_RGB32}) {
        QImage picture(600, 400, format);
        picture.fill(QColor(210, 210, 210));
        QPainter painter(&picture);
        painter.fillRect(QRect(0, 300, 600, 100), QColor(60, 60, 60));  // a dark ground
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(90, 90, 90));
        painter.drawEllipse(QPointF(300, 150), 2.5, 2.5);
        painter.end();
        const double reach = 10.0 / 400;
        EXPECT_TRUE(showsSpeck(picture, {306.0 / 600, 150.0 / 400}, reach)) << int(format);
        EXPECT_FALSE(showsSpeck(picture, {330.0 / 600, 150.0 / 400}, reach)) << int(format);
        EXPECT_FALSE(showsSpeck(picture, {100.0 / 600, 300.0 / 400}, reach)) << "the ground's edge";
    }
    EXPECT_FALSE(showsSpeck(QImage(), {0.5, 0.5}, 0.02));
}

}  // namespace
}  // namespace vantrel::testing
