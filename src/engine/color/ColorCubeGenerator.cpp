#include "engine/color/ColorCubeGenerator.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/HSLColorChannel.h"

namespace vantrel {

namespace {

constexpr int kN = ColorCubeGenerator::cubeDimension;

// Band reach: a hue 45° or more from a band's centre is not touched by it.
constexpr double kBandReach = 45.0;
// Colours this close to black, white or grey keep their colour: their hue is noise.
constexpr double kMinLightness = 0.01, kMaxLightness = 0.99, kMinSaturation = 0.02;

struct Hsl {
    double h = 0, s = 0, l = 0;
};

void writeGrey(float* cell, double l) {
    const float v = static_cast<float>(l);
    cell[0] = cell[1] = cell[2] = v;
    cell[3] = 1.0f;
}

void writeRgb(float* cell, const Hsl& c) {
    if (c.s < 0.00001) {
        writeGrey(cell, c.l);
        return;
    }
    const double chroma = (1.0 - std::abs(2.0 * c.l - 1.0)) * c.s;
    const double x = chroma * (1.0 - std::abs(std::fmod(c.h / 60.0, 2.0) - 1.0));
    const double m = c.l - chroma / 2.0;
    double r, g, b;
    if (c.h >= 0 && c.h < 60) r = chroma, g = x, b = 0;
    else if (c.h >= 60 && c.h < 120) r = x, g = chroma, b = 0;
    else if (c.h >= 120 && c.h < 180) r = 0, g = chroma, b = x;
    else if (c.h >= 180 && c.h < 240) r = 0, g = x, b = chroma;
    else if (c.h >= 240 && c.h < 300) r = x, g = 0, b = chroma;
    else r = chroma, g = 0, b = x;
    cell[0] = static_cast<float>(std::clamp(r + m, 0.0, 1.0));
    cell[1] = static_cast<float>(std::clamp(g + m, 0.0, 1.0));
    cell[2] = static_cast<float>(std::clamp(b + m, 0.0, 1.0));
    cell[3] = 1.0f;
}

void mixCell(float* cell, double r, double g, double b, const std::vector<ColorCubeGenerator::Band>& bands) {
    const double hi = std::max({r, g, b}), lo = std::min({r, g, b});
    const double delta = hi - lo;
    Hsl c;
    c.l = (hi + lo) / 2.0;
    if (delta < 0.00001) {
        writeGrey(cell, c.l);
        return;
    }
    c.s = c.l > 0.5 ? delta / (2.0 - hi - lo) : delta / (hi + lo);
    double sector;
    if (hi == r) sector = std::fmod((g - b) / delta, 6.0);
    else if (hi == g) sector = (b - r) / delta + 2.0;
    else sector = (r - g) / delta + 4.0;
    c.h = sector * 60.0;
    if (c.h < 0) c.h += 360.0;

    if (c.l > kMinLightness && c.l < kMaxLightness && c.s > kMinSaturation) {
        double weights = 0, hue = 0, sat = 0, lum = 0;
        for (const auto& band : bands) {
            double d = std::abs(c.h - band.center);
            d = std::min(d, 360.0 - d);
            if (d >= kBandReach) continue;
            const double w = (std::cos(d * std::numbers::pi / kBandReach) + 1.0) * 0.5;
            weights += w;
            hue += w * band.hueShift;
            sat += w * band.saturationShift;
            lum += w * band.luminanceShift;
        }
        // Weighted averages, not sums: overlapping bands with one setting give that setting.
        if (weights > 0.001) {
            c.h = std::fmod(c.h + hue / weights, 360.0);
            if (c.h < 0) c.h += 360.0;
            c.s = std::min(c.s * (1.0 + sat / weights), 1.0);
            c.l = std::max(std::min(c.l + lum / weights, 1.0), 0.0);
            if (c.s < 0) {
                writeGrey(cell, c.l);
                return;
            }
        }
    }
    writeRgb(cell, c);
}

}  // namespace

std::vector<ColorCubeGenerator::Band> ColorCubeGenerator::activeBands(const EditParameters& recipe) {
    std::vector<Band> bands;
    for (HSLColorChannel channel : allCases<HSLColorChannel>()) {
        const HSLAdjustment a = recipe.hslAdjustment(channel);
        if (a.isNeutral()) continue;
        bands.push_back({hueCenter(channel), a.hue * 0.3, a.saturation * 0.01, a.luminance * 0.005});
    }
    return bands;
}

std::vector<float> ColorCubeGenerator::makeCubeData(const EditParameters& recipe) {
    return makeCubeData(activeBands(recipe));
}

std::vector<float> ColorCubeGenerator::makeCubeData(const std::vector<Band>& bands) {
    std::vector<float> table(static_cast<std::size_t>(cubeFloatCount));
    constexpr float kStep = 1.0f / float(kN - 1);
    // One blue slice per task: each cell depends on its own colour only.
    tbb::parallel_for(0, kN, [&](int b) {
        float* cell = table.data() + std::size_t(b) * kN * kN * 4;
        for (int g = 0; g < kN; ++g)
            for (int r = 0; r < kN; ++r, cell += 4) {
                const float fr = float(r) * kStep, fg = float(g) * kStep, fb = float(b) * kStep;
                if (bands.empty()) {
                    cell[0] = fr;
                    cell[1] = fg;
                    cell[2] = fb;
                    cell[3] = 1.0f;
                } else {
                    mixCell(cell, fr, fg, fb, bands);
                }
            }
    });
    return table;
}

}  // namespace vantrel
