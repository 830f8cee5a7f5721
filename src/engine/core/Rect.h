#pragma once
// Integer rectangles and affine maps in the image plane: x to the right, y up, origin at the
// bottom-left. Pixel (x, y) covers [x, x+1] × [y, y+1]; its centre is (x + 0.5, y + 0.5).
// An infinite rectangle is a very large finite one, so intersection, union and growth need no
// special cases; `isInfinite` tells it apart.
#include <algorithm>
#include <cstdint>

namespace vantrel {

struct Rect {
    // Half the side of the infinite rectangle; far beyond any image yet small enough that sums
    // of a few coordinates never overflow.
    static constexpr std::int64_t kLimit = std::int64_t(1) << 46;

    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;

    static constexpr Rect infinite() { return {-kLimit, -kLimit, 2 * kLimit, 2 * kLimit}; }
    static constexpr Rect empty() { return {}; }
    // The rectangle spanning [x0, x1) × [y0, y1), clamped to the infinite one.
    static constexpr Rect fromEdges(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
        x0 = std::clamp(x0, -kLimit, kLimit);
        y0 = std::clamp(y0, -kLimit, kLimit);
        x1 = std::clamp(x1, -kLimit, kLimit);
        y1 = std::clamp(y1, -kLimit, kLimit);
        if (x1 <= x0 || y1 <= y0) return {};
        return {x0, y0, x1 - x0, y1 - y0};
    }

    constexpr bool isEmpty() const { return width <= 0 || height <= 0; }
    // True when any side reaches the plane's limit (generators, clamp-to-extent).
    constexpr bool isInfinite() const {
        return !isEmpty() && (x <= -kLimit || y <= -kLimit || x + width >= kLimit || y + height >= kLimit);
    }
    constexpr bool isFinite() const { return !isEmpty() && !isInfinite(); }
    constexpr std::int64_t minX() const { return x; }
    constexpr std::int64_t minY() const { return y; }
    constexpr std::int64_t maxX() const { return x + width; }   // exclusive
    constexpr std::int64_t maxY() const { return y + height; }  // exclusive
    // Pixel count as a double, so infinite rectangles do not overflow.
    constexpr double area() const { return isEmpty() ? 0.0 : double(width) * double(height); }

    constexpr bool contains(std::int64_t px, std::int64_t py) const {
        return px >= x && px < x + width && py >= y && py < y + height;
    }
    constexpr bool contains(const Rect& r) const {
        return r.isEmpty() || (!isEmpty() && r.x >= x && r.y >= y && r.maxX() <= maxX() && r.maxY() <= maxY());
    }
    constexpr Rect intersected(const Rect& r) const {
        if (isEmpty() || r.isEmpty()) return {};
        return fromEdges(std::max(x, r.x), std::max(y, r.y), std::min(maxX(), r.maxX()), std::min(maxY(), r.maxY()));
    }
    constexpr Rect united(const Rect& r) const {
        if (isEmpty()) return r;
        if (r.isEmpty()) return *this;
        return fromEdges(std::min(x, r.x), std::min(y, r.y), std::max(maxX(), r.maxX()), std::max(maxY(), r.maxY()));
    }
    constexpr Rect grown(std::int64_t dx, std::int64_t dy) const {
        if (isEmpty()) return {};
        return fromEdges(x - dx, y - dy, maxX() + dx, maxY() + dy);
    }
    constexpr Rect grown(std::int64_t d) const { return grown(d, d); }
    constexpr Rect translated(std::int64_t dx, std::int64_t dy) const {
        if (isEmpty()) return {};
        if (isInfinite()) return fromEdges(x + (x <= -kLimit ? 0 : dx), y + (y <= -kLimit ? 0 : dy),
                                           maxX() + (maxX() >= kLimit ? 0 : dx), maxY() + (maxY() >= kLimit ? 0 : dy));
        return fromEdges(x + dx, y + dy, maxX() + dx, maxY() + dy);
    }

    friend constexpr bool operator==(const Rect& a, const Rect& b) {
        if (a.isEmpty() && b.isEmpty()) return true;
        return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
    }
};

// Affine map of the plane: (x, y) -> (a·x + c·y + tx, b·x + d·y + ty).
struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static AffineTransform identity() { return {}; }
    static AffineTransform translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }
    static AffineTransform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    // Counter-clockwise rotation by `radians` about the origin (y up).
    static AffineTransform rotation(double radians);

    // First `first`, then this one.
    AffineTransform after(const AffineTransform& first) const;
    // First this one, then `next`.
    AffineTransform then(const AffineTransform& next) const { return next.after(*this); }
    // The inverse; identity's inverse for a singular map (callers check `isInvertible`).
    AffineTransform inverted() const;
    bool isInvertible() const;
    // Coefficients within 1e-9 of an integer made exact (an orientation built from doubles),
    // the form in which images store their transforms.
    AffineTransform snapped() const;
    double determinant() const { return a * d - b * c; }
    void apply(double x, double y, double& ox, double& oy) const {
        ox = a * x + c * y + tx;
        oy = b * x + d * y + ty;
    }
    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

// Bounding box of the rectangle mapped by `t`, snapped to whole pixels (edges rounded to the
// nearest integer, at least one pixel wide). Infinite stays infinite; empty stays empty.
Rect transformedBounds(const Rect& r, const AffineTransform& t);

}  // namespace vantrel
