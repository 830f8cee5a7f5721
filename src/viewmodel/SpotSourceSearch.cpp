#include "viewmodel/SpotSourceSearch.h"

#include "engine/analysis/SpotSamplingEngine.h"

namespace vantrel {

namespace {

// Formats whose bytes are red, green, blue and alpha (or padding) in that order.
bool isRgbaOrder(QImage::Format format) {
    return format == QImage::Format_RGBA8888 || format == QImage::Format_RGBA8888_Premultiplied ||
           format == QImage::Format_RGBX8888;
}

// The picture in an order the search reads, and its pixels seen in place.
struct Pixels {
    QImage rgba;
    SpotSamplingEngine::PixelsView view;

    explicit Pixels(const QImage& picture)
        : rgba(picture.isNull() || isRgbaOrder(picture.format()) ? picture
                                                                 : picture.convertToFormat(QImage::Format_RGBA8888)) {
        if (!rgba.isNull()) view = {rgba.constBits(), rgba.width(), rgba.height(), std::size_t(rgba.bytesPerLine())};
    }
};

}  // namespace

Point findSpotSource(const QImage& picture, const Point& center, double radius, const std::vector<SpotItem>& spots) {
    const Pixels pixels(picture);
    const SpotSamplingEngine::Point offset =
        SpotSamplingEngine::findBestSource(center.x, center.y, radius, pixels.view, spots);
    return {offset.x, offset.y};
}

bool showsSpeck(const QImage& picture, const Point& centre, double reach) {
    return SpotSamplingEngine::holdsSpeck(centre.x, centre.y, reach, Pixels(picture).view);
}

}  // namespace vantrel
