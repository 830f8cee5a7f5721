#pragma once
// The rendering context: evaluates an Image over a rectangle in tiles, in parallel (oneTBB),
// and encodes the result. Working space: extended linear Display P3. A Context holds no
// pixels between renders and is safe to use from several threads at once.
//
// Every render takes a stop token, checked between tiles; a stopped render returns nothing.
// Empty, infinite or absurd rectangles give nothing (never a crash or a huge allocation).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/Color.h"
#include "engine/core/Image.h"
#include "engine/core/PixelBuffer.h"
#include "engine/core/Rect.h"

namespace vantrel {

struct ContextOptions {
    int threads = 0;     // 0: all cores
    int tileSize = 256;  // side of the square tiles (16 .. 4096)
};

// What a render did, for tests and the pipeline's guards.
struct RenderStats {
    std::vector<std::string> stages;  // labelled stages of the rendered graph, in build order
    std::size_t tiles = 0;            // tiles evaluated (all passes)
    std::size_t materialized = 0;     // nodes computed once for the whole render
};

struct RenderOptions {
    OutputSpace space = OutputSpace::displayP3;
    std::stop_token stop;
    RenderStats* stats = nullptr;  // filled when given
};

// Storage that a render overwrites entirely: growing it leaves the new elements unset, so
// a large output costs no zeroing pass before the parallel render fills it, and a large one
// comes from the pool of large blocks.
template <class T>
struct OverwriteAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = OverwriteAllocator<U>;
    };
    OverwriteAllocator() = default;
    template <class U>
    OverwriteAllocator(const OverwriteAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(detail::allocateLarge(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { detail::releaseLarge(p, n * sizeof(T)); }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        if constexpr (sizeof...(Args) == 0) ::new (static_cast<void*>(p)) U;
        else ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
template <class T>
using OutputPixels = std::vector<T, OverwriteAllocator<T>>;

// 8-bit RGBA, premultiplied, rows top first, tightly packed.
struct Bitmap {
    int width = 0;
    int height = 0;
    OutputSpace space = OutputSpace::displayP3;
    OutputPixels<std::uint8_t> pixels;  // width × height × 4
    const std::uint8_t* at(int x, int y) const { return pixels.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4; }
};

// 16-bit RGBA, premultiplied, rows top first, tightly packed.
struct Bitmap16 {
    int width = 0;
    int height = 0;
    OutputSpace space = OutputSpace::displayP3;
    OutputPixels<std::uint16_t> pixels;  // width × height × 4
    const std::uint16_t* at(int x, int y) const { return pixels.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4; }
};

enum class PixelFormat { rgba8, rgba16, rgbaFloat };

// One horizontal band of an output, delivered in order from the top.
struct Strip {
    Rect rect;                 // plane rectangle of the strip
    int firstRow = 0;          // index of its top row in the whole output (0 = top)
    int rows = 0;
    int width = 0;
    PixelFormat format = PixelFormat::rgba8;
    const void* data = nullptr;  // rows top first, tightly packed
    std::size_t rowBytes = 0;
    // The memory behind `data`. A sink that keeps the pixels past the call moves it out (the
    // next strip then gets memory of its own), so a band reaches an encoder without a copy.
    LargeArray<std::uint8_t>* memory = nullptr;
};
// Returns false to stop the render (an encoder error).
using StripSink = std::function<bool(const Strip& strip)>;

class Context {
public:
    explicit Context(ContextOptions options = {});
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    const ContextOptions& options() const { return options_; }

    // 8-bit RGBA in Display P3 or sRGB over `rect` (the image's extent when absent). Absent for
    // an empty or infinite rectangle, for one too large to hold, and when stopped.
    std::optional<Bitmap> makeBitmap(const Image& image, std::optional<Rect> rect = std::nullopt,
                                     const RenderOptions& options = {}) const;
    std::optional<Bitmap16> makeBitmap16(const Image& image, std::optional<Rect> rect = std::nullopt,
                                         const RenderOptions& options = {}) const;
    // Premultiplied float RGBA over `rect`: raw working values for `linearWorking` (the
    // default for this call), else encoded values, unclamped except NaN -> 0.
    std::optional<PixelBuffer> renderFloat(const Image& image, const Rect& rect, const RenderOptions& options) const;
    std::optional<PixelBuffer> renderFloat(const Image& image, const Rect& rect) const {
        RenderOptions o;
        o.space = OutputSpace::linearWorking;
        return renderFloat(image, rect, o);
    }
    // Renders `rect` band by band (`stripRows` rows each) and hands every band to `sink` in
    // order, so an encoder never needs the whole output in memory. Nodes that must be computed
    // once per render are computed once for all strips. False when stopped or the sink refused.
    bool renderStrips(const Image& image, const Rect& rect, PixelFormat format, int stripRows,
                      const StripSink& sink, const RenderOptions& options = {}) const;

    struct Impl;

private:
    ContextOptions options_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel
