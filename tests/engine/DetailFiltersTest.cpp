#include "engine/filters/DetailFilters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vantrel {
namespace {

struct Plane {
    PlaneRect rect;
    std::vector<float> px;
    explicit Plane(PlaneRect r) : rect(r), px(static_cast<std::size_t>(r.area()) * 4, 0.0f) {}
    PlaneView view() { return {px.data(), 4 * rect.width, rect}; }
    ConstPlaneView cview() const { return {px.data(), 4 * rect.width, rect}; }
    float* at(int x, int y) { return px.data() + (static_cast<std::size_t>(y - rect.y) * rect.width + (x - rect.x)) * 4; }
    const float* at(int x, int y) const {
        return px.data() + (static_cast<std::size_t>(y - rect.y) * rect.width + (x - rect.x)) * 4;
    }
};

// Grey step from `dark` (x < edge) to `light`, opaque, with an optional deterministic ripple.
Plane step(PlaneRect r, int edge, float dark, float light, float ripple = 0.0f) {
    Plane p(r);
    for (int y = r.y; y < r.bottom(); ++y)
        for (int x = r.x; x < r.right(); ++x) {
            const float n = ripple * (((x * 7 + y * 13) % 5) - 2) / 2.0f;
            const float v = (x < edge ? dark : light) + n;
            float* q = p.at(x, y);
            q[0] = q[1] = q[2] = v;
            q[3] = 1.0f;
        }
    return p;
}

template <class F>
Plane apply(const Plane& in, F f) {
    Plane out(in.rect);
    f(in.cview(), in.rect, out.view());
    return out;
}

double rowStd(const Plane& p, int x0, int x1, int y) {
    double m = 0, m2 = 0;
    for (int x = x0; x < x1; ++x) m += p.at(x, y)[0];
    m /= (x1 - x0);
    for (int x = x0; x < x1; ++x) m2 += (p.at(x, y)[0] - m) * (p.at(x, y)[0] - m);
    return std::sqrt(m2 / (x1 - x0));
}

TEST(DetailFilters, UnsharpMaskAtSharpeningSettingsOvershootsAStepSymmetrically) {
    // Sharpening 0.5 of the recipe: intensity 1.0, radius 1.5.
    const Plane in = step({0, 0, 40, 12}, 20, 0.2f, 0.8f);
    const Plane out = apply(in, [](auto s, auto e, auto d) { unsharpMask(s, e, {1.5f, 1.0f}, d); });
    EXPECT_LT(out.at(19, 6)[0], 0.15f);
    EXPECT_GT(out.at(20, 6)[0], 0.85f);
    EXPECT_NEAR(out.at(19, 6)[0] - 0.2f, 0.8f - out.at(20, 6)[0], 1e-5f);
    EXPECT_NEAR(out.at(5, 6)[0], 0.2f, 1e-6f);   // far from the edge nothing changes
    EXPECT_NEAR(out.at(35, 0)[0], 0.8f, 1e-6f);  // nor at the frame's border (edge pixels repeat)
    EXPECT_EQ(out.at(19, 6)[3], 1.0f);
    // Intensity -1 gives the blur itself: the step softens without overshoot.
    const Plane soft = apply(in, [](auto s, auto e, auto d) { unsharpMask(s, e, {2.0f, -1.0f}, d); });
    EXPECT_GT(soft.at(19, 6)[0], 0.3f);
    EXPECT_LT(soft.at(20, 6)[0], 0.7f);
    EXPECT_GE(soft.at(10, 6)[0], 0.2f - 1e-6f);
}

TEST(DetailFilters, NoiseReductionSmoothsNoiseAndKeepsTheStepCrisp) {
    // Noise reduction 0.5 of the recipe: noise level 0.05, sharpness 0.5.
    const Plane in = step({0, 0, 60, 20}, 30, 0.2f, 0.8f, 0.01f);
    const Plane out = apply(in, [](auto s, auto e, auto d) { noiseReduction(s, e, {0.05f, 0.5f}, d); });
    for (int y : {5, 10}) {
        EXPECT_LT(rowStd(out, 2, 27, y), 0.6 * rowStd(in, 2, 27, y)) << y;
        EXPECT_LT(rowStd(out, 33, 58, y), 0.6 * rowStd(in, 33, 58, y)) << y;
    }
    // Across the step the two sides are not mixed; the detail above the noise is sharpened.
    const Plane clean = step({0, 0, 60, 20}, 30, 0.2f, 0.8f);
    const Plane sharp = apply(clean, [](auto s, auto e, auto d) { noiseReduction(s, e, {0.05f, 0.5f}, d); });
    EXPECT_NEAR(sharp.at(29, 10)[0], 0.2f + 0.5f * (0.2f - 0.35f), 1e-4f);
    EXPECT_NEAR(sharp.at(30, 10)[0], 0.8f + 0.5f * (0.8f - 0.65f), 1e-4f);
    EXPECT_NEAR(sharp.at(10, 10)[0], 0.2f, 1e-6f);
    EXPECT_EQ(sharp.at(30, 10)[3], 1.0f);
    // A level of zero and no sharpness leave a clean image as it is.
    const Plane same = apply(clean, [](auto s, auto e, auto d) { noiseReduction(s, e, {0.0f, 0.0f}, d); });
    EXPECT_NEAR(same.at(29, 10)[0], 0.2f, 1e-6f);
}

TEST(DetailFilters, EdgesAreZeroOnFlatAreasAndOneOnAUnitStep) {
    const Plane flat = step({-3, 4, 30, 20}, 100, 0.6f, 0.6f);
    const Plane none = apply(flat, [](auto s, auto e, auto d) { edges(s, e, {4.0f}, d); });
    for (std::size_t i = 0; i < none.px.size(); i += 4) {
        ASSERT_EQ(none.px[i], 0.0f);
        ASSERT_EQ(none.px[i + 3], 1.0f);
    }
    const Plane unit = step({0, 0, 20, 10}, 10, 0.0f, 1.0f);
    const Plane e = apply(unit, [](auto s, auto r, auto d) { edges(s, r, {1.0f}, d); });
    EXPECT_FLOAT_EQ(e.at(9, 5)[0], 1.0f);
    EXPECT_FLOAT_EQ(e.at(10, 0)[1], 1.0f);  // the border row sees the step too
    EXPECT_EQ(e.at(5, 5)[0], 0.0f);
    // Half-transparent pixels are measured on straight colour and re-premultiplied.
    Plane half = unit;
    for (std::size_t i = 0; i < half.px.size(); ++i) half.px[i] *= 0.5f;
    const Plane eh = apply(half, [](auto s, auto r, auto d) { edges(s, r, {1.0f}, d); });
    EXPECT_FLOAT_EQ(eh.at(9, 5)[0], 0.5f);
    EXPECT_FLOAT_EQ(eh.at(9, 5)[3], 0.5f);
}

TEST(DetailFilters, NodesKeepExtentAndSkipNeutralSettings) {
    const Image in = Image::constant(WorkingColor{0.5f, 0.5f, 0.5f, 1.0f}).cropped(Rect{0, 0, 10, 10});
    EXPECT_TRUE(unsharpMask(in, {1.5f, 0.0f}).isSameNode(in));
    EXPECT_TRUE(unsharpMask(in, {0.1f, 1.0f}).isSameNode(in));
    EXPECT_EQ(noiseReduction(in, {0.05f, 0.5f}).extent(), in.extent());
    EXPECT_EQ(edges(in, {4.0f}).extent(), in.extent());
    EXPECT_TRUE(edges(Image(), {4.0f}).isEmpty());
}

}  // namespace
}  // namespace vantrel
