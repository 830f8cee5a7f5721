#include "engine/io/ScanResize.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>

namespace vantrel {

PixelSize fitLongEdge(int width, int height, int maxLongEdge) {
    const int longEdge = std::max(width, height);
    if (longEdge <= maxLongEdge || longEdge <= 0 || maxLongEdge <= 0) return {width, height};
    const double scale = static_cast<double>(maxLongEdge) / longEdge;
    return {std::max(1, static_cast<int>(std::lround(width * scale))),
            std::max(1, static_cast<int>(std::lround(height * scale)))};
}

namespace {

// Source samples covered by each of `out` cells spanning `in` source cells, weighted by overlap.
AreaReducer::Taps areaTaps(int in, int out) {
    AreaReducer::Taps taps;
    taps.first.reserve(static_cast<std::size_t>(out) + 1);
    const double ratio = static_cast<double>(in) / out;
    for (int i = 0; i < out; ++i) {
        taps.first.push_back(static_cast<int>(taps.index.size()));
        const double a = i * ratio, b = (i + 1) * ratio;
        const int s0 = static_cast<int>(std::floor(a));
        const int s1 = std::min(in, static_cast<int>(std::ceil(b)));
        for (int s = s0; s < s1; ++s) {
            const double overlap = std::min(b, s + 1.0) - std::max(a, static_cast<double>(s));
            if (overlap <= 1e-9) continue;
            taps.index.push_back(s);
            taps.weight.push_back(static_cast<float>(overlap / ratio));
        }
    }
    taps.first.push_back(static_cast<int>(taps.index.size()));
    return taps;
}

template <typename T>
void reduceRow(const AreaReducer::Taps& columns, const AreaReducer::Taps& rows, int y, int sourceWidth, int width,
               int ch, const std::function<const std::uint8_t*(int)>& sourceRow, T* out) {
    constexpr float maxValue = sizeof(T) == 2 ? 65535.0f : 255.0f;
    thread_local std::vector<float> acc;
    const std::size_t n = static_cast<std::size_t>(sourceWidth) * ch;
    acc.assign(n, 0.0f);
    for (int k = rows.first[static_cast<std::size_t>(y)]; k < rows.first[static_cast<std::size_t>(y) + 1]; ++k) {
        const T* row = reinterpret_cast<const T*>(sourceRow(rows.index[static_cast<std::size_t>(k)]));
        const float w = rows.weight[static_cast<std::size_t>(k)];
        for (std::size_t i = 0; i < n; ++i) acc[i] += w * static_cast<float>(row[i]);
    }
    for (int x = 0; x < width; ++x) {
        float sum[4] = {0, 0, 0, 0};
        for (int k = columns.first[static_cast<std::size_t>(x)]; k < columns.first[static_cast<std::size_t>(x) + 1]; ++k) {
            const float* a = acc.data() + static_cast<std::size_t>(columns.index[static_cast<std::size_t>(k)]) * ch;
            const float w = columns.weight[static_cast<std::size_t>(k)];
            for (int c = 0; c < ch; ++c) sum[c] += w * a[c];
        }
        for (int c = 0; c < ch; ++c)
            out[static_cast<std::size_t>(x) * ch + c] = static_cast<T>(std::clamp(sum[c] + 0.5f, 0.0f, maxValue));
    }
}

}  // namespace

AreaReducer::AreaReducer(int sourceWidth, int sourceHeight, int width, int height, int channels, int bitDepth)
    : sourceWidth_(sourceWidth),
      width_(std::clamp(width, 1, std::max(1, sourceWidth))),
      height_(std::clamp(height, 1, std::max(1, sourceHeight))),
      channels_(channels),
      bitDepth_(bitDepth),
      columns_(areaTaps(sourceWidth, width_)),
      rows_(areaTaps(sourceHeight, height_)) {}

int AreaReducer::firstSourceRow(int y) const {
    return rows_.index[static_cast<std::size_t>(rows_.first[static_cast<std::size_t>(y)])];
}

int AreaReducer::endSourceRow(int y) const {
    return rows_.index[static_cast<std::size_t>(rows_.first[static_cast<std::size_t>(y) + 1] - 1)] + 1;
}

void AreaReducer::reduceRows(int y0, int y1, const std::function<const std::uint8_t*(int)>& sourceRow,
                             std::uint8_t* out, std::size_t outRowBytes) const {
    for (int y = y0; y < y1; ++y, out += outRowBytes) {
        if (bitDepth_ == 16)
            reduceRow(columns_, rows_, y, sourceWidth_, width_, channels_, sourceRow, reinterpret_cast<std::uint16_t*>(out));
        else
            reduceRow(columns_, rows_, y, sourceWidth_, width_, channels_, sourceRow, out);
    }
}

ScanBuffer downscaleArea(const ScanBuffer& source, int width, int height) {
    if (source.empty()) return ScanBuffer{};
    const AreaReducer reducer(source.width, source.height, width, height, source.channels, source.bitDepth);
    ScanBuffer out = ScanBuffer::allocated(reducer.width(), reducer.height(), source.channels, source.bitDepth,
                                           source.alphaPremultiplied);
    out.orientation = source.orientation;
    out.iccProfile = source.iccProfile;
    if (out.width == source.width && out.height == source.height) {
        std::copy_n(source.pixels.get(), source.byteCount(), out.pixels.get());
        return out;
    }
    const auto row = [&](int sy) { return source.row(sy); };
    tbb::parallel_for(0, out.height, [&](int y) { reducer.reduceRows(y, y + 1, row, out.row(y), out.rowBytes()); });
    return out;
}

}  // namespace vantrel
