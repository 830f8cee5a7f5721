#include "engine/detail/Encode.h"

#include <algorithm>
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
inline void encodePixel(const float* p, OutputSpace space, const float* m, const color::CurveTable& enc, float* o) {
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

}  // namespace

void encodeRow8(const float* in, int count, OutputSpace space, std::uint8_t* out) {
    const float* m = srgbMatrix().m;
    const auto& enc = color::srgbEncodeTable();
    for (int i = 0; i < count; ++i, in += 4, out += 4) {
        if (space == OutputSpace::linearWorking) {
            for (int k = 0; k < 4; ++k) out[k] = color::toUnit8(in[k]);
            continue;
        }
        float e[4];
        encodePixel<true>(in, space, m, enc, e);
        for (int k = 0; k < 4; ++k) out[k] = color::toUnit8(e[k]);
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
