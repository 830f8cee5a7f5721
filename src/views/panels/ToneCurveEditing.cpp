#include "views/panels/ToneCurveEditing.h"

#include <algorithm>
#include <cmath>

#include "engine/color/MonotoneCubicSpline.h"

namespace vantrel::tonecurve {

namespace {

CurvePoint freshPoint(double x, double y) { return CurvePoint{Uuid::random(), x, y}.clamped(); }

bool hasArea(QSizeF size) { return size.width() > 0 && size.height() > 0; }

double distance(QPointF a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); }

}  // namespace

std::vector<CurvePoint> sCurvePoints(double x1, double y1, double x2, double y2) {
    return {freshPoint(0, 0), freshPoint(x1, y1), freshPoint(0.5, 0.5), freshPoint(x2, y2), freshPoint(1, 1)};
}

std::vector<CurvePoint> presetPoints(CurvePreset preset) {
    switch (preset) {
        case CurvePreset::linear: return {freshPoint(0, 0), freshPoint(1, 1)};
        case CurvePreset::mediumContrast: return sCurvePoints(0.25, 0.18, 0.75, 0.82);
        case CurvePreset::strongContrast: return sCurvePoints(0.22, 0.12, 0.78, 0.88);
        case CurvePreset::matteFilm:
            return {freshPoint(0, 0.08), freshPoint(0.25, 0.24), freshPoint(0.5, 0.52), freshPoint(0.75, 0.78),
                    freshPoint(1, 0.96)};
    }
    return {};
}

std::vector<CurvePoint> sortedByX(std::vector<CurvePoint> points) {
    std::stable_sort(points.begin(), points.end(), [](const CurvePoint& a, const CurvePoint& b) { return a.x < b.x; });
    return points;
}

double curveValue(const std::vector<CurvePoint>& sorted, double x) { return MonotoneCubicSpline::evaluate(sorted, x); }

int readoutLevel(double value) { return int(std::lround(value * kReadoutScale)); }

std::optional<std::pair<int, int>> readoutValues(const std::vector<CurvePoint>& points,
                                                 const std::optional<Uuid>& selected,
                                                 const std::optional<double>& hoverNormX) {
    if (selected) {
        const auto it = std::find_if(points.begin(), points.end(), [&](const CurvePoint& p) { return p.id == *selected; });
        if (it != points.end()) return std::pair{readoutLevel(it->x), readoutLevel(it->y)};
    }
    if (hoverNormX) return std::pair{readoutLevel(*hoverNormX), readoutLevel(curveValue(sortedByX(points), *hoverNormX))};
    return std::nullopt;
}

bool canDeletePoint(const std::vector<CurvePoint>& points, const Uuid& id) {
    if (points.size() < 3) return false;
    // A point that is not there cannot be deleted: no button, no report for it.
    if (std::none_of(points.begin(), points.end(), [&](const CurvePoint& p) { return p.id == id; })) return false;
    const std::vector<CurvePoint> sorted = sortedByX(points);
    return sorted.front().id != id && sorted.back().id != id;
}

std::optional<std::vector<CurvePoint>> withoutPoint(const std::vector<CurvePoint>& points, const Uuid& id) {
    if (!canDeletePoint(points, id)) return std::nullopt;
    std::vector<CurvePoint> kept;
    kept.reserve(points.size());
    std::copy_if(points.begin(), points.end(), std::back_inserter(kept), [&](const CurvePoint& p) { return p.id != id; });
    return kept;
}

std::optional<std::vector<CurvePoint>> pointOnDiagonal(const std::vector<CurvePoint>& points, const Uuid& id) {
    std::vector<CurvePoint> result = points;
    const auto it = std::find_if(result.begin(), result.end(), [&](const CurvePoint& p) { return p.id == id; });
    if (it == result.end()) return std::nullopt;
    it->y = it->x;
    return result;
}

Insertion insertPoint(const std::vector<CurvePoint>& points, double canvasX, QSizeF size) {
    if (!hasArea(size)) return {};
    const double nx = std::max(std::min(canvasX / size.width(), kNewPointMax), kNewPointMin);
    if (!std::isfinite(nx)) return {};
    for (const CurvePoint& p : points)
        if (std::abs(p.x - nx) < kSnapDistance) return {Insertion::Kind::existing, p.id, {}};
    std::vector<CurvePoint> result = points;
    const CurvePoint added = freshPoint(nx, curveValue(sortedByX(points), nx));
    result.push_back(added);
    return {Insertion::Kind::inserted, added.id, sortedByX(std::move(result))};
}

DragBounds dragBounds(const std::vector<CurvePoint>& sorted, std::size_t k) {
    const std::size_t n = sorted.size();
    if (n <= 1) return {0, kLonePointLimit};
    if (k == 0) return {0, sorted[1].x - kNeighbourGap};
    if (k + 1 >= n) return {sorted[k - 1].x + kNeighbourGap, 1};
    return {sorted[k - 1].x + kNeighbourGap, sorted[k + 1].x - kNeighbourGap};
}

std::optional<std::vector<CurvePoint>> draggedPoint(const std::vector<CurvePoint>& points, const Uuid& id,
                                                    QPointF location, QSizeF size) {
    if (!hasArea(size) || !std::isfinite(location.x()) || !std::isfinite(location.y())) return std::nullopt;
    std::vector<CurvePoint> result = points;
    const auto it = std::find_if(result.begin(), result.end(), [&](const CurvePoint& p) { return p.id == id; });
    if (it == result.end()) return std::nullopt;
    it->y = std::clamp(1 - location.y() / size.height(), 0.0, 1.0);

    const std::vector<CurvePoint> sorted = sortedByX(result);
    const auto place = std::find_if(sorted.begin(), sorted.end(), [&](const CurvePoint& p) { return p.id == id; });
    const DragBounds bounds = dragBounds(sorted, std::size_t(place - sorted.begin()));
    if (bounds.lower < bounds.upper) it->x = std::max(std::min(location.x() / size.width(), bounds.upper), bounds.lower);
    return result;
}

QPointF canvasPosition(const CurvePoint& point, QSizeF size) {
    return {size.width() * point.x, size.height() * (1 - point.y)};
}

std::optional<Uuid> handleAt(const std::vector<CurvePoint>& points, QPointF position, QSizeF size) {
    for (auto it = points.rbegin(); it != points.rend(); ++it)
        if (distance(position, canvasPosition(*it, size)) < kHitRadius) return it->id;
    return std::nullopt;
}

std::optional<Uuid> pointNear(const std::vector<CurvePoint>& points, QPointF position, QSizeF size) {
    for (const CurvePoint& p : points)
        if (distance(position, canvasPosition(p, size)) < kHitRadius) return p.id;
    return std::nullopt;
}

QPolygonF curveSamples(const std::vector<CurvePoint>& sorted, QSizeF size) {
    QPolygonF samples;
    samples.reserve(kCurveSamples);
    for (int i = 0; i < kCurveSamples; ++i) {
        const double x = double(i) / (kCurveSamples - 1);
        samples.append({size.width() * x, size.height() * (1 - curveValue(sorted, x))});
    }
    return samples;
}

}  // namespace vantrel::tonecurve
