#include "engine/core/PixelBuffer.h"

#include <cstdint>
#include <cstring>

#include "engine/core/SourcePixels.h"

namespace vantrel {

namespace {
LargeArray<float> allocateFloats(std::size_t n) { return makeLargeArray<float>(n); }
}  // namespace

PixelBuffer::PixelBuffer(const Rect& rect) {
    if (!rect.isFinite()) return;
    rect_ = rect;
    const std::size_t n = std::size_t(rect.width) * std::size_t(rect.height) * 4;
    pixels_ = allocateFloats(n);
    std::memset(pixels_.get(), 0, n * sizeof(float));
}

PixelBuffer PixelBuffer::forOverwrite(const Rect& rect) {
    PixelBuffer out;
    if (!rect.isFinite()) return out;
    out.rect_ = rect;
    out.pixels_ = allocateFloats(std::size_t(rect.width) * std::size_t(rect.height) * 4);
    return out;
}

PixelBuffer PixelBuffer::clone() const {
    PixelBuffer out;
    if (isEmpty()) return out;
    out.rect_ = rect_;
    const std::size_t n = std::size_t(rect_.width) * std::size_t(rect_.height) * 4;
    out.pixels_ = allocateFloats(n);
    std::memcpy(out.pixels_.get(), pixels_.get(), n * sizeof(float));
    return out;
}

SourcePixels SourcePixels::allocate(int width, int height, int channels, SampleType type) {
    SourcePixels p;
    if (width <= 0 || height <= 0 || channels < 1 || channels > 4) return p;
    p.width = width;
    p.height = height;
    p.channels = channels;
    p.type = type;
    p.rowBytes = p.pixelBytes() * std::size_t(width);
    std::shared_ptr<std::uint8_t[]> storage = makeLargeArray<std::uint8_t>(p.rowBytes * std::size_t(height));
    p.pixels = storage.get();
    p.owner = std::shared_ptr<const void>(storage, storage.get());
    return p;
}

}  // namespace vantrel
