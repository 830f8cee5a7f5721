#include "engine/core/ScaledImageCache.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace vantrel {

ScaledImageCache::ScaledImageCache(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {}

std::optional<Image> ScaledImageCache::scaled(const Image& image, double scale, const Context& context,
                                              std::stop_token stop) {
    if (!(scale > 0) || scale >= 1 || !image.extent().isFinite() || image.isEmpty()) return image;
    {
        const std::lock_guard lock(mutex_);
        const auto hit = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
            return e.scale == scale && e.source.isSameNode(image);
        });
        if (hit != entries_.end()) {
            entries_.splice(entries_.begin(), entries_, hit);
            return hit->result;
        }
    }
    // Rendered outside the lock: a render of another frame need not wait for this one. Two
    // renders missing at once both compute it; the pixels are the same.
    const Image lazy = image.transformed(AffineTransform::scale(scale, scale));
    if (lazy.isEmpty()) return lazy;
    RenderOptions options;
    options.space = OutputSpace::linearWorking;
    options.stop = std::move(stop);
    std::optional<PixelBuffer> pixels = context.renderFloat(lazy, lazy.extent(), options);
    if (!pixels) return std::nullopt;
    Image result = Image::fromBuffer(std::make_shared<const PixelBuffer>(std::move(*pixels)));

    const std::lock_guard lock(mutex_);
    entries_.remove_if([&](const Entry& e) { return e.scale == scale && e.source.isSameNode(image); });
    entries_.push_front(Entry{image, scale, result});
    while (entries_.size() > capacity_) entries_.pop_back();
    return result;
}

std::size_t ScaledImageCache::count() const {
    const std::lock_guard lock(mutex_);
    return entries_.size();
}

void ScaledImageCache::clear() {
    const std::lock_guard lock(mutex_);
    entries_.clear();
}

}  // namespace vantrel
