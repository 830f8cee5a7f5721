#include "engine/filters/GaussianBlur.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vantrel {
namespace {

struct Buffer {
    PlaneRect rect;
    std::vector<float> px;
    explicit Buffer(PlaneRect r, float fill = 0.0f) : rect(r), px(static_cast<std::size_t>(r.area()) * 4, fill) {}
    PlaneView view() { return {px.data(), 4 * rect.width, rect}; }
    ConstPlaneView cview() const { return {px.data(), 4 * rect.width, rect}; }
    float& at(int x, int y, int c) { return px[(static_cast<std::size_t>(y - rect.y) * rect.width + (x - rect.x)) * 4 + c]; }
    float at(int x, int y, int c) const {
        return px[(static_cast<std::size_t>(y - rect.y) * rect.width + (x - rect.x)) * 4 + c];
    }
};

// Structure at several scales: a checker, a ramp, a disc and an opaque alpha.
Buffer testPattern(PlaneRect r, int cell) {
    Buffer b(r);
    for (int y = r.y; y < r.bottom(); ++y)
        for (int x = r.x; x < r.right(); ++x) {
            const int cx = (x - r.x) / cell, cy = (y - r.y) / cell;
            b.at(x, y, 0) = (cx + cy) % 2 ? 0.9f : 0.1f;
            b.at(x, y, 1) = float(x - r.x) / float(r.width);
            const float dx = float(x - r.x) - 0.3f * r.width, dy = float(y - r.y) - 0.6f * r.height;
            b.at(x, y, 2) = dx * dx + dy * dy < 0.04f * r.width * r.width ? 1.0f : 0.0f;
            b.at(x, y, 3) = 1.0f;
        }
    return b;
}

// Direct separable Gaussian in double precision, truncated at 4 sigma.
Buffer referenceBlur(const Buffer& in, float sigma, BlurEdge edge) {
    const PlaneRect r = in.rect;
    const int R = static_cast<int>(std::ceil(4.0 * sigma));
    std::vector<double> w(2 * R + 1);
    double sum = 0;
    for (int k = -R; k <= R; ++k) sum += w[k + R] = std::exp(-0.5 * k * k / (double(sigma) * sigma));
    for (double& v : w) v /= sum;
    auto sample = [&](const std::vector<double>& plane, int x, int y, int c, bool& inside) {
        inside = x >= 0 && y >= 0 && x < r.width && y < r.height;
        if (!inside && edge == BlurEdge::Transparent) return 0.0;
        x = std::clamp(x, 0, r.width - 1);
        y = std::clamp(y, 0, r.height - 1);
        return plane[(static_cast<std::size_t>(y) * r.width + x) * 4 + c];
    };
    std::vector<double> src(in.px.begin(), in.px.end()), tmp(src.size());
    bool inside = false;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x)
            for (int c = 0; c < 4; ++c) {
                double a = 0;
                for (int k = -R; k <= R; ++k) a += w[k + R] * sample(src, x + k, y, c, inside);
                tmp[(static_cast<std::size_t>(y) * r.width + x) * 4 + c] = a;
            }
    Buffer out(r);
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x)
            for (int c = 0; c < 4; ++c) {
                double a = 0;
                for (int k = -R; k <= R; ++k) a += w[k + R] * sample(tmp, x, y + k, c, inside);
                out.px[(static_cast<std::size_t>(y) * r.width + x) * 4 + c] = static_cast<float>(a);
            }
    return out;
}

Buffer blur(const Buffer& in, float sigma, BlurEdge edge) {
    Buffer out(in.rect);
    gaussianBlur(in.cview(), in.rect, sigma, edge, out.view());
    return out;
}

double relativeRms(const Buffer& a, const Buffer& ref) {
    double d2 = 0, r2 = 0;
    for (std::size_t i = 0; i < a.px.size(); ++i) {
        d2 += (a.px[i] - ref.px[i]) * double(a.px[i] - ref.px[i]);
        r2 += double(ref.px[i]) * ref.px[i];
    }
    return std::sqrt(d2 / r2);
}

TEST(BlurKernel, PlansSwitchMethodBySigmaAndCapIt) {
    EXPECT_EQ(planGaussianBlur(0.1f).method, BlurPlan::Method::Identity);
    EXPECT_EQ(planGaussianBlur(std::nanf("")).method, BlurPlan::Method::Identity);
    EXPECT_EQ(planGaussianBlur(-5.0f).method, BlurPlan::Method::Identity);
    EXPECT_EQ(planGaussianBlur(1.5f).method, BlurPlan::Method::Exact);
    EXPECT_EQ(planGaussianBlur(1.5f).margin, 5);
    EXPECT_EQ(planGaussianBlur(18.0f).method, BlurPlan::Method::BoxCascade);
    EXPECT_EQ(planGaussianBlur(150.0f).method, BlurPlan::Method::Downsampled);
    const BlurPlan huge = planGaussianBlur(1e30f);
    EXPECT_EQ(huge.sigma, kMaxBlurSigma);
    EXPECT_LT(huge.margin, 4 * kMaxBlurSigma);
    // The margin stays near 3 sigma on every path.
    for (float s : {2.0f, 6.0f, 18.0f, 25.0f, 150.0f}) {
        EXPECT_GE(planGaussianBlur(s).margin, 2.5f * s) << s;
        EXPECT_LE(planGaussianBlur(s).margin, 4.0f * s + 8) << s;
    }
}

TEST(BlurKernel, MatchesExactGaussianWithinTwoPercentRms) {
    struct Case {
        float sigma;
        PlaneRect rect;
    };
    for (const Case& c : {Case{2.0f, {0, 0, 96, 64}}, Case{18.0f, {-40, 7, 200, 150}}, Case{150.0f, {3, -2, 300, 200}}}) {
        const Buffer in = testPattern(c.rect, std::max(4, int(c.sigma)));
        for (BlurEdge edge : {BlurEdge::Transparent, BlurEdge::Clamp}) {
            const double err = relativeRms(blur(in, c.sigma, edge), referenceBlur(in, c.sigma, edge));
            EXPECT_LT(err, 0.02) << "sigma " << c.sigma << " edge " << int(edge);
        }
    }
}

TEST(BlurKernel, TilesGiveTheSameBytesAsTheWholeImage) {
    const PlaneRect whole{-13, 5, 333, 211};
    const Buffer in = testPattern(whole, 9);
    for (float sigma : {1.5f, 7.0f, 18.0f, 25.0f, 150.0f}) {
        for (BlurEdge edge : {BlurEdge::Transparent, BlurEdge::Clamp}) {
            const Buffer full = blur(in, sigma, edge);
            const int margin = planGaussianBlur(sigma).margin;
            // Uneven tiles; each gets only the source its margin asks for.
            for (const PlaneRect tile : {PlaneRect{-13, 5, 50, 40}, PlaneRect{100, 77, 61, 39}, PlaneRect{255, 180, 65, 36},
                                         PlaneRect{37, 120, 1, 1}}) {
                const PlaneRect need = tile.inflated(margin).intersected(whole);
                Buffer part(need);
                for (int y = need.y; y < need.bottom(); ++y)
                    for (int x = need.x; x < need.right(); ++x)
                        for (int c = 0; c < 4; ++c) part.at(x, y, c) = in.at(x, y, c);
                Buffer out(tile);
                gaussianBlur(part.cview(), whole, sigma, edge, out.view());
                int mismatches = 0;
                for (int y = tile.y; y < tile.bottom(); ++y)
                    for (int x = tile.x; x < tile.right(); ++x)
                        for (int c = 0; c < 4; ++c) mismatches += out.at(x, y, c) != full.at(x, y, c);
                EXPECT_EQ(mismatches, 0) << "sigma " << sigma << " edge " << int(edge) << " tile " << tile.x << "," << tile.y;
            }
        }
    }
}

TEST(BlurKernel, FlatStaysFlatAndEdgesBehaveAsChosen) {
    const PlaneRect r{0, 0, 120, 90};
    Buffer flat(r);
    for (std::size_t i = 0; i < flat.px.size(); i += 4) {
        flat.px[i] = 0.25f;
        flat.px[i + 1] = 2.5f;  // extended range survives
        flat.px[i + 2] = -0.125f;
        flat.px[i + 3] = 1.0f;
    }
    for (float sigma : {0.5f, 2.0f, 10.0f, 18.0f, 40.0f, 150.0f, 5000.0f}) {
        const Buffer clamped = blur(flat, sigma, BlurEdge::Clamp);
        double worst = 0;
        for (std::size_t i = 0; i < flat.px.size(); ++i) worst = std::max(worst, std::abs(double(clamped.px[i]) - flat.px[i]));
        EXPECT_LT(worst, 2e-5) << sigma;
        // Transparent edges: the corner fades, the centre keeps its value while sigma is small.
        const Buffer faded = blur(flat, sigma, BlurEdge::Transparent);
        EXPECT_LT(faded.at(0, 0, 3), sigma >= 2.0f ? 0.5f : 0.85f) << sigma;
        if (sigma <= 10.0f) {
            EXPECT_NEAR(faded.at(60, 45, 3), 1.0f, 1e-4f) << sigma;
        }
    }
    // Below the smallest sigma the input passes through; NaN does not spread.
    Buffer withNan = flat;
    withNan.at(60, 45, 0) = std::nanf("");
    EXPECT_EQ(blur(flat, 0.1f, BlurEdge::Clamp).px, flat.px);
    for (float sigma : {2.0f, 10.0f, 60.0f})
        EXPECT_FALSE(std::isnan(blur(withNan, sigma, BlurEdge::Clamp).at(61, 45, 0))) << sigma;
    // Pixels of the destination outside the extent are transparent.
    Buffer wide(r.inflated(4), 7.0f);
    gaussianBlur(flat.cview(), r, 3.0f, BlurEdge::Clamp, wide.view());
    EXPECT_EQ(wide.at(-4, -4, 3), 0.0f);
    EXPECT_NEAR(wide.at(0, 0, 3), 1.0f, 1e-5f);
}

}  // namespace
}  // namespace vantrel
