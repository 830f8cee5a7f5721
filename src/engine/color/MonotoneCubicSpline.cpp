#include "engine/color/MonotoneCubicSpline.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {
constexpr double kTiny = 0.000001;
// Tangent vectors outside this circle (in units of the secant) would let the cubic overshoot.
constexpr double kTangentLimit = 3.0;
}  // namespace

double MonotoneCubicSpline::evaluate(const std::vector<CurvePoint>& points, double x) {
    const std::size_t n = points.size();
    if (n == 0) return x;
    if (n == 1) return points[0].y;
    if (x <= points.front().x) return points.front().y;
    if (x >= points.back().x) return points.back().y;

    std::vector<double> d(n - 1, 0.0);
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const double h = points[k + 1].x - points[k].x;
        d[k] = h > kTiny ? (points[k + 1].y - points[k].y) / h : 0.0;
    }

    std::vector<double> m(n, 0.0);
    m[0] = d[0];
    m[n - 1] = d[n - 2];
    for (std::size_t k = 1; k + 1 < n; ++k) m[k] = d[k - 1] * d[k] <= 0 ? 0.0 : (d[k - 1] + d[k]) / 2;

    for (std::size_t k = 0; k + 1 < n; ++k) {
        if (std::abs(d[k]) < kTiny) {
            m[k] = 0;
            m[k + 1] = 0;
            continue;
        }
        const double a = m[k] / d[k];
        const double b = m[k + 1] / d[k];
        const double r = std::hypot(a, b);
        if (r > kTangentLimit) {
            const double t = kTangentLimit / r;
            m[k] = a * t * d[k];
            m[k + 1] = b * t * d[k];
        }
    }

    std::size_t k = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (points[i].x <= x && x <= points[i + 1].x) {
            k = i;
            break;
        }
    }

    const double h = points[k + 1].x - points[k].x;
    if (!(h > kTiny)) return points[k].y;
    const double t = (x - points[k].x) / h;
    const double t2 = t * t, t3 = t2 * t;
    const double h00 = 2 * t3 - 3 * t2 + 1;
    const double h10 = t3 - 2 * t2 + t;
    const double h01 = 3 * t2 - 2 * t3;
    const double h11 = t3 - t2;
    const double y = h00 * points[k].y + h * h10 * m[k] + h01 * points[k + 1].y + h * h11 * m[k + 1];
    // Written so that NaN ends up as 0 rather than escaping into the curve table.
    const double capped = std::min(y, 1.0);
    return capped > 0 ? capped : 0.0;
}

}  // namespace vantrel
