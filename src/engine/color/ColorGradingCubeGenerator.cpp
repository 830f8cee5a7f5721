#include "engine/color/ColorGradingCubeGenerator.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel {

namespace {

constexpr int kN = ColorGradingCubeGenerator::cubeDimension;
constexpr float kLattice = 0.032258064f;  // 1/31
constexpr float kThirdTurn = 2.0943949f;  // 120° in radians

float clampUnit(float v) { return v < 0.0f ? 0.0f : (v >= 1.0f ? 1.0f : v); }

}  // namespace

std::array<float, 3> ColorGradingCubeGenerator::wheelOffset(const ColorWheelAdjustment& wheel) {
    if (wheel.isNeutral()) return {0, 0, 0};
    const float angle = static_cast<float>(wheel.hue * std::numbers::pi / 180.0);
    const float s = static_cast<float>(wheel.saturation) * 0.25f;
    const float l = static_cast<float>(wheel.luminance) * 0.15f;
    return {l + s * std::cos(angle), l + s * std::cos(angle - kThirdTurn), l + s * std::cos(angle + kThirdTurn)};
}

std::vector<float> ColorGradingCubeGenerator::makeCubeData(const ColorGradingParameters& grading) {
    std::vector<float> table(static_cast<std::size_t>(cubeFloatCount));
    if (grading.isIdentity()) {
        float* cell = table.data();
        for (int b = 0; b < kN; ++b)
            for (int g = 0; g < kN; ++g)
                for (int r = 0; r < kN; ++r, cell += 4) {
                    cell[0] = kLattice * float(r);
                    cell[1] = kLattice * float(g);
                    cell[2] = kLattice * float(b);
                    cell[3] = 1.0f;
                }
        return table;
    }
    const auto sh = wheelOffset(grading.shadows);
    const auto mid = wheelOffset(grading.midtones);
    const auto hi = wheelOffset(grading.highlights);
    const float balance = static_cast<float>(grading.balance) * 0.3f;
    // One blue slice per task: each cell depends on its own colour only.
    tbb::parallel_for(0, kN, [&](int b) {
        float* cell = table.data() + std::size_t(b) * kN * kN * 4;
        for (int g = 0; g < kN; ++g)
            for (int r = 0; r < kN; ++r, cell += 4) {
                const float c[3] = {kLattice * float(r), kLattice * float(g), kLattice * float(b)};
                const float lum = 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2];
                const float ws = clampUnit(1.0f - 2.0f * lum + balance);
                const float wh = clampUnit(2.0f * lum - 1.0f - balance);
                float ws2 = ws * ws, wh2 = wh * wh;
                float wm = std::max(1.0f - ws2 - wh2, 0.0f);
                const float total = ws2 + wh2 + wm;
                if (total > 0.0001f) {
                    ws2 /= total;
                    wh2 /= total;
                    wm /= total;
                }
                for (int k = 0; k < 3; ++k) {
                    const float v = c[k] + (hi[k] * wh2 + mid[k] * wm + sh[k] * ws2);
                    cell[k] = v < 0.0f ? 0.0f : std::min(v, 1.0f);
                }
                cell[3] = 1.0f;
            }
    });
    return table;
}

}  // namespace vantrel
