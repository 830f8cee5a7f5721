#include "engine/detail/Encode.h"

#include <algorithm>
#include <bit>
#include <cmath>

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

// Linear value -> 8-bit sRGB-curve code, correctly rounded: a table of the code at the start
// of each 1/256-octave segment (fine enough that the code steps at most once inside a
// segment) and the linear thresholds between codes.
class Encoder8 {
public:
    Encoder8() {
        for (int c = 0; c < 255; ++c) threshold_[c] = float(color::decodeSRGB((c + 0.5) / 255.0));
        threshold_[255] = INFINITY;
        for (std::uint32_t i = 0; i < kEntries; ++i) {
            const float v = std::bit_cast<float>(kBase + (i << kShift));
            int c = 0;
            while (c < 255 && v >= threshold_[c]) ++c;
            code_[i] = std::uint8_t(c);
        }
    }
    std::uint8_t operator()(float v) const noexcept {
        if (!(v > kLow)) return v > 0.0f ? std::uint8_t(v * (12.92f * 255.0f) + 0.5f) : 0;
        if (v >= 1.0f) return 255;
        const std::uint32_t c = code_[(std::bit_cast<std::uint32_t>(v) - kBase) >> kShift];
        return std::uint8_t(c + (v >= threshold_[c]));
    }

private:
    static constexpr int kShift = 15;  // 256 segments per octave
    static constexpr float kLow = 1.0f / 4096.0f;
    static constexpr std::uint32_t kBase = 0x39800000u;  // bits of 2^-12
    static constexpr std::uint32_t kEntries = 12u << 8;
    std::uint8_t code_[kEntries];
    float threshold_[256];
};

const Encoder8& encoder8() {
    static const Encoder8 e;
    return e;
}

}  // namespace

namespace {
template <OutputSpace Space>
void encodeRow8As(const float* in, int count, std::uint8_t* out) {
    const Encoder8& e8 = encoder8();
    const float* m = srgbMatrix().m;
    const auto& enc = color::srgbEncodeTable();
    for (int i = 0; i < count; ++i, in += 4, out += 4) {
        if (Space == OutputSpace::linearWorking) {
            for (int k = 0; k < 4; ++k) out[k] = color::toUnit8(in[k]);
            continue;
        }
        if (Space == OutputSpace::displayP3 && in[3] == 1.0f) {  // opaque: no alpha arithmetic
            out[0] = e8(in[0]);
            out[1] = e8(in[1]);
            out[2] = e8(in[2]);
            out[3] = 255;
            continue;
        }
        float e[4];
        encodePixel<true>(in, Space, m, enc, e);
        for (int k = 0; k < 4; ++k) out[k] = color::toUnit8(e[k]);
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
