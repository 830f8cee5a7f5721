#include "engine/stages/ToneCurveStage.h"

#include <algorithm>
#include <cmath>

#include "engine/color/LookupFilters.h"
#include "engine/color/MonotoneCubicSpline.h"

namespace vantrel {

namespace {
constexpr double kShortcutTolerance = 0.005;
// A table this close to its own x changes no pixel by more than float rounding of the
// encoded value, far below one 16-bit step; leaving it out saves a decode/encode per pixel.
constexpr float kIdentityTolerance = 2e-6f;

bool isIdentityTable(const std::vector<float>& table) {
    for (int i = 0; i < kToneCurveTableSize; ++i) {
        const float x = float(i) / float(kToneCurveTableSize - 1);
        for (int c = 0; c < 3; ++c)
            if (!(std::abs(table[std::size_t(3 * i + c)] - x) <= kIdentityTolerance)) return false;
    }
    return true;
}
}  // namespace

bool isToneCurveShortcut(const std::vector<CurvePoint>& points) {
    if (points.size() < 2) return true;
    if (points.size() != 2) return false;
    const CurvePoint& a = points[0];
    const CurvePoint& b = points[1];
    return std::abs(a.x) < kShortcutTolerance && std::abs(a.y) < kShortcutTolerance &&
           std::abs(b.x - 1) < kShortcutTolerance && std::abs(b.y - 1) < kShortcutTolerance;
}

std::vector<float> toneCurveTable(const std::vector<CurvePoint>& points) {
    std::vector<CurvePoint> sorted = points;
    // NaN sorts last, so a damaged point cannot break the ordering.
    auto key = [](double x) { return std::isnan(x) ? INFINITY : x; };
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&key](const CurvePoint& a, const CurvePoint& b) { return key(a.x) < key(b.x); });
    std::vector<float> table(std::size_t(3 * kToneCurveTableSize));
    for (int i = 0; i < kToneCurveTableSize; ++i) {
        const float v = float(MonotoneCubicSpline::evaluate(sorted, double(i) / (kToneCurveTableSize - 1)));
        for (int c = 0; c < 3; ++c) table[std::size_t(3 * i + c)] = v;
    }
    return table;
}

Image applyToneCurve(const Image& input, const std::vector<CurvePoint>& points) {
    if (isToneCurveShortcut(points)) return input;
    ColorCurvesParameters curves;
    curves.curvesData = toneCurveTable(points);
    curves.curvesDomain = {0, 1};
    if (isIdentityTable(curves.curvesData)) return input;
    return colorCurves(input, curves);
}

}  // namespace vantrel
