#pragma once
// Working pixels: premultiplied float32 RGBA in extended linear Display P3, rows stored top row
// first, addressed by plane coordinates (y up). A view borrows pixels; a buffer owns them.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/core/LargeBlocks.h"
#include "engine/core/Rect.h"

namespace vantrel {

template <class T>
struct BasicPixelView {
    Rect rect;                   // plane rectangle covered by the pixels
    T* data = nullptr;           // first float of the top row (plane row rect.maxY() - 1)
    std::ptrdiff_t stride = 0;   // floats from one row to the next one down

    bool isEmpty() const { return rect.isEmpty() || data == nullptr; }
    // Row of plane y (must lie in rect); element 0 is pixel rect.x.
    T* row(std::int64_t y) const { return data + (rect.maxY() - 1 - y) * stride; }
    // Row counted from the top (0 = top).
    T* rowFromTop(std::int64_t r) const { return data + r * stride; }
    // The RGBA of plane pixel (x, y), which must lie in rect.
    T* at(std::int64_t x, std::int64_t y) const { return row(y) + (x - rect.x) * 4; }
    // The part of this view over `r` (which must lie inside rect); shares the pixels.
    BasicPixelView sub(const Rect& r) const {
        return {r, data + (rect.maxY() - r.maxY()) * stride + (r.x - rect.x) * 4, stride};
    }
    operator BasicPixelView<const T>() const { return {rect, data, stride}; }
};

using PixelView = BasicPixelView<float>;
using ConstPixelView = BasicPixelView<const float>;

// An owned, tightly packed float RGBA buffer over a finite rectangle. Movable; copying is
// explicit (`clone`) so that large buffers are never copied by accident.
class PixelBuffer {
public:
    PixelBuffer() = default;
    // Zero-filled (transparent) pixels over `rect`; an empty or infinite rect gives an empty buffer.
    explicit PixelBuffer(const Rect& rect);
    PixelBuffer(PixelBuffer&&) noexcept = default;
    PixelBuffer& operator=(PixelBuffer&&) noexcept = default;
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;

    // Pixels left unset, for a producer that writes every one of them (a render's tiles):
    // a large buffer then costs no zero-filling pass before the parallel work.
    static PixelBuffer forOverwrite(const Rect& rect);

    PixelBuffer clone() const;

    const Rect& rect() const { return rect_; }
    bool isEmpty() const { return !pixels_; }
    std::int64_t width() const { return rect_.width; }
    std::int64_t height() const { return rect_.height; }
    float* data() { return pixels_.get(); }
    const float* data() const { return pixels_.get(); }

    PixelView view() { return {rect_, pixels_.get(), rect_.width * 4}; }
    ConstPixelView view() const { return {rect_, pixels_.get(), rect_.width * 4}; }
    float* row(std::int64_t y) { return view().row(y); }
    const float* row(std::int64_t y) const { return view().row(y); }
    float* at(std::int64_t x, std::int64_t y) { return view().at(x, y); }
    const float* at(std::int64_t x, std::int64_t y) const { return view().at(x, y); }

private:
    Rect rect_;
    LargeArray<float> pixels_;
};

}  // namespace vantrel
