#include "engine/core/Context.h"

#include <tbb/task_arena.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>
#include <type_traits>

#include "engine/core/detail/Encode.h"
#include "engine/core/detail/Evaluator.h"

namespace vantrel {

namespace {

// Largest output side and pixel count a render accepts; beyond them a request is treated as
// absurd rather than allocated.
constexpr std::int64_t kMaxSide = std::int64_t(1) << 20;
constexpr double kMaxPixels = double(std::int64_t(1) << 30);

bool renderable(const Rect& r) {
    return r.isFinite() && r.width <= kMaxSide && r.height <= kMaxSide && r.area() <= kMaxPixels;
}

}  // namespace

struct Context::Impl {
    tbb::task_arena arena;
    explicit Impl(int threads) : arena(threads > 0 ? threads : tbb::task_arena::automatic) {}
};

Context::Context(ContextOptions options) : options_(options) {
    options_.tileSize = std::clamp(options_.tileSize, 16, 4096);
    options_.threads = std::max(options_.threads, 0);
    impl_ = std::make_unique<Impl>(options_.threads);
}

Context::~Context() = default;

namespace {

// One rendered row in the output's sample type.
void encodeRow(const float* in, int n, OutputSpace space, std::uint8_t* out) { detail::encodeRow8(in, n, space, out); }
void encodeRow(const float* in, int n, OutputSpace space, std::uint16_t* out) { detail::encodeRow16(in, n, space, out); }
void encodeRow(const float* in, int n, OutputSpace space, float* out) { detail::encodeRowFloat(in, n, space, out); }

// Renders `rect` in strips of `stripRows` rows: strip k's rows go to `strip(firstRow)`,
// `rowStride` samples apart, and `afterStrip` (when given) takes each finished strip.
template <class T>
bool renderInto(const Context& ctx, tbb::task_arena& arena, const Image& image, const Rect& rect, int stripRows,
                const RenderOptions& options, std::size_t rowStride, const std::function<T*(int firstRow)>& strip,
                const std::function<bool(int firstRow, int rows)>& afterStrip) {
    detail::EvalSettings settings{ctx.options().tileSize, options.stop, options.stats};
    if (options.stats) *options.stats = RenderStats{};
    bool ok = true;
    try {
    arena.execute([&] {
        detail::Render render(image, rect, settings);
        if (!render.prepare()) {
            ok = false;
            return;
        }
        const std::int64_t top = rect.maxY();
        for (std::int64_t first = 0; first < rect.height && ok; first += stripRows) {
            const std::int64_t rows = std::min<std::int64_t>(stripRows, rect.height - first);
            const Rect band{rect.x, top - first - rows, rect.width, rows};
            T* pixels = strip(int(first));
            ok = render.run(band, [&](std::int64_t x, std::int64_t y, int count, const float* rgba) {
                const std::int64_t r = top - 1 - y - first;
                encodeRow(rgba, count, options.space, pixels + std::size_t(r) * rowStride + std::size_t(x - rect.x) * 4);
            });
            if (ok && afterStrip) ok = afterStrip(int(first), int(rows));
        }
    });
    } catch (const std::exception&) {
        // Out of memory for an absurd graph, or a kernel that threw: the render fails cleanly.
        return false;
    }
    return ok && !options.stop.stop_requested();
}

// The whole of `rect` (the image's extent when absent) in one bitmap of 8- or 16-bit samples.
template <class BitmapT>
std::optional<BitmapT> renderBitmap(const Context& ctx, tbb::task_arena& arena, const Image& image,
                                    std::optional<Rect> rect, const RenderOptions& options) {
    const Rect r = rect ? *rect : image.extent();
    if (!renderable(r)) return std::nullopt;
    BitmapT bmp;
    bmp.width = int(r.width);
    bmp.height = int(r.height);
    bmp.space = options.space;
    bmp.pixels.resize(std::size_t(r.width) * std::size_t(r.height) * 4);
    using T = typename decltype(bmp.pixels)::value_type;
    if (!renderInto<T>(ctx, arena, image, r, int(r.height), options, std::size_t(r.width) * 4,
                       [&](int) { return bmp.pixels.data(); }, nullptr))
        return std::nullopt;
    return bmp;
}

}  // namespace

std::optional<Bitmap> Context::makeBitmap(const Image& image, std::optional<Rect> rect, const RenderOptions& options) const {
    return renderBitmap<Bitmap>(*this, impl_->arena, image, rect, options);
}

std::optional<Bitmap16> Context::makeBitmap16(const Image& image, std::optional<Rect> rect, const RenderOptions& options) const {
    return renderBitmap<Bitmap16>(*this, impl_->arena, image, rect, options);
}

std::optional<PixelBuffer> Context::renderFloat(const Image& image, const Rect& rect, const RenderOptions& options) const {
    if (!renderable(rect)) return std::nullopt;
    PixelBuffer out = PixelBuffer::forOverwrite(rect);  // every row is rendered
    if (!renderInto<float>(*this, impl_->arena, image, rect, int(rect.height), options, std::size_t(rect.width) * 4,
                           [&](int) { return out.data(); }, nullptr))
        return std::nullopt;
    return out;
}

bool Context::renderStrips(const Image& image, const Rect& rect, PixelFormat format, int stripRows, const StripSink& sink,
                           const RenderOptions& options) const {
    if (!renderable(rect) || !sink) return false;
    const int rows = std::clamp<int>(stripRows, 1, int(rect.height));
    const std::size_t w = std::size_t(rect.width);
    // One band's memory of samples T, reused for every strip unless the sink took it.
    auto stripsOf = [&]<class T>(std::type_identity<T>) {
        LargeArray<std::uint8_t> memory;
        const std::size_t rowBytes = w * 4 * sizeof(T);
        auto strip = [&](int) {
            if (!memory) memory = makeLargeArray<std::uint8_t>(rowBytes * std::size_t(rows));
            return reinterpret_cast<T*>(memory.get());
        };
        auto deliver = [&](int first, int n) {
            Strip s;
            s.rect = Rect{rect.x, rect.maxY() - first - n, rect.width, n};
            s.firstRow = first;
            s.rows = n;
            s.width = int(rect.width);
            s.format = format;
            s.data = memory.get();
            s.rowBytes = rowBytes;
            s.memory = &memory;
            return sink(s);
        };
        return renderInto<T>(*this, impl_->arena, image, rect, rows, options, w * 4, strip, deliver);
    };
    switch (format) {
        case PixelFormat::rgba8: return stripsOf(std::type_identity<std::uint8_t>{});
        case PixelFormat::rgba16: return stripsOf(std::type_identity<std::uint16_t>{});
        case PixelFormat::rgbaFloat: return stripsOf(std::type_identity<float>{});
    }
    return false;
}

}  // namespace vantrel
