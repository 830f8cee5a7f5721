#include "views/canvas/DownscaleCache.h"

namespace vantrel {

const QImage* DownscaleCache::lookup(const QImage& image, QSize size) {
    if (image.isNull() || size.isEmpty() || qint64(size.width()) * size.height() > kLargestCopy) {
        wanted_ = QImage();
        return nullptr;
    }
    if (!scaled_.isNull() && key_ == image.cacheKey() && size_ == size) return &scaled_;
    if (!wanted_.isNull() && wanted_.cacheKey() == image.cacheKey() && wantedSize_ == size) {
        make(image, size);
        return &scaled_;
    }
    wanted_ = image;
    wantedSize_ = size;
    return nullptr;
}

bool DownscaleCache::settle() {
    if (wanted_.isNull()) return false;
    make(wanted_, wantedSize_);
    return true;
}

void DownscaleCache::make(const QImage& image, QSize size) {
    key_ = image.cacheKey();
    size_ = size;
    scaled_ = image.size() == size ? image : image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // In the screen's own format, so that drawing it is a plain copy.
    scaled_.convertTo(QImage::Format_ARGB32_Premultiplied);
    wanted_ = QImage();
}

}  // namespace vantrel
