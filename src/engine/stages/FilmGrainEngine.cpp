#include "engine/stages/FilmGrainEngine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "engine/color/ColorKernels.h"
#include "engine/filters/GeneratorKernels.h"

namespace vantrel::FilmGrainEngine {

namespace {

// Into [lo, hi]; not-a-number becomes the upper bound, as the recipe's own clamping does.
double held(double v, double lo, double hi) { return std::isnan(v) ? hi : std::clamp(v, lo, hi); }

// floor() without a library call (the baseline target has no rounding instruction).
inline std::int64_t floorOf(double v) {
    const auto i = std::int64_t(v);
    return v < double(i) ? i - 1 : i;
}

// Sizes whose scale 1 / size is at least this keep the generator's pixel-sized noise.
constexpr double kResampleBelow = 0.95;

// The generator's noise (RandomNoise::value) of eight cells side by side, channels 0 to 2:
// the same integer hash lane by lane, so the same values.
using Uint8 = std::uint32_t __attribute__((vector_size(32)));
using Float8 = float __attribute__((vector_size(32)));
struct Cells8 {
    Float8 c[3];
};
inline Cells8 noise8(std::int64_t i0, std::int64_t j) {
    const Uint8 i = std::uint32_t(std::int32_t(i0)) + Uint8{0, 1, 2, 3, 4, 5, 6, 7};
    const Uint8 base = i * 0x8DA6B343u;
    Cells8 out;
    for (std::uint32_t c = 0; c < 3; ++c) {
        Uint8 s = base ^ (std::uint32_t(std::int32_t(j)) * 0xD8163841u ^ c * 0xCB1AB31Fu);
        s = s * 747796405u + 2891336453u;  // PCG output permutation
        const Uint8 w = ((s >> ((s >> 28u) + 4u)) ^ s) * 277803737u;
        const Uint8 h = ((w >> 22u) ^ w) >> 8u;
        out.c[c] = __builtin_convertvector(h, Float8) * (1.0f / 16777216.0f);
    }
    return out;
}

// Per-thread memory of the noise rows: lattice rows and column taps are reused by the
// next row of the same span (rows run in order within a tile), and hold values that
// depend on position alone, so reuse cannot change a result.
struct NoiseCache {
    struct LatticeRow {
        std::int64_t j = 0, i0 = 0;
        std::size_t cells = 0;
        double scale = 0;
        std::array<float, 12> character{};
        std::vector<float> values;  // cells × 3
    };
    LatticeRow rows[2];
    // Column taps of the last span: cell index and weight of each pixel.
    std::int64_t tapX = 0, tapI0 = 0;
    int tapCount = -1;
    double tapScale = 0;
    std::vector<std::uint32_t> tapCell;
    std::vector<float> tapWeight;

    // Lattice row j over cells i0 …, each cell's noise taken through `character`; the row
    // holding `keep` is not replaced.
    const float* lattice(std::int64_t j, std::int64_t i0, std::size_t cells, double scale,
                         const kernels::RgbAffine& character, const float* keep = nullptr) {
        for (LatticeRow& r : rows)
            if (r.j == j && r.i0 == i0 && r.cells == cells && r.scale == scale && r.character == character.m &&
                !r.values.empty())
                return r.values.data();
        // Rows run downwards in j, so the row above (j + 1) is the one worth keeping.
        LatticeRow* victim = &rows[0];
        if (keep) {
            if (rows[0].values.data() == keep) victim = &rows[1];
        } else if (rows[0].j == j + 1 && !rows[0].values.empty()) {
            victim = &rows[1];
        }
        LatticeRow& r = *victim;
        r.j = j;
        r.i0 = i0;
        r.cells = cells;
        r.scale = scale;
        r.character = character.m;
        r.values.resize(cells * 3 + 1);  // one spare so a cell can be read as four floats
        r.values.back() = 0.0f;
        const std::array<float, 12>& m = character.m;
        float* out = r.values.data();
        std::size_t k = 0;
        for (; k + 8 <= cells; k += 8) {
            const Cells8 v = noise8(i0 + std::int64_t(k), j);
            for (std::size_t c = 0; c < 3; ++c) {
                const Float8 o = m[4 * c] * v.c[0] + m[4 * c + 1] * v.c[1] + m[4 * c + 2] * v.c[2] + m[4 * c + 3];
                for (std::size_t l = 0; l < 8; ++l) out[3 * (k + l) + c] = o[l];
            }
        }
        for (; k < cells; ++k) {
            float v[3];
            for (std::uint32_t c = 0; c < 3; ++c)
                v[c] = kernels::RandomNoise::value(std::int32_t(i0 + std::int64_t(k)), std::int32_t(j), c);
            for (std::size_t c = 0; c < 3; ++c)
                out[3 * k + c] = m[4 * c] * v[0] + m[4 * c + 1] * v[1] + m[4 * c + 2] * v[2] + m[4 * c + 3];
        }
        return r.values.data();
    }
};

// The grain noise of one row, opaque RGB in [0, 1). For a size above about 1.05 the
// generator's noise is read on a grid 1 / size as fine (each grid point one noise pixel, as a
// nearest-sample downscale gives it) and interpolated bilinearly back to pixel scale, so
// clumps grow with the size; the value at a pixel depends on its position alone.
// The noise's character (an affine map of its colour) is applied to the grid values before
// they are interpolated: the same map, since bilinear weights sum to one, on fewer values.
struct NoiseRow {
    double scale = 1.0;              // grid cells per pixel (1 / size)
    kernels::RgbAffine character;    // identity: the generator's noise as it is

    void operator()(const RowSpan& s, float* out, NoiseCache& cache) const {
        using kernels::RandomNoise;
        if (scale >= kResampleBelow) {
            for (int i = 0; i < s.count; ++i)
                for (std::uint32_t c = 0; c < 3; ++c)
                    out[4 * i + c] = RandomNoise::value(std::int32_t(s.x + i), std::int32_t(s.y), c);
            for (int i = 0; i < s.count; ++i) out[4 * i + 3] = 1.0f;
            character.run(out, out, s.count);
            return;
        }
        // Output centre p maps to grid coordinate p·scale − 0.5 (grid centres at k + 0.5).
        const double v = (double(s.y) + 0.5) * scale - 0.5;
        const std::int64_t j0 = floorOf(v);
        const float ty = float(v - double(j0));
        const std::int64_t i0 = floorOf((double(s.x) + 0.5) * scale - 0.5);
        const std::int64_t i1 = floorOf((double(s.x + s.count) - 0.5) * scale - 0.5) + 1;
        const std::size_t cells = std::size_t(i1 - i0 + 1);
        const float* below = cache.lattice(j0, i0, cells, scale, character);
        const float* above = cache.lattice(j0 + 1, i0, cells, scale, character, below);
        if (cache.tapX != s.x || cache.tapCount != s.count || cache.tapScale != scale || cache.tapI0 != i0) {
            cache.tapCell.resize(std::size_t(s.count));
            cache.tapWeight.resize(std::size_t(s.count));
            for (int i = 0; i < s.count; ++i) {
                const double u = (double(s.x + i) + 0.5) * scale - 0.5;
                const std::int64_t iu = floorOf(u);
                cache.tapCell[std::size_t(i)] = std::uint32_t(3 * (iu - i0));
                cache.tapWeight[std::size_t(i)] = float(u - double(iu));
            }
            cache.tapX = s.x;
            cache.tapCount = s.count;
            cache.tapScale = scale;
            cache.tapI0 = i0;
        }
        const std::uint32_t* cell = cache.tapCell.data();
        const float* weight = cache.tapWeight.data();
        using kernels::Float4;
        using kernels::load4;
        for (int i = 0; i < s.count; ++i) {
            const std::uint32_t k = cell[i];
            const float tx = weight[i];
            // The three channels of a cell side by side (the fourth lane is dropped).
            const Float4 b0 = load4(below + k), b1 = load4(below + k + 3);
            const Float4 a0 = load4(above + k), a1 = load4(above + k + 3);
            const Float4 b = b0 + tx * (b1 - b0);
            const Float4 a = a0 + tx * (a1 - a0);
            Float4 o = b + ty * (a - b);
            o[3] = 1.0f;
            kernels::store4(out + 4 * i, o);
        }
    }
};

// 1 / a for straight colour: 1 for opaque, 0 for (nearly) transparent pixels.
inline kernels::Float4 inverseAlpha(kernels::Float4 a) {
    using namespace kernels;
    return select(a == 1.0f, splat(1.0f), select(a > 1e-6f, 1.0f / a, Float4{}));
}

// std::max(v, 0) lane by lane, NaN kept as the scalar form keeps it.
inline kernels::Float4 atLeastZero(kernels::Float4 v) { return kernels::maxOf(kernels::Float4{}, v); }

// Everything the grain of one pixel needs besides the frame.
struct Grain {
    NoiseRow noise;  // its character: saturation by the dye clouds, contrast by the roughness
    float gain = 0;  // 1.4 × amount

    // The midtone weight of four frame pixels: gain·(3.8 L − 3.8 L²) of the straight
    // luminance, held at 0 outside black…white.
    kernels::Float4 weight(const kernels::Quad& f) const {
        using namespace kernels;
        const Float4 lum = (kYr * f.r + kYg * f.g + kYb * f.b) * inverseAlpha(f.a);
        return atLeastZero(3.8f * lum - 3.8f * lum * lum) * gain;
    }
    float weight(const float* f) const {
        const float a = f[3];
        const float inv = a == 1.0f ? 1.0f : (a > 1e-6f ? 1.0f / a : 0.0f);
        const float lum = kernels::luminance(f[0], f[1], f[2]) * inv;
        return std::max(3.8f * lum - 3.8f * lum * lum, 0.0f) * gain;
    }

    // The grain layer over a span of the frame (premultiplied): 0.5 + w·(noise − 0.5).
    void layer(const RowSpan& s, const float* frame, float* out, NoiseCache& cache) const {
        using namespace kernels;
        noise(s, out, cache);
        int i = 0;
        for (; i + 4 <= s.count; i += 4) {
            const Float4 w = weight(loadQuad(frame + 4 * i));
            const Quad o = loadQuad(out + 4 * i);
            storeQuad(out + 4 * i, {0.5f + w * (o.r - 0.5f), 0.5f + w * (o.g - 0.5f), 0.5f + w * (o.b - 0.5f), o.a});
        }
        for (; i < s.count; ++i) {
            const float w = weight(frame + 4 * i);
            float* o = out + 4 * i;
            for (int k = 0; k < 3; ++k) o[k] = 0.5f + w * (o[k] - 0.5f);
        }
    }

    // The grained frame over a span, in one pass: the layer as above, soft-light blended with
    // the same curve for lightening and darkening (the "pegtop" form): with the layer at
    // 0.5 + d the colour moves by 2d·c·(1 − c), so grain that is as often bright as dark
    // leaves the frame's tones where they were. The lightening half of the usual soft-light
    // curve is steeper than its darkening half in the midtones, which would brighten a grey
    // frame by a few per cent even with centred grain. The factor is held at 0 outside 0…1,
    // so extended values carry no inverted grain. `out` holds the noise on the way.
    void apply(const RowSpan& s, const float* frame, float* out, NoiseCache& cache) const {
        using namespace kernels;
        noise(s, out, cache);
        int i = 0;
        for (; i + 4 <= s.count; i += 4) {
            const Quad f = loadQuad(frame + 4 * i);
            const Quad o = loadQuad(out + 4 * i);
            const Float4 w = weight(f);
            const Float4 inv = inverseAlpha(f.a);
            auto channel = [&](Float4 fc, Float4 nc) {
                const Float4 lc = 0.5f + w * (nc - 0.5f);
                const Float4 c = fc * inv;
                const Float4 room = atLeastZero(c * (1.0f - c));
                return (c + (2.0f * lc - 1.0f) * room) * f.a;
            };
            storeQuad(out + 4 * i, {channel(f.r, o.r), channel(f.g, o.g), channel(f.b, o.b), f.a});
        }
        for (; i < s.count; ++i) {
            const float* f = frame + 4 * i;
            float* o = out + 4 * i;
            const float w = weight(f);
            const float a = f[3];
            const float inv = a == 1.0f ? 1.0f : (a > 1e-6f ? 1.0f / a : 0.0f);
            for (int k = 0; k < 3; ++k) {
                const float l = 0.5f + w * (o[k] - 0.5f);
                const float c = f[k] * inv;
                const float room = std::max(c * (1.0f - c), 0.0f);
                o[k] = (c + (2.0f * l - 1.0f) * room) * a;
            }
            o[3] = a;
        }
    }
};

Grain grainFor(double amount, double size, double roughness, double colorDyeClouds) {
    Grain g;
    g.noise.scale = 1.0 / held(size, 1.0, 3.5);
    ColorControlsParameters character;
    character.saturation = float(held(colorDyeClouds, 0.0, 1.0) * 1.2);
    character.contrast = float(1.0 + held(roughness, 0.0, 1.0) * 1.8);
    g.noise.character = kernels::colorControlsKernel(character);
    g.gain = float(held(amount, 0.0, 1.0) * 1.4);
    return g;
}

// Per-thread memory of the noise rows.
NoiseCache& noiseCache() {
    thread_local NoiseCache cache;
    return cache;
}

}  // namespace

Image sizedNoise(const Rect& extent, double size) {
    NoiseRow noise;
    noise.scale = 1.0 / held(size, 1.0, 3.5);
    return Image::generator([noise](const RowSpan& s, float* out) { noise(s, out, noiseCache()); }, extent);
}

Image grainLayer(const Image& frame, const FilmGrainParameters& p) {
    const Grain grain = grainFor(p.amount, p.size, p.roughness, p.colorDyeClouds);
    return Image::pointwise({frame}, [grain](const RowSpan& s, const float* const* in, float* out) {
        grain.layer(s, in[0], out, noiseCache());
    });
}

}  // namespace vantrel::FilmGrainEngine

namespace vantrel {

Image applyFilmGrain(const Image& frame, const FilmGrainParameters& p) {
    using namespace FilmGrainEngine;
    const Rect& e = frame.extent();
    if (!parameterOf(&FilmGrainParameters::amount).reaches(p.amount) || !e.isFinite() || e.width <= 1 ||
        e.height <= 1)
        return frame;
    // One pass: noise, its character, the midtone weight and the blend, row by row.
    const Grain grain = grainFor(p.amount, p.size, p.roughness, p.colorDyeClouds);
    return Image::pointwise({frame}, [grain](const RowSpan& s, const float* const* in, float* out) {
        grain.apply(s, in[0], out, noiseCache());
    });
}

}  // namespace vantrel
