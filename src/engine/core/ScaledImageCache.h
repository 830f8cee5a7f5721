#pragma once
// A scan scaled down once and kept in working pixels. While a slider moves, every preview
// starts from the same scan scaled to the same size; rendering that scale-down anew each time
// (converting every source pixel and resampling) costs about a third of a canvas-sized preview.
// The kept pixels are exactly what the lazy scale-down gives, so nothing downstream changes.
#include <cstddef>
#include <list>
#include <mutex>
#include <optional>
#include <stop_token>

#include "engine/core/Context.h"
#include "engine/core/Image.h"

namespace vantrel {

class ScaledImageCache {
public:
    // Keeps the last `capacity` results (at least one).
    explicit ScaledImageCache(std::size_t capacity = 1);
    ScaledImageCache(const ScaledImageCache&) = delete;
    ScaledImageCache& operator=(const ScaledImageCache&) = delete;

    // `image.transformed(AffineTransform::scale(scale, scale))`, rendered into memory on the
    // first call for this image (the same node) and scale and read from memory afterwards.
    // `image` itself when the scale is not below 1 or the image is not finite; nothing when
    // `stop` was requested before the pixels were complete.
    std::optional<Image> scaled(const Image& image, double scale, const Context& context, std::stop_token stop = {});

    std::size_t count() const;
    void clear();

private:
    struct Entry {
        Image source;  // held, so that its node cannot be freed and its address reused
        double scale = 1;
        Image result;
    };

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::list<Entry> entries_;  // most recently used first
};

}  // namespace vantrel
