#include "engine/HalationEngine.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/ColorFilters.h"
#include "engine/FilterMath.h"
#include "engine/GaussianBlur.h"

namespace vantrel::HalationEngine {

namespace {

// Below this an intensity adds no layer (and both below it leave the frame alone).
constexpr double kMinIntensity = 0.01;
// Frames this small or smaller on a side are left alone.
constexpr std::int64_t kMinSide = 10;
// Glows are smooth: the key is averaged over blocks of up to a quarter of the smaller blur
// radius, blurred there and interpolated back, which changes the result by well under a
// per cent of the glow and costs a small fraction of a full-size blur.
constexpr double kBlockPerSigma = 0.25;
constexpr int kMaxBlock = 32;

struct Layer {
    float sigma = 0;                  // pixels of the frame
    float tint[3] = {0, 0, 0};        // multiplies the key
};

float sigmaOf(double radius) { return std::isfinite(radius) ? float(std::clamp(radius, 0.0, double(kMaxBlurSigma))) : kMaxBlurSigma; }

// Everything in one raster pass over the developed frame: the key at block resolution, one
// edge-clamped blur per layer, the tinted sum, and the screen blend at full size.
PixelBuffer glowOver(const PixelBuffer& frame, double threshold, const std::vector<Layer>& layers) {
    const Rect e = frame.rect();
    PixelBuffer out(e);
    if (frame.isEmpty() || out.isEmpty()) return out;
    const int w = int(e.width), h = int(e.height);

    float smallest = kMaxBlurSigma;
    for (const Layer& l : layers) smallest = std::min(smallest, l.sigma);
    const int block = std::clamp(int(smallest * kBlockPerSigma), 1, std::max(1, std::min({kMaxBlock, w / 2, h / 2})));
    const int lw = (w + block - 1) / block, lh = (h + block - 1) / block;

    const double t = std::isfinite(threshold) ? threshold : 1.0;
    const float gain = float(1.0 / std::max(1.0 - t, 0.01));
    const float bias = float(t);

    // Premultiplied grey key (key × alpha), averaged over each block.
    std::vector<float> key(std::size_t(lw) * std::size_t(lh) * 4);
    const ConstPixelView src = frame.view();
    tbb::parallel_for(tbb::blocked_range<int>(0, lh), [&](const tbb::blocked_range<int>& rows) {
        std::vector<float> sum(std::size_t(lw) * 2);
        for (int by = rows.begin(); by < rows.end(); ++by) {
            std::fill(sum.begin(), sum.end(), 0.0f);
            const int y0 = by * block, y1 = std::min(h, y0 + block);
            for (int y = y0; y < y1; ++y) {
                const float* p = src.rowFromTop(y);
                for (int bx = 0, x = 0; bx < lw; ++bx) {
                    float k = 0, alpha = 0;
                    for (const int x1 = std::min(w, x + block); x < x1; ++x, p += 4) {
                        const float a = p[3];
                        const float inv = a == 1.0f ? 1.0f : (a > 1e-6f ? 1.0f / a : 0.0f);
                        const float lum = kernels::luminance(p[0], p[1], p[2]) * inv;
                        k += std::clamp((lum - bias) * gain, 0.0f, 1.0f) * a;  // NaN gives 0
                        alpha += a;
                    }
                    sum[std::size_t(bx) * 2] += k;
                    sum[std::size_t(bx) * 2 + 1] += alpha;
                }
            }
            for (int bx = 0; bx < lw; ++bx) {
                const int x0 = bx * block, x1 = std::min(w, x0 + block);
                const float n = float(x1 - x0) * float(y1 - y0);
                float* q = key.data() + (std::size_t(by) * std::size_t(lw) + std::size_t(bx)) * 4;
                q[0] = q[1] = q[2] = sum[std::size_t(bx) * 2] / n;
                q[3] = sum[std::size_t(bx) * 2 + 1] / n;
            }
        }
    });

    // Tinted, blurred layers added on the block grid.
    const PlaneRect grid{0, 0, lw, lh};
    const ConstPlaneView keyView{key.data(), std::ptrdiff_t(lw) * 4, grid};
    std::vector<float> glow(key.size(), 0.0f), blurred(key.size());
    for (const Layer& l : layers) {
        // Block averaging and interpolation add about block²/4 of variance; take it off.
        const double s = std::sqrt(std::max(double(l.sigma) * l.sigma - block * block / 4.0, 0.0)) / block;
        gaussianBlur(keyView, grid, float(s), BlurEdge::Clamp, PlaneView{blurred.data(), std::ptrdiff_t(lw) * 4, grid});
        for (std::size_t i = 0; i < glow.size(); i += 4) {
            const float k = blurred[i];
            glow[i] += l.tint[0] * k;
            glow[i + 1] += l.tint[1] * k;
            glow[i + 2] += l.tint[2] * k;
            glow[i + 3] = std::min(glow[i + 3] + blurred[i + 3], 1.0f);
        }
    }

    // Back to full size (bilinear between block centres) and screened over the frame.
    struct Tap {
        int i0, i1;
        float t;
    };
    const auto tap = [block](int x, int n) {
        const float u = std::clamp((float(x) + 0.5f) / float(block) - 0.5f, 0.0f, float(n - 1));
        const int i0 = std::min(int(u), std::max(n - 2, 0));
        return Tap{i0, std::min(i0 + 1, n - 1), u - float(i0)};
    };
    std::vector<Tap> columns(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) columns[std::size_t(x)] = tap(x, lw);
    const PixelView dst = out.view();
    tbb::parallel_for(tbb::blocked_range<int>(0, h, 16), [&](const tbb::blocked_range<int>& rows) {
        std::vector<float> line(std::size_t(lw) * 4);
        for (int y = rows.begin(); y < rows.end(); ++y) {
            const Tap r = tap(y, lh);
            const float* r0 = glow.data() + std::size_t(r.i0) * std::size_t(lw) * 4;
            const float* r1 = glow.data() + std::size_t(r.i1) * std::size_t(lw) * 4;
            for (std::size_t i = 0; i < line.size(); ++i) line[i] = r0[i] + r.t * (r1[i] - r0[i]);
            const float* p = src.rowFromTop(y);
            float* o = dst.rowFromTop(y);
            for (int x = 0; x < w; ++x, p += 4, o += 4) {
                const Tap& c = columns[std::size_t(x)];
                const kernels::Float4 g0 = kernels::load4(line.data() + c.i0 * 4);
                const kernels::Float4 g = g0 + c.t * (kernels::load4(line.data() + c.i1 * 4) - g0);
                const kernels::Float4 f = kernels::load4(p);
                kernels::store4(o, g + f - g * f);  // screen
            }
        }
    });
    return out;
}

}  // namespace

Image highlightKey(const Image& frame, double threshold) {
    const double t = std::isfinite(threshold) ? threshold : 1.0;
    const double k = 1.0 / std::max(1.0 - t, 0.01);
    ColorMatrixParameters m;
    const std::array<float, 4> row{float(0.2126 * k), float(0.7152 * k), float(0.0722 * k), 0.0f};
    m.rVector = m.gVector = m.bVector = row;
    const float bias = float(-t * k);
    m.biasVector = {bias, bias, bias, 0.0f};
    return colorClamp(colorMatrix(frame, m)).cropped(frame.extent());
}

Image apply(const Image& frame, const HalationParameters& p) {
    const Rect& e = frame.extent();
    if (!p.isEnabled || p.isNeutral() || !e.isFinite() || e.width <= kMinSide || e.height <= kMinSide) return frame;

    std::vector<Layer> layers;
    if (p.halationIntensity > kMinIntensity) {
        const float a = float(std::min(p.halationIntensity, 1.0) * 1.8);
        layers.push_back({sigmaOf(p.halationRadius), {a, a * 0.12f, a * 0.02f}});
    }
    if (p.bloomIntensity > kMinIntensity) {
        const float c = float(std::min(p.bloomIntensity, 1.0) * 1.3);
        layers.push_back({sigmaOf(p.bloomRadius), {c, c * 0.95f, c * 0.9f}});
    }
    if (layers.empty()) return frame;
    const double threshold = p.halationThreshold;
    return Image::raster(frame, e, [threshold, layers](const PixelBuffer& in) { return glowOver(in, threshold, layers); });
}

}  // namespace vantrel::HalationEngine
