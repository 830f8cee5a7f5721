#include "engine/ScanResize.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace vantrel {

PixelSize fitLongEdge(int width, int height, int maxLongEdge) {
    const int longEdge = std::max(width, height);
    if (longEdge <= maxLongEdge || longEdge <= 0 || maxLongEdge <= 0) return {width, height};
    const double scale = static_cast<double>(maxLongEdge) / longEdge;
    return {std::max(1, static_cast<int>(std::lround(width * scale))),
            std::max(1, static_cast<int>(std::lround(height * scale)))};
}

namespace {

struct Taps {
    std::vector<int> first;      // per output index: offset into index/weight
    std::vector<int> index;
    std::vector<float> weight;
};

// Source samples covered by each of `out` cells spanning `in` source cells, weighted by overlap.
Taps areaTaps(int in, int out) {
    Taps taps;
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
void reduce(const ScanBuffer& src, ScanBuffer& dst) {
    const Taps tx = areaTaps(src.width, dst.width);
    const Taps ty = areaTaps(src.height, dst.height);
    const int ch = src.channels;
    const float maxValue = sizeof(T) == 2 ? 65535.0f : 255.0f;
    tbb::parallel_for(0, dst.height, [&](int y) {
        thread_local std::vector<float> acc;
        acc.assign(static_cast<std::size_t>(src.width) * ch, 0.0f);
        for (int k = ty.first[y]; k < ty.first[y + 1]; ++k) {
            const T* row = reinterpret_cast<const T*>(src.row(ty.index[k]));
            const float w = ty.weight[k];
            const std::size_t n = acc.size();
            for (std::size_t i = 0; i < n; ++i) acc[i] += w * static_cast<float>(row[i]);
        }
        T* out = reinterpret_cast<T*>(dst.row(y));
        for (int x = 0; x < dst.width; ++x) {
            float sum[4] = {0, 0, 0, 0};
            for (int k = tx.first[x]; k < tx.first[x + 1]; ++k) {
                const float* a = acc.data() + static_cast<std::size_t>(tx.index[k]) * ch;
                const float w = tx.weight[k];
                for (int c = 0; c < ch; ++c) sum[c] += w * a[c];
            }
            for (int c = 0; c < ch; ++c)
                out[static_cast<std::size_t>(x) * ch + c] = static_cast<T>(std::clamp(sum[c] + 0.5f, 0.0f, maxValue));
        }
    });
}

}  // namespace

ScanBuffer downscaleArea(const ScanBuffer& source, int width, int height) {
    ScanBuffer out;
    out.width = std::clamp(width, 1, std::max(1, source.width));
    out.height = std::clamp(height, 1, std::max(1, source.height));
    out.channels = source.channels;
    out.bitDepth = source.bitDepth;
    out.alphaPremultiplied = source.alphaPremultiplied;
    out.orientation = source.orientation;
    out.iccProfile = source.iccProfile;
    if (source.empty()) return ScanBuffer{};
    out.allocate();
    if (out.width == source.width && out.height == source.height) {
        std::copy_n(source.pixels.get(), source.byteCount(), out.pixels.get());
        return out;
    }
    if (source.bitDepth == 16) reduce<std::uint16_t>(source, out);
    else reduce<std::uint8_t>(source, out);
    return out;
}

}  // namespace vantrel
