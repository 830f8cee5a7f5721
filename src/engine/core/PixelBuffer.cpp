#include "engine/core/PixelBuffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>

#include "engine/core/SourcePixels.h"

namespace vantrel {

namespace detail {
void adviseLargeAllocation(void* p, std::size_t bytes) {
    // A full-size frame is tens of megabytes of fresh memory per render: in 2 MB pages it
    // takes a few dozen page faults instead of thousands.
    constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
    if (bytes < 2 * kHuge) return;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(kHuge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}
}  // namespace detail

namespace {
std::unique_ptr<float[]> allocateFloats(std::size_t n) {
    std::unique_ptr<float[]> p(new float[n]);
    detail::adviseLargeAllocation(p.get(), n * sizeof(float));
    return p;
}
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
    auto storage = std::shared_ptr<std::uint8_t[]>(new std::uint8_t[p.rowBytes * std::size_t(height)]);
    p.pixels = storage.get();
    p.owner = std::shared_ptr<const void>(storage, storage.get());
    return p;
}

}  // namespace vantrel
