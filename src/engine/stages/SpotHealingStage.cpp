#include "engine/stages/SpotHealingStage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace vantrel {

namespace {

constexpr double kMinRadiusPixels = 4.0;
constexpr double kInnerRadiusFraction = 0.35;
constexpr double kMinOffsetLength = 0.0001;

// Bilinear sample at plane position (qx, qy) of `src`, reading beyond `extent` as its nearest
// edge pixel. `src` must hold every pixel of the extent that the clamped position touches.
void sampleClamped(const PixelBuffer& src, const Rect& extent, double qx, double qy, float out[4]) {
    const double fx = std::clamp(qx - 0.5, double(extent.x), double(extent.maxX() - 1));
    const double fy = std::clamp(qy - 0.5, double(extent.y), double(extent.maxY() - 1));
    const std::int64_t x0 = std::int64_t(std::floor(fx)), y0 = std::int64_t(std::floor(fy));
    const std::int64_t x1 = std::min(x0 + 1, extent.maxX() - 1), y1 = std::min(y0 + 1, extent.maxY() - 1);
    const float tx = float(fx - double(x0)), ty = float(fy - double(y0));
    const float* p00 = src.at(x0, y0);
    const float* p10 = src.at(x1, y0);
    const float* p01 = src.at(x0, y1);
    const float* p11 = src.at(x1, y1);
    for (int k = 0; k < 4; ++k) {
        const float bottom = p00[k] + tx * (p10[k] - p00[k]);
        const float top = p01[k] + tx * (p11[k] - p01[k]);
        out[k] = bottom + ty * (top - bottom);
    }
}

// Heals one spot of `image` in place.
void healSpot(PixelBuffer& image, const SpotPlacement& s) {
    const Rect& E = image.rect();
    const Rect disc = Rect::fromEdges(std::int64_t(std::floor(s.centerX - s.radius)),
                                      std::int64_t(std::floor(s.centerY - s.radius)),
                                      std::int64_t(std::ceil(s.centerX + s.radius)) + 1,
                                      std::int64_t(std::ceil(s.centerY + s.radius)) + 1)
                          .intersected(E);
    if (disc.isEmpty()) return;

    // The patch is read from the image as it was before this spot, so copy its source region
    // first: the disc and its source may overlap.
    auto clampX = [&](double x) { return std::clamp<std::int64_t>(std::int64_t(std::floor(x)), E.x, E.maxX() - 1); };
    auto clampY = [&](double y) { return std::clamp<std::int64_t>(std::int64_t(std::floor(y)), E.y, E.maxY() - 1); };
    const Rect source = Rect::fromEdges(clampX(double(disc.x) + s.sourceDX - 1), clampY(double(disc.y) + s.sourceDY - 1),
                                        clampX(double(disc.maxX()) + s.sourceDX + 1) + 1,
                                        clampY(double(disc.maxY()) + s.sourceDY + 1) + 1);
    PixelBuffer patch(source);
    for (std::int64_t y = source.y; y < source.maxY(); ++y)
        std::memcpy(patch.row(y), image.at(source.x, y), sizeof(float) * 4 * std::size_t(source.width));

    const double r0 = s.radius * kInnerRadiusFraction;
    const double ramp = s.radius - r0;
    for (std::int64_t y = disc.y; y < disc.maxY(); ++y) {
        const double py = double(y) + 0.5;
        float* row = image.row(y);
        for (std::int64_t x = disc.x; x < disc.maxX(); ++x) {
            const double px = double(x) + 0.5;
            const double dist = std::hypot(px - s.centerX, py - s.centerY);
            const double t = std::clamp((dist - r0) / ramp, 0.0, 1.0);
            const float m = float(std::clamp((1.0 - t) * s.opacity, 0.0, 1.0));
            if (m <= 0.0f) continue;
            float src[4];
            // The patch buffer holds exactly the clamped positions this disc can touch.
            sampleClamped(patch, E, px + s.sourceDX, py + s.sourceDY, src);
            float* dst = row + (x - E.x) * 4;
            for (int k = 0; k < 4; ++k) dst[k] += m * (src[k] - dst[k]);
        }
    }
}

}  // namespace

std::optional<SpotPlacement> placeSpot(const Rect& extent, const SpotItem& spot) {
    if (!extent.isFinite()) return std::nullopt;
    const double W = double(extent.width), H = double(extent.height);
    const double m = std::min(W, H);
    if (!std::isfinite(spot.center.x) || !std::isfinite(spot.center.y) || !std::isfinite(spot.opacity) ||
        !std::isfinite(spot.sourceOffset.x) || !std::isfinite(spot.sourceOffset.y))
        return std::nullopt;
    SpotPlacement p;
    p.centerX = double(extent.x) + spot.center.x * W;
    p.centerY = double(extent.y) + (1.0 - spot.center.y) * H;
    const double r = spot.radius * m;
    // No disc needs to reach beyond the frame's diagonal.
    p.radius = std::isfinite(r) ? std::clamp(r, kMinRadiusPixels, std::max(kMinRadiusPixels, W + H)) : kMinRadiusPixels;
    if (std::hypot(spot.sourceOffset.x, spot.sourceOffset.y) > kMinOffsetLength) {
        // The offset counts y downwards; the plane counts it upwards.
        p.sourceDX = spot.sourceOffset.x * W;
        p.sourceDY = -spot.sourceOffset.y * H;
    } else {
        p.sourceDX = 2 * p.radius;
        p.sourceDY = 0;
    }
    // Beyond the frame every source reads the edge, so far-off offsets need not stay far off.
    p.sourceDX = std::clamp(p.sourceDX, -2 * (W + H), 2 * (W + H));
    p.sourceDY = std::clamp(p.sourceDY, -2 * (W + H), 2 * (W + H));
    p.opacity = spot.opacity;
    return p;
}

Image applySpotHealing(const Image& input, const SpotHealingParameters& healing) {
    const std::vector<SpotItem>& spots = healing.spots;
    if (!healing.isEnabled || spots.empty() || !input.extent().isFinite()) return input;
    const Rect extent = input.extent();
    std::vector<SpotPlacement> placements;
    placements.reserve(spots.size());
    for (const SpotItem& spot : spots)
        if (auto p = placeSpot(extent, spot)) placements.push_back(*p);
    if (placements.empty()) return input;

    const Image healed = Image::raster(input, extent, [placements = std::move(placements)](const PixelBuffer& in) {
        PixelBuffer out = in.clone();
        if (out.isEmpty()) return out;
        for (const SpotPlacement& p : placements) healSpot(out, p);
        return out;
    });
    // The evaluator reads a raster's pixels from memory only through a consumer; when the
    // healed image is the last node of a render (a recipe with nothing after the healing)
    // it would come out blank. A row copy costs next to nothing beside the healing itself.
    return Image::pointwise({healed}, [](const RowSpan& s, const float* const* in, float* out) {
        std::memcpy(out, in[0], sizeof(float) * 4 * std::size_t(s.count));
    });
}

}  // namespace vantrel
