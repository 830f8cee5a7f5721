#include "engine/DetailFilters.h"

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>

#include <cmath>
#include <vector>

#include "engine/Color.h"
#include "engine/GaussianBlur.h"

namespace vantrel {
namespace {

using V4 = Pixel4;

V4 splat(float v) { return V4{v, v, v, v}; }
V4 clean(V4 v) { return v == v ? v : splat(0.0f); }

constexpr float kY[3] = {0.2126f, 0.7152f, 0.0722f};
constexpr int kBand = 16;  // output rows per block of the 3 × 3 filters

// A block of rows of the source padded by one pixel on every side, the pixels
// beyond the extent repeating its edge. Row i, column j holds the pixel at
// (x0 - 1 + j, y0 - 1 + i).
struct PaddedBlock {
    std::vector<V4> px;
    int stride = 0;

    void load(const ConstPlaneView& src, const PlaneRect& extent, int x0, int y0, int w, int h) {
        stride = w + 2;
        px.resize(static_cast<std::size_t>(h + 2) * stride);
        for (int i = 0; i < h + 2; ++i) {
            const float* row = src.row(std::clamp(y0 - 1 + i, extent.y, extent.bottom() - 1));
            V4* out = px.data() + static_cast<std::size_t>(i) * stride;
            for (int j = 0; j < stride; ++j) {
                const int x = std::clamp(x0 - 1 + j, extent.x, extent.right() - 1);
                out[j] = clean(loadPixel(row + 4 * (x - src.rect.x)));
            }
        }
    }
    const V4* row(int i) const { return px.data() + static_cast<std::size_t>(i) * stride; }
};

// Runs `f(block, inside, y0, y1)` for bands of output rows inside the extent, in parallel;
// row y of a band is row y - y0 + 1 of its block. Pixels of dst outside the extent are
// cleared first.
template <class F>
void eachBand(const ConstPlaneView& src, const PlaneRect& extent, const PlaneView& dst, F f) {
    const PlaneRect inside = dst.rect.intersected(extent);
    for (int y = dst.rect.y; y < dst.rect.bottom(); ++y) {
        float* row = dst.row(y);
        for (int x = dst.rect.x; x < dst.rect.right(); ++x)
            if (inside.empty() || y < inside.y || y >= inside.bottom() || x < inside.x || x >= inside.right())
                storePixel(row + 4 * (x - dst.rect.x), splat(0.0f));
    }
    if (inside.empty()) return;
    tbb::enumerable_thread_specific<PaddedBlock> blocks;
    tbb::parallel_for(tbb::blocked_range<int>(inside.y, inside.bottom(), kBand), [&](const tbb::blocked_range<int>& r) {
        PaddedBlock& b = blocks.local();
        b.load(src, extent, inside.x, r.begin(), inside.width, r.size());
        f(b, inside, r.begin(), r.end());
    });
}

}  // namespace

int unsharpMaskMargin(const UnsharpMaskSettings& s) { return planGaussianBlur(s.radius).margin; }

void unsharpMask(const ConstPlaneView& src, const PlaneRect& extent, const UnsharpMaskSettings& s,
                 const PlaneView& dst) {
    gaussianBlur(src, extent, s.radius, BlurEdge::Clamp, dst);
    const PlaneRect inside = dst.rect.intersected(extent);
    if (inside.empty()) return;
    const float k = std::isfinite(s.intensity) ? s.intensity : 0.0f;
    tbb::parallel_for(tbb::blocked_range<int>(inside.y, inside.bottom(), 8), [&](const tbb::blocked_range<int>& r) {
        for (int y = r.begin(); y < r.end(); ++y) {
            const float* in = src.at(inside.x, y);
            float* out = dst.at(inside.x, y);
            for (int x = 0; x < inside.width; ++x) {
                const V4 c = clean(loadPixel(in + 4 * x));
                V4 v = c + (c - loadPixel(out + 4 * x)) * k;
                v[3] = c[3];
                storePixel(out + 4 * x, v);
            }
        }
    });
}

void noiseReduction(const ConstPlaneView& src, const PlaneRect& extent, const NoiseReductionSettings& s,
                    const PlaneView& dst) {
    const float N = std::isfinite(s.noiseLevel) ? std::max(s.noiseLevel, 0.0f) : 0.0f;
    const float K = std::isfinite(s.sharpness) ? s.sharpness : 0.0f;
    const float invN = 1.0f / std::max(N, 1e-6f);
    constexpr float g[9] = {1 / 16.f, 2 / 16.f, 1 / 16.f, 2 / 16.f, 4 / 16.f, 2 / 16.f, 1 / 16.f, 2 / 16.f, 1 / 16.f};
    const color::CurveTable& enc = color::srgbEncodeTable();
    tbb::enumerable_thread_specific<std::vector<float>> lumas;
    eachBand(src, extent, dst, [&](const PaddedBlock& b, const PlaneRect& inside, int y0, int y1) {
        // Display-encoded luminance of the block, so the noise level means the same in
        // shadows and highlights.
        std::vector<float>& e = lumas.local();
        const int rows = y1 - y0 + 2;
        e.resize(static_cast<std::size_t>(rows) * b.stride);
        for (int k = 0; k < rows; ++k) {
            const V4* row = b.row(k);
            float* out = e.data() + static_cast<std::size_t>(k) * b.stride;
            for (int j = 0; j < b.stride; ++j) {
                const float l = kY[0] * row[j][0] + kY[1] * row[j][1] + kY[2] * row[j][2];
                out[j] = enc(std::clamp(l, 0.0f, 1.0f));
            }
        }
        for (int y = y0; y < y1; ++y) {
            const int i = y - y0 + 1;
            const V4* px[3] = {b.row(i - 1), b.row(i), b.row(i + 1)};
            const float* lu[3] = {e.data() + static_cast<std::size_t>(i - 1) * b.stride,
                                  e.data() + static_cast<std::size_t>(i) * b.stride,
                                  e.data() + static_cast<std::size_t>(i + 1) * b.stride};
            float* out = dst.at(inside.x, y);
            for (int x = 0; x < inside.width; ++x) {
                const float ep = lu[1][x + 1];
                V4 selective = splat(0.0f), plain = splat(0.0f);
                float wsum = 0.0f, eblur = 0.0f;
                for (int q = 0; q < 9; ++q) {
                    const int dy = q / 3, dx = q % 3;
                    const V4 c = px[dy][x + dx];
                    const float eq = lu[dy][x + dx];
                    plain += c * g[q];
                    eblur += eq * g[q];
                    if (std::abs(eq - ep) <= N || q == 4) {
                        selective += c * g[q];
                        wsum += g[q];
                    }
                }
                const float edge = std::clamp((std::abs(ep - eblur) - N) * invN, 0.0f, 1.0f);
                const V4 c = px[1][x + 1];
                V4 v = selective * (1.0f / wsum) + (c - plain) * (K * edge);
                v[3] = c[3];
                storePixel(out + 4 * x, v);
            }
        }
    });
}

void edges(const ConstPlaneView& src, const PlaneRect& extent, const EdgesSettings& s, const PlaneView& dst) {
    const float k = (std::isfinite(s.intensity) ? s.intensity : 0.0f) / 4.0f;
    tbb::enumerable_thread_specific<std::vector<V4>> straight;
    eachBand(src, extent, dst, [&](const PaddedBlock& b, const PlaneRect& inside, int y0, int y1) {
        // Straight colour of the block.
        std::vector<V4>& c = straight.local();
        const int rows = y1 - y0 + 2;
        c.resize(static_cast<std::size_t>(rows) * b.stride);
        for (int r = 0; r < rows; ++r) {
            const V4* row = b.row(r);
            V4* out = c.data() + static_cast<std::size_t>(r) * b.stride;
            for (int j = 0; j < b.stride; ++j) {
                const float a = row[j][3];
                out[j] = a > 1e-6f ? row[j] * (1.0f / a) : splat(0.0f);
            }
        }
        for (int y = y0; y < y1; ++y) {
            const int i = y - y0 + 1;
            const V4* t = c.data() + static_cast<std::size_t>(i - 1) * b.stride;
            const V4* m = t + b.stride;
            const V4* u = m + b.stride;
            const V4* alpha = b.row(i);
            float* out = dst.at(inside.x, y);
            for (int x = 0; x < inside.width; ++x) {
                const V4 gx = (t[x + 2] + m[x + 2] * 2.0f + u[x + 2]) - (t[x] + m[x] * 2.0f + u[x]);
                const V4 gy = (u[x] + u[x + 1] * 2.0f + u[x + 2]) - (t[x] + t[x + 1] * 2.0f + t[x + 2]);
                const V4 sq = gx * gx + gy * gy;
                const float a = alpha[x + 1][3];
                const V4 v{std::sqrt(sq[0]) * k * a, std::sqrt(sq[1]) * k * a, std::sqrt(sq[2]) * k * a, a};
                storePixel(out + 4 * x, v);
            }
        }
    });
}

namespace {

template <class Kernel>
Image detailNode(const Image& input, int margin, Kernel kernel) {
    const Rect extent = input.extent();
    NeighbourhoodOptions options;
    options.margin = margin;
    options.extent = extent;
    options.wholeImage = margin > kTiledMarginLimit;
    return Image::neighbourhood(
        input,
        [extent, kernel](const ConstPixelView& in, const PixelView& out) {
            const PlaneMapping map = PlaneMapping::near(out.rect);
            kernel(map.view(in), map.rect(extent.intersected(in.rect)), map.view(out));
        },
        options);
}

}  // namespace

Image unsharpMask(const Image& input, const UnsharpMaskSettings& s) {
    if (input.isEmpty() || planGaussianBlur(s.radius).method == BlurPlan::Method::Identity || s.intensity == 0.0f)
        return input;
    return detailNode(input, unsharpMaskMargin(s), [s](const ConstPlaneView& in, const PlaneRect& e, const PlaneView& out) {
        unsharpMask(in, e, s, out);
    });
}

Image noiseReduction(const Image& input, const NoiseReductionSettings& s) {
    if (input.isEmpty()) return input;
    return detailNode(input, kNoiseReductionMargin,
                      [s](const ConstPlaneView& in, const PlaneRect& e, const PlaneView& out) { noiseReduction(in, e, s, out); });
}

Image edges(const Image& input, const EdgesSettings& s) {
    if (input.isEmpty()) return input;
    return detailNode(input, kEdgesMargin,
                      [s](const ConstPlaneView& in, const PlaneRect& e, const PlaneView& out) { edges(in, e, s, out); });
}

}  // namespace vantrel
