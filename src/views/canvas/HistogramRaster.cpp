#include "views/canvas/HistogramRaster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vantrel::histogram {

namespace {

struct Premultiplied {
    std::uint32_t r, g, b, a;  // 0…255

    Premultiplied scaled(std::uint32_t coverage) const {  // coverage 0…256
        return {(r * coverage) >> 8, (g * coverage) >> 8, (b * coverage) >> 8, (a * coverage) >> 8};
    }
};

// A premultiplied 0xAARRGGBB pixel under a premultiplied colour.
inline std::uint32_t over(std::uint32_t dst, const Premultiplied& src) {
    const std::uint32_t keep = 255 - src.a;
    const auto channel = [&](int shift, std::uint32_t s) {
        const std::uint32_t d = (dst >> shift) & 0xFF;
        return std::min<std::uint32_t>(255, s + (d * keep + 127) / 255) << shift;
    };
    return channel(24, src.a) | channel(16, src.r) | channel(8, src.g) | channel(0, src.b);
}

}  // namespace

void fillUnder(QImage& image, const QPolygonF& line, const QColor& colour) {
    if (line.size() < 2 || image.isNull() || image.format() != QImage::Format_ARGB32_Premultiplied) return;
    const double dpr = image.devicePixelRatio();
    const int width = image.width(), height = image.height();
    const double alpha = colour.alphaF();
    const Premultiplied full{std::uint32_t(std::lround(colour.redF() * alpha * 255)),
                             std::uint32_t(std::lround(colour.greenF() * alpha * 255)),
                             std::uint32_t(std::lround(colour.blueF() * alpha * 255)),
                             std::uint32_t(std::lround(alpha * 255))};
    const int first = std::max(0, int(std::ceil(line.first().x() * dpr - 0.5)));
    const int end = std::min(width, int(std::ceil(line.last().x() * dpr - 0.5)));
    if (first >= end) return;

    // The top of each column (device pixels) and the coverage of its top pixel.
    std::vector<int> top(std::size_t(end - first));
    std::vector<std::uint32_t> cover(top.size());
    qsizetype segment = 0;
    for (int x = first; x < end; ++x) {
        const double cx = (x + 0.5) / dpr;
        while (segment + 2 < line.size() && line[segment + 1].x() < cx) ++segment;
        const QPointF p = line[segment], q = line[segment + 1];
        const double t = q.x() > p.x() ? std::clamp((cx - p.x()) / (q.x() - p.x()), 0.0, 1.0) : 0.0;
        const double y = std::clamp((p.y() + (q.y() - p.y()) * t) * dpr, 0.0, double(height));
        const int row = int(std::floor(y));
        top[std::size_t(x - first)] = row;
        cover[std::size_t(x - first)] = std::uint32_t(std::lround((1 - (y - row)) * 256));
    }
    // Below the line every pixel takes the same colour: what is left of each
    // channel value under it comes from a table, with no division per pixel.
    std::array<std::uint8_t, 256> kept{};
    for (std::uint32_t d = 0; d < 256; ++d) kept[d] = std::uint8_t((d * (255 - full.a) + 127) / 255);
    const auto under = [&](std::uint32_t dst) {
        const auto channel = [&](int shift, std::uint32_t s) {
            return std::min<std::uint32_t>(255, s + kept[(dst >> shift) & 0xFF]) << shift;
        };
        return channel(24, full.a) | channel(16, full.r) | channel(8, full.g) | channel(0, full.b);
    };
    const qsizetype stride = image.bytesPerLine() / qsizetype(sizeof(std::uint32_t));
    auto* bits = reinterpret_cast<std::uint32_t*>(image.bits());
    for (int x = first; x < end; ++x) {
        const int t = top[std::size_t(x - first)];
        std::uint32_t* pixel = bits + x;
        if (t < height) pixel[t * stride] = over(pixel[t * stride], full.scaled(cover[std::size_t(x - first)]));
        for (int y = t + 1; y < height; ++y) pixel[y * stride] = under(pixel[y * stride]);
    }
}

}  // namespace vantrel::histogram
