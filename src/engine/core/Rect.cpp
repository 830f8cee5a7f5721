#include "engine/core/Rect.h"

#include <cmath>

namespace vantrel {

AffineTransform AffineTransform::rotation(double radians) {
    const double c = std::cos(radians), s = std::sin(radians);
    return {c, s, -s, c, 0, 0};
}

AffineTransform AffineTransform::after(const AffineTransform& f) const {
    // this ∘ f: p -> this(f(p))
    return {a * f.a + c * f.b,         b * f.a + d * f.b,         a * f.c + c * f.d,
            b * f.c + d * f.d,         a * f.tx + c * f.ty + tx,  b * f.tx + d * f.ty + ty};
}

AffineTransform AffineTransform::snapped() const {
    AffineTransform t = *this;
    for (double* v : {&t.a, &t.b, &t.c, &t.d, &t.tx, &t.ty}) {
        const double r = std::round(*v);
        if (std::fabs(*v - r) < 1e-9) *v = r;
    }
    return t;
}

bool AffineTransform::isInvertible() const {
    const double det = determinant();
    return std::isfinite(det) && std::fabs(det) > 1e-12 && std::isfinite(tx) && std::isfinite(ty);
}

AffineTransform AffineTransform::inverted() const {
    if (!isInvertible()) return {};
    const double det = determinant();
    const double ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
    return {ia, ib, ic, id, -(ia * tx + ic * ty), -(ib * tx + id * ty)};
}

Rect transformedBounds(const Rect& r, const AffineTransform& t) {
    if (r.isEmpty()) return {};
    if (r.isInfinite()) return Rect::infinite();
    double minx = INFINITY, miny = INFINITY, maxx = -INFINITY, maxy = -INFINITY;
    const double xs[2] = {double(r.minX()), double(r.maxX())};
    const double ys[2] = {double(r.minY()), double(r.maxY())};
    for (double x : xs)
        for (double y : ys) {
            double ox, oy;
            t.apply(x, y, ox, oy);
            minx = std::min(minx, ox);
            miny = std::min(miny, oy);
            maxx = std::max(maxx, ox);
            maxy = std::max(maxy, oy);
        }
    if (!std::isfinite(minx) || !std::isfinite(miny) || !std::isfinite(maxx) || !std::isfinite(maxy)) return {};
    const double lim = double(Rect::kLimit);
    auto snap = [lim](double v) { return std::int64_t(std::clamp(std::round(v), -lim, lim)); };
    std::int64_t x0 = snap(minx), y0 = snap(miny), x1 = snap(maxx), y1 = snap(maxy);
    if (x1 <= x0) x1 = x0 + 1;
    if (y1 <= y0) y1 = y0 + 1;
    return Rect::fromEdges(x0, y0, x1, y1);
}

}  // namespace vantrel
