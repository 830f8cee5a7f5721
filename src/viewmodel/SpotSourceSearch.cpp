#include "viewmodel/SpotSourceSearch.h"

#include "engine/analysis/SpotSamplingEngine.h"

namespace vantrel {

namespace {

// Formats whose bytes are red, green, blue and alpha (or padding) in that order.
bool isRgbaOrder(QImage::Format format) {
    return format == QImage::Format_RGBA8888 || format == QImage::Format_RGBA8888_Premultiplied ||
           format == QImage::Format_RGBX8888;
}

}  // namespace

Point findSpotSource(const QImage& picture, const Point& center, double radius, const std::vector<SpotItem>& spots) {
    const QImage rgba = picture.isNull() || isRgbaOrder(picture.format())
                            ? picture
                            : picture.convertToFormat(QImage::Format_RGBA8888);
    SpotSamplingEngine::PixelsView view;
    if (!rgba.isNull())
        view = {rgba.constBits(), rgba.width(), rgba.height(), std::size_t(rgba.bytesPerLine())};
    const SpotSamplingEngine::Point offset = SpotSamplingEngine::findBestSource(center.x, center.y, radius, view, spots);
    return {offset.x, offset.y};
}

}  // namespace vantrel
