#pragma once
// Plain views of interleaved float RGBA pixels, used by the neighbourhood
// kernels (blur, detail filters, histogram, downscaling). A view knows which
// rectangle of an absolute pixel grid it holds, so a kernel can be run on a
// tile and still address pixels by their absolute position; that is what
// makes tiled and whole-image results identical.
//
// Grid convention: x grows to the right and y grows downwards (buffer row
// order). Callers working in a y-up plane map their rows before calling.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/core/Image.h"
#include "engine/core/PixelBuffer.h"
#include "engine/core/Rect.h"

namespace vantrel {

// A rectangle of whole pixels: [x, x + width) × [y, y + height).
struct PlaneRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool empty() const { return width <= 0 || height <= 0; }
    long long area() const { return empty() ? 0 : static_cast<long long>(width) * height; }
    bool contains(const PlaneRect& r) const {
        return r.empty() || (r.x >= x && r.y >= y && r.right() <= right() && r.bottom() <= bottom());
    }
    // Grown by m pixels on every side.
    PlaneRect inflated(int m) const { return {x - m, y - m, width + 2 * m, height + 2 * m}; }
    PlaneRect intersected(const PlaneRect& o) const {
        const int x0 = std::max(x, o.x), y0 = std::max(y, o.y);
        const int x1 = std::min(right(), o.right()), y1 = std::min(bottom(), o.bottom());
        if (x1 <= x0 || y1 <= y0) return {x0, y0, 0, 0};
        return {x0, y0, x1 - x0, y1 - y0};
    }
    friend bool operator==(const PlaneRect&, const PlaneRect&) = default;
};

// Four floats of one RGBA pixel, handled as one SIMD register.
using Pixel4 = float __attribute__((vector_size(16)));

inline Pixel4 loadPixel(const float* p) {
    Pixel4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void storePixel(float* p, Pixel4 v) { std::memcpy(p, &v, sizeof v); }

// Read-only view; `stride` counts floats between the starts of two rows.
struct ConstPlaneView {
    const float* data = nullptr;
    std::ptrdiff_t stride = 0;
    PlaneRect rect;

    // Pointer to the pixel at absolute (x, y); the pixel must lie in rect.
    const float* at(int x, int y) const {
        return data + static_cast<std::ptrdiff_t>(y - rect.y) * stride + static_cast<std::ptrdiff_t>(x - rect.x) * 4;
    }
    const float* row(int y) const { return at(rect.x, y); }
};

struct PlaneView {
    float* data = nullptr;
    std::ptrdiff_t stride = 0;
    PlaneRect rect;

    float* at(int x, int y) const {
        return data + static_cast<std::ptrdiff_t>(y - rect.y) * stride + static_cast<std::ptrdiff_t>(x - rect.x) * 4;
    }
    float* row(int y) const { return at(rect.x, y); }
    operator ConstPlaneView() const { return {data, stride, rect}; }
};

// Maps the engine's y-up plane (Rect, PixelView) onto the kernels' y-down grid:
// column x - ox, row oy - 1 - y. The offsets are multiples of 4096, so kernels
// that align work to power-of-two blocks (up to 4096) see the same grid from
// every tile, and coordinates stay small however far an image was moved.
struct PlaneMapping {
    std::int64_t ox = 0;
    std::int64_t oy = 0;

    // A mapping suited to pixels near `r` (a finite rectangle).
    static PlaneMapping near(const Rect& r) {
        constexpr std::int64_t kAlign = 4096;
        auto down = [](std::int64_t v) { return (v >= 0 ? v / kAlign : -((-v + kAlign - 1) / kAlign)) * kAlign; };
        return {down(r.x), down(r.maxY())};
    }
    PlaneRect rect(const Rect& r) const {
        if (r.isEmpty()) return {};
        return {int(r.x - ox), int(oy - r.maxY()), int(r.width), int(r.height)};
    }
    ConstPlaneView view(const ConstPixelView& v) const { return {v.data, v.stride, rect(v.rect)}; }
    PlaneView view(const PixelView& v) const { return {v.data, v.stride, rect(v.rect)}; }
};

// A pointwise copy of `image`. The evaluator currently renders a raster node
// that is itself the requested image as transparent; reading it through a
// pointwise node avoids that and costs one copy of the (small) result.
inline Image readThrough(const Image& image) {
    if (image.isEmpty()) return image;
    return Image::pointwise({image}, [](const RowSpan& s, const float* const* in, float* out) {
        std::memcpy(out, in[0], sizeof(float) * 4 * static_cast<std::size_t>(s.count));
    });
}

}  // namespace vantrel
