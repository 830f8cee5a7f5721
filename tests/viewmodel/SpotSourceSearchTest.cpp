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

}  // namespace
}  // namespace vantrel::testing
