#include "engine/core/detail/Encode.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#if defined(__AVX2__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantrel::detail {

namespace {

struct SrgbMatrix {
    float m[9];
    SrgbMatrix() {
        const auto mm = color::linearP3ToLinearSRGB();
        for (int i = 0; i < 9; ++i) m[i] = float(mm.m[std::size_t(i)]);
    }
};
const SrgbMatrix& srgbMatrix() {
    static const SrgbMatrix m;
    return m;
}

inline float clean(float v) { return v != v ? 0.0f : v; }

// One pixel to clamped encoded, premultiplied-in-encoded-domain components (0..1) and alpha.
template <bool Clamp>
[[gnu::always_inline]] inline void encodePixel(const float* p, OutputSpace space, const float* m, const color::CurveTable& enc, float* o) {
    float a = clean(p[3]);
    a = std::clamp(a, 0.0f, Clamp ? 1.0f : 3.0e38f);
    float r = clean(p[0]), g = clean(p[1]), b = clean(p[2]);
    if (a <= 1e-6f) {
        o[0] = o[1] = o[2] = 0.0f;
        o[3] = a;
        return;
    }
    if (a != 1.0f) {
        const float inv = 1.0f / a;
        r *= inv; g *= inv; b *= inv;
    }
    if (space == OutputSpace::sRGB) {
        const float x = r, y = g, z = b;
        r = m[0] * x + m[1] * y + m[2] * z;
        g = m[3] * x + m[4] * y + m[5] * z;
        b = m[6] * x + m[7] * y + m[8] * z;
    }
    r = enc(r); g = enc(g); b = enc(b);
    if constexpr (Clamp) {
        r = std::clamp(clean(r), 0.0f, 1.0f);
        g = std::clamp(clean(g), 0.0f, 1.0f);
        b = std::clamp(clean(b), 0.0f, 1.0f);
    }
    o[0] = r * a; o[1] = g * a; o[2] = b * a; o[3] = a;
}

// Linear value -> 8-bit code by one lookup: values are clamped to [2^-13, 1) (NaN to the
// bottom; below 2^-13 the code is 0, from 1 up it is 255) and split by their bits into
// 1/256-octave segments, fine enough that the code steps at most once inside one. Each
// segment's entry holds the code at its start and the low mantissa bits at which the next
// code begins. The thresholds (where each code begins) define the encoder: the correctly
// rounded sRGB curve for Display P3 output, or exactly what the per-pixel path gives after
// its matrix for sRGB output.
class Encoder8 {
public:
    // threshold[c]: the least value whose code is above c (c < 255), increasing.
    explicit Encoder8(const float* threshold) {
        for (std::uint32_t i = 0; i < kEntries; ++i) {
            const std::uint32_t start = kLowBits + (i << kShift);
            const float v = std::bit_cast<float>(start);
            std::uint32_t c = 0;
            while (c < 255 && v >= threshold[c]) ++c;
            const std::uint32_t next = c < 255 ? std::bit_cast<std::uint32_t>(threshold[c]) : 0x7f800000u;
            const std::uint32_t step = next - start < kSegment ? next - start : kSegment;
            // A second step inside the segment cannot be represented: refuse the table.
            if (c + 1 < 255 && step < kSegment && std::bit_cast<std::uint32_t>(threshold[c + 1]) - start < kSegment)
                exact_ = false;
            table_[i] = (step << 8) | c;
        }
        if (!(threshold[0] > std::bit_cast<float>(kLowBits)) || !(threshold[254] <= std::bit_cast<float>(kTopBits)))
            exact_ = false;
    }
    // False when the thresholds do not fit the segment layout; the table must then not be used.
    bool exact() const { return exact_; }
    static constexpr std::uint32_t kShift = 15;  // 256 segments per octave
    static constexpr std::uint32_t kSegment = 1u << kShift;
    static constexpr std::uint32_t kLowBits = 0x39000000u;  // 2^-13, below the first threshold
    static constexpr std::uint32_t kTopBits = 0x3f7fffffu;  // largest float below 1
    static constexpr std::uint32_t kEntries = ((kTopBits - kLowBits) >> kShift) + 1;

    std::uint8_t operator()(float v) const noexcept {
        const float low = std::bit_cast<float>(kLowBits), top = std::bit_cast<float>(kTopBits);
        float c = v > low ? v : low;  // NaN too
        c = c < top ? c : top;
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(c) - kLowBits;
        const std::uint32_t e = table_[bits >> kShift];
        return std::uint8_t((e & 255u) + ((bits & (kSegment - 1)) >= (e >> 8)));
    }
    const std::uint32_t* table() const { return table_; }

private:
    std::uint32_t table_[kEntries];
    bool exact_ = true;
};

const Encoder8& encoder8() {
    static const Encoder8 e = [] {
        float threshold[255];
        for (int c = 0; c < 255; ++c) threshold[c] = float(color::decodeSRGB((c + 0.5) / 255.0));
        return Encoder8(threshold);
    }();
    return e;
}

// The per-pixel sRGB path's code for an opaque value after the matrix: the shared encode
// table, clamp, quantise. It never decreases as v grows, so its thresholds describe it fully.
std::uint8_t srgbCodeOf(float v) {
    const float e = color::srgbEncodeTable()(v);
    return color::toUnit8(std::clamp(e != e ? 0.0f : e, 0.0f, 1.0f));
}

[[maybe_unused]] const Encoder8& srgbEncoder8() {
    static const Encoder8 e = [] {
        float threshold[255];
        for (int c = 0; c < 255; ++c) {
            // Least positive float whose code is above c, by bisection on the bit patterns.
            std::uint32_t lo = 0, hi = 0x3f800000u;  // code(lo) <= c < code(hi) = 255
            while (hi - lo > 1) {
                const std::uint32_t mid = lo + (hi - lo) / 2;
                (srgbCodeOf(std::bit_cast<float>(mid)) > c ? hi : lo) = mid;
            }
            threshold[c] = std::bit_cast<float>(hi);
        }
        return Encoder8(threshold);
    }();
    return e;
}

#if defined(__SSE2__)
// An opaque pixel's three colour codes at once (same table and arithmetic as Encoder8).
inline void encodeOpaque8(const Encoder8& e8, const float* in, std::uint8_t* out) {
    const __m128 low = _mm_castsi128_ps(_mm_set1_epi32(int(Encoder8::kLowBits)));
    const __m128 top = _mm_castsi128_ps(_mm_set1_epi32(int(Encoder8::kTopBits)));
    const __m128 c = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(in), low), top);  // max gives `low` for NaN
    const __m128i bits = _mm_sub_epi32(_mm_castps_si128(c), _mm_set1_epi32(int(Encoder8::kLowBits)));
    const __m128i index = _mm_srli_epi32(bits, int(Encoder8::kShift));
    const __m128i frac = _mm_and_si128(bits, _mm_set1_epi32(int(Encoder8::kSegment - 1)));
    const std::uint32_t* t = e8.table();
    const std::uint32_t e0 = t[_mm_cvtsi128_si32(index)];
    const std::uint32_t e1 = t[_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 0x55))];
    const std::uint32_t e2 = t[_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 0xaa))];
    const __m128i e = _mm_set_epi32(0, int(e2), int(e1), int(e0));
    const __m128i noStep = _mm_cmpgt_epi32(_mm_srli_epi32(e, 8), frac);
    __m128i code = _mm_add_epi32(_mm_and_si128(e, _mm_set1_epi32(255)), _mm_andnot_si128(noStep, _mm_set1_epi32(1)));
    code = _mm_packus_epi16(_mm_packs_epi32(code, code), code);
    const std::uint32_t px = std::uint32_t(_mm_cvtsi128_si32(code)) | 0xff000000u;  // alpha 255 (little-endian)
    std::memcpy(out, &px, 4);
}
#else
inline void encodeOpaque8(const Encoder8& e8, const float* in, std::uint8_t* out) {
    const std::uint8_t px[4] = {e8(in[0]), e8(in[1]), e8(in[2]), 255};
    std::memcpy(out, px, 4);
}
#endif

#if defined(__AVX2__)
// Four opaque pixels at once, the same table and arithmetic as Encoder8 (the alpha lanes go
// through the table too and land on 255). False, with nothing written, unless all four are
// opaque.
// With a matrix (sRGB output), NaN colour becomes 0 first and the matrix is applied with the
// per-pixel path's sums, in its order.
template <bool Matrix>
inline bool encodeOpaque8x4(const Encoder8& e8, const float* in, std::uint8_t* out, const float* m = nullptr) {
    __m256 p01 = _mm256_loadu_ps(in), p23 = _mm256_loadu_ps(in + 8);
    const __m256 one = _mm256_set1_ps(1.0f);
    const int opaque = _mm256_movemask_ps(_mm256_cmp_ps(p01, one, _CMP_EQ_OQ)) &
                       _mm256_movemask_ps(_mm256_cmp_ps(p23, one, _CMP_EQ_OQ));
    if ((opaque & 0x88) != 0x88) return false;
    if constexpr (Matrix) {
        const __m256 c0 = _mm256_setr_ps(m[0], m[3], m[6], 0, m[0], m[3], m[6], 0);
        const __m256 c1 = _mm256_setr_ps(m[1], m[4], m[7], 0, m[1], m[4], m[7], 0);
        const __m256 c2 = _mm256_setr_ps(m[2], m[5], m[8], 0, m[2], m[5], m[8], 0);
        auto toSrgb = [&](__m256 p) {
            p = _mm256_and_ps(p, _mm256_cmp_ps(p, p, _CMP_ORD_Q));
            const __m256 v = _mm256_add_ps(_mm256_mul_ps(c0, _mm256_permute_ps(p, 0x00)), _mm256_mul_ps(c1, _mm256_permute_ps(p, 0x55)));
            return _mm256_add_ps(v, _mm256_mul_ps(c2, _mm256_permute_ps(p, 0xaa)));
        };
        p01 = toSrgb(p01);
        p23 = toSrgb(p23);
    }
    const __m256 low = _mm256_castsi256_ps(_mm256_set1_epi32(int(Encoder8::kLowBits)));
    const __m256 top = _mm256_castsi256_ps(_mm256_set1_epi32(int(Encoder8::kTopBits)));
    const __m256i lowBits = _mm256_set1_epi32(int(Encoder8::kLowBits));
    const __m256i fracMask = _mm256_set1_epi32(int(Encoder8::kSegment - 1));
    const __m256i byteMask = _mm256_set1_epi32(255);
    const __m256i oneCode = _mm256_set1_epi32(1);
    const int* table = reinterpret_cast<const int*>(e8.table());
    auto codes = [&](__m256 p) {
        const __m256 c = _mm256_min_ps(_mm256_max_ps(p, low), top);  // max gives `low` for NaN
        const __m256i bits = _mm256_sub_epi32(_mm256_castps_si256(c), lowBits);
        const __m256i e = _mm256_i32gather_epi32(table, _mm256_srli_epi32(bits, int(Encoder8::kShift)), 4);
        const __m256i noStep = _mm256_cmpgt_epi32(_mm256_srli_epi32(e, 8), _mm256_and_si256(bits, fracMask));
        return _mm256_add_epi32(_mm256_and_si256(e, byteMask), _mm256_andnot_si256(noStep, oneCode));
    };
    // Packing works within 128-bit lanes: pixels come out as 0 2 0 2 | 1 3 1 3, then reordered.
    const __m256i words = _mm256_packs_epi32(codes(p01), codes(p23));
    const __m256i bytes = _mm256_packus_epi16(words, words);
    const __m256i ordered = _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 0, 4, 1, 5));
    const __m128i px = _mm_or_si128(_mm256_castsi256_si128(ordered), _mm_set1_epi32(int(0xff000000u)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), px);
    return true;
}
#endif

// Four codes to one pixel, in one store.
inline void put4(std::uint8_t* out, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    const std::uint8_t px[4] = {r, g, b, a};
    std::memcpy(out, px, 4);
}

}  // namespace

namespace {
// One pixel by the general path.
template <OutputSpace Space>
[[gnu::always_inline]] inline void encodePixel8(const Encoder8& e8, const float* m, const color::CurveTable& enc,
                                            const float* in, std::uint8_t* out) {
    if (Space == OutputSpace::displayP3 && in[3] == 1.0f) {  // opaque: no alpha arithmetic
        encodeOpaque8(e8, in, out);
        return;
    }
    float p[4];
    std::memcpy(p, in, sizeof p);
    if (Space == OutputSpace::linearWorking) {
        put4(out, color::toUnit8(p[0]), color::toUnit8(p[1]), color::toUnit8(p[2]), color::toUnit8(p[3]));
        return;
    }
    float e[4];
    encodePixel<true>(p, Space, m, enc, e);
    put4(out, color::toUnit8(e[0]), color::toUnit8(e[1]), color::toUnit8(e[2]), color::toUnit8(e[3]));
}

template <OutputSpace Space>
void encodeRow8As(const float* in, int count, std::uint8_t* out) {
    const Encoder8& e8 = encoder8();
    const float* m = srgbMatrix().m;
    const auto& enc = color::srgbEncodeTable();
#if defined(__AVX2__)
    // Four opaque pixels at a time wherever they come; a translucent pixel goes alone.
    const Encoder8* wide = Space == OutputSpace::displayP3 ? &e8 : Space == OutputSpace::sRGB ? &srgbEncoder8() : nullptr;
    if (wide && !wide->exact()) wide = nullptr;
    auto fourOpaque = [&](int i) {
        if (!wide || i + 4 > count) return false;
        if constexpr (Space == OutputSpace::sRGB) return encodeOpaque8x4<true>(*wide, in, out, m);
        else return encodeOpaque8x4<false>(*wide, in, out);
    };
#else
    auto fourOpaque = [](int) { return false; };
#endif
    for (int i = 0; i < count;) {
        if (fourOpaque(i)) {
            i += 4;
            in += 16;
            out += 16;
            continue;
        }
        encodePixel8<Space>(e8, m, enc, in, out);
        ++i;
        in += 4;
        out += 4;
    }
}

}  // namespace

void encodeRow8(const float* in, int count, OutputSpace space, std::uint8_t* out) {
    switch (space) {
        case OutputSpace::displayP3: encodeRow8As<OutputSpace::displayP3>(in, count, out); break;
        case OutputSpace::sRGB: encodeRow8As<OutputSpace::sRGB>(in, count, out); break;
        case OutputSpace::linearWorking: encodeRow8As<OutputSpace::linearWorking>(in, count, out); break;
    }
}

void encodeRow16(const float* in, int count, OutputSpace space, std::uint16_t* out) {
    const float* m = srgbMatrix().m;
    const auto& enc = color::srgbEncodeTable();
    for (int i = 0; i < count; ++i, in += 4, out += 4) {
        if (space == OutputSpace::linearWorking) {
            for (int k = 0; k < 4; ++k) out[k] = color::toUnit16(in[k]);
            continue;
        }
        float e[4];
        encodePixel<true>(in, space, m, enc, e);
        for (int k = 0; k < 4; ++k) out[k] = color::toUnit16(e[k]);
    }
}

void encodeRowFloat(const float* in, int count, OutputSpace space, float* out) {
    const float* m = srgbMatrix().m;
    const auto& enc = color::srgbEncodeTable();
    for (int i = 0; i < count; ++i, in += 4, out += 4) {
        if (space == OutputSpace::linearWorking) {
            for (int k = 0; k < 4; ++k) out[k] = clean(in[k]);
            continue;
        }
        encodePixel<false>(in, space, m, enc, out);
    }
}

}  // namespace vantrel::detail
