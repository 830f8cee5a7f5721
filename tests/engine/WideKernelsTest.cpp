// The kernels that handle several pixels per instruction must give exactly what their
// one-pixel paths give, including for the values those paths treat specially.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "engine/color/ColorKernels.h"
#include "engine/filters/GeneratorKernels.h"
#include "engine/core/detail/Encode.h"

namespace vantrel {
namespace {

// Values around every region edge of the encoders and kernels.
std::vector<float> awkwardValues() {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> v = {0.0f, -0.0f, -1.0f, 1.0f, 1.5f, 0.5f, 1e-9f, 1.2e-4f, 2.0f, inf, -inf,
                            std::numeric_limits<float>::quiet_NaN(), std::nextafter(1.0f, 0.0f)};
    // Each 8-bit code's rounding threshold and its neighbours.
    for (int c = 0; c < 255; ++c) {
        const float t = float(color::decodeSRGB((c + 0.5) / 255.0));
        v.insert(v.end(), {t, std::nextafter(t, 0.0f), std::nextafter(t, 2.0f)});
    }
    return v;
}

TEST(WideKernels, EightBitRowsEncodeAsTheirPixelsDo) {
    std::mt19937 rng(7);
    const std::vector<float> values = awkwardValues();
    std::uniform_int_distribution<std::size_t> pick(0, values.size() - 1);
    constexpr int kCount = 1003;  // not a multiple of the group size
    std::vector<float> row(4 * kCount);
    for (int i = 0; i < kCount; ++i) {
        for (int k = 0; k < 3; ++k) row[std::size_t(4 * i + k)] = values[pick(rng)];
        // Mostly opaque, with a few translucent pixels breaking up the groups.
        row[std::size_t(4 * i + 3)] = i % 97 == 5 ? 0.5f : i % 89 == 3 ? 0.0f : 1.0f;
    }
    for (OutputSpace space : {OutputSpace::displayP3, OutputSpace::sRGB, OutputSpace::linearWorking}) {
        std::vector<std::uint8_t> whole(4 * kCount), single(4 * kCount);
        detail::encodeRow8(row.data(), kCount, space, whole.data());
        for (int i = 0; i < kCount; ++i) detail::encodeRow8(row.data() + 4 * i, 1, space, single.data() + 4 * i);
        for (int i = 0; i < 4 * kCount; ++i)
            ASSERT_EQ(whole[std::size_t(i)], single[std::size_t(i)]) << "byte " << i << " space " << int(space);
    }
    // A dense sweep of opaque colours, where every code boundary of every channel is crossed.
    constexpr int kSweep = 40000;
    std::vector<float> sweep(4 * kSweep);
    for (int i = 0; i < kSweep; ++i) {
        const float v = float(i) / 32768.0f;
        sweep[std::size_t(4 * i)] = v;
        sweep[std::size_t(4 * i + 1)] = 0.7f * v + 0.01f;
        sweep[std::size_t(4 * i + 2)] = 1.1f - v;
        sweep[std::size_t(4 * i + 3)] = 1.0f;
    }
    for (OutputSpace space : {OutputSpace::displayP3, OutputSpace::sRGB}) {
        std::vector<std::uint8_t> whole(4 * kSweep), single(4 * kSweep);
        detail::encodeRow8(sweep.data(), kSweep, space, whole.data());
        for (int i = 0; i < kSweep; ++i) detail::encodeRow8(sweep.data() + 4 * i, 1, space, single.data() + 4 * i);
        ASSERT_TRUE(whole == single) << "space " << int(space);
    }
    // Opaque codes are the correctly rounded encodings.
    std::vector<float> ramp(4 * 256);
    for (int c = 0; c < 256; ++c) {
        const float v = float(color::decodeSRGB(c / 255.0));
        ramp[std::size_t(4 * c)] = ramp[std::size_t(4 * c + 1)] = ramp[std::size_t(4 * c + 2)] = v;
        ramp[std::size_t(4 * c + 3)] = 1.0f;
    }
    std::vector<std::uint8_t> codes(4 * 256);
    detail::encodeRow8(ramp.data(), 256, OutputSpace::displayP3, codes.data());
    for (int c = 0; c < 256; ++c) {
        ASSERT_EQ(codes[std::size_t(4 * c)], c);
        ASSERT_EQ(codes[std::size_t(4 * c + 3)], 255);
    }
}

TEST(WideKernels, AffineAndMatrixRowsFollowTheirPixelFormulas) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-2.0f, 2.0f);
    constexpr int kCount = 37;
    std::vector<float> in(4 * kCount);
    for (int i = 0; i < kCount; ++i) {
        for (int k = 0; k < 3; ++k) in[std::size_t(4 * i + k)] = u(rng);
        in[std::size_t(4 * i + 3)] = i % 3 == 0 ? 0.25f : 1.0f;
    }
    in[4 * 7] = std::numeric_limits<float>::quiet_NaN();
    in[4 * 8 + 1] = std::numeric_limits<float>::infinity();

    kernels::RgbAffine map;
    for (float& c : map.m) c = u(rng);
    std::vector<float> out(4 * kCount);
    map.run(in.data(), out.data(), kCount);
    const auto& m = map.m;
    for (int i = 0; i < kCount; ++i) {
        const float* p = &in[std::size_t(4 * i)];
        const float* o = &out[std::size_t(4 * i)];
        for (int r = 0; r < 3; ++r) {
            const float want = m[std::size_t(4 * r)] * p[0] + m[std::size_t(4 * r + 1)] * p[1] +
                               m[std::size_t(4 * r + 2)] * p[2] + m[std::size_t(4 * r + 3)] * p[3];
            if (std::isnan(want)) EXPECT_TRUE(std::isnan(o[r])) << i;
            else EXPECT_EQ(o[r], want) << "pixel " << i << " channel " << r;
        }
        EXPECT_EQ(o[3], p[3]) << "alpha is copied, whatever the colour holds";
    }

    // A colour matrix that reads alpha: opaque rows take the affine path, others the general one.
    ColorMatrixParameters p;
    p.rVector = {0.9f, 0.1f, 0.0f, 0.2f};
    p.gVector = {0.0f, 1.1f, -0.1f, 0.0f};
    p.bVector = {0.05f, 0.0f, 0.95f, -0.1f};
    p.biasVector = {0.01f, 0.02f, 0.03f, 0.0f};
    const kernels::ColorMatrixKernel kernel{p};
    std::vector<float> opaque(in), mixed(in);
    for (int i = 0; i < kCount; ++i) opaque[std::size_t(4 * i + 3)] = 1.0f;
    opaque[4 * 7] = mixed[4 * 7] = 0.3f;
    opaque[4 * 8 + 1] = mixed[4 * 8 + 1] = 0.6f;
    for (std::vector<float>* px : {&opaque, &mixed}) {
        std::vector<float> got(4 * kCount);
        kernel.run(px->data(), got.data(), kCount);
        for (int i = 0; i < kCount; ++i) {
            const float* q = &(*px)[std::size_t(4 * i)];
            const float a = q[3];
            const kernels::Rgba want = kernel.apply({q[0] / a, q[1] / a, q[2] / a, a});
            EXPECT_NEAR(got[std::size_t(4 * i)], want.r * a, 1e-5f) << i;
            EXPECT_NEAR(got[std::size_t(4 * i + 1)], want.g * a, 1e-5f) << i;
            EXPECT_NEAR(got[std::size_t(4 * i + 2)], want.b * a, 1e-5f) << i;
            EXPECT_EQ(got[std::size_t(4 * i + 3)], a) << i;
        }
    }
}

TEST(WideKernels, RampRowsMatchTheirPointFormulas) {
    const kernels::Rgba c0{0.9f, 0.5f, 0.1f, 1.0f}, c1{0.0f, 0.2f, 0.4f, 0.5f};
    const kernels::RadialRamp radial{12.25, -40.5, 7.0, 300.0, 1.0 / 1.5, 1.0, c0, c1};
    const kernels::RadialRamp hard{12.25, -40.5, 30.0, 30.0, 1.0, 1.0, c0, c1};
    const kernels::LinearRamp linear(-10, 5, 250, 80, c0, c1);
    constexpr int kCount = 517;
    std::vector<float> row(4 * kCount);
    for (double y : {-40.0, 0.5, 123.5}) {
        const double x0 = -200.5;
        auto check = [&](const auto& ramp) {
            kernels::rampRow(ramp, row.data(), kCount, x0, y);
            for (int i = 0; i < kCount; ++i) {
                const kernels::Rgba want = ramp.at(x0 + i, y);
                ASSERT_EQ(row[std::size_t(4 * i)], want.r) << i;
                ASSERT_EQ(row[std::size_t(4 * i + 1)], want.g) << i;
                ASSERT_EQ(row[std::size_t(4 * i + 2)], want.b) << i;
                ASSERT_EQ(row[std::size_t(4 * i + 3)], want.a) << i;
            }
        };
        check(radial);
        check(hard);
        check(linear);
    }
}

}  // namespace
}  // namespace vantrel
