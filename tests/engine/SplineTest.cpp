#include <gtest/gtest.h>

#include <vector>

#include "engine/color/MonotoneCubicSpline.h"
#include "model/EditParameters.h"

namespace vantrel {
namespace {

std::vector<CurvePoint> curve(std::initializer_list<std::pair<double, double>> xy) {
    std::vector<CurvePoint> points;
    for (auto [x, y] : xy) points.push_back({.x = x, .y = y});
    return points;
}

double at(const std::vector<CurvePoint>& points, double x) { return MonotoneCubicSpline::evaluate(points, x); }

TEST(SplineTest, DegenerateListsAndEndValues) {
    EXPECT_DOUBLE_EQ(at({}, 0.3), 0.3);
    EXPECT_DOUBLE_EQ(at({}, 1.7), 1.7);  // no clamp without points
    EXPECT_DOUBLE_EQ(at(curve({{0.5, 0.8}}), 0.1), 0.8);
    EXPECT_DOUBLE_EQ(at(curve({{0.5, 0.8}}), 0.9), 0.8);

    const auto line = curve({{0, 0}, {1, 1}});
    EXPECT_NEAR(at(line, 0.25), 0.25, 1e-12);

    // Ends are returned as stored, inside the span the result is clamped to 0...1.
    const auto wide = curve({{0, -0.2}, {1, 1.3}});
    EXPECT_DOUBLE_EQ(at(wide, 0), -0.2);
    EXPECT_DOUBLE_EQ(at(wide, -1), -0.2);
    EXPECT_DOUBLE_EQ(at(wide, 1), 1.3);
    EXPECT_DOUBLE_EQ(at(wide, 2), 1.3);
    EXPECT_DOUBLE_EQ(at(wide, 0.05), 0.0);
    EXPECT_DOUBLE_EQ(at(wide, 0.97), 1.0);
    EXPECT_GT(at(wide, 0.5), 0.4);
    EXPECT_LT(at(wide, 0.5), 0.7);
}

TEST(SplineTest, PassesThroughItsPointsWithoutOvershoot) {
    const auto peak = curve({{0, 0}, {0.5, 0.5}, {1, 0.4}});
    EXPECT_NEAR(at(peak, 0.5), 0.5, 1e-12);
    for (int i = 0; i <= 1000; ++i) EXPECT_LE(at(peak, i / 1000.0), 0.5 + 1e-12);
    // The flat tangent at the peak: just beside it the curve is nearly level.
    EXPECT_NEAR(at(peak, 0.49), 0.5, 1e-3);

    const auto points = curve({{0, 0.1}, {0.2, 0.15}, {0.4, 0.7}, {0.7, 0.75}, {1, 0.9}});
    for (const CurvePoint& p : points) EXPECT_NEAR(at(points, p.x), p.y, 1e-12);
}

TEST(SplineTest, SteepMonotoneDataStaysMonotone) {
    // Secant slopes 0.05, 9.0 and 0.05: unlimited tangents would overshoot on either side.
    const auto steep = curve({{0, 0}, {0.4, 0.02}, {0.5, 0.92}, {1, 0.945}});
    double previous = at(steep, 0);
    for (int i = 1; i <= 2000; ++i) {
        const double y = at(steep, i / 2000.0);
        EXPECT_GE(y, previous - 1e-12) << "at x = " << i / 2000.0;
        previous = y;
    }
    for (int i = 0; i <= 400; ++i) EXPECT_LE(at(steep, i / 1000.0), 0.02 + 1e-12);
    for (int i = 500; i <= 1000; ++i) EXPECT_GE(at(steep, i / 1000.0), 0.92 - 1e-12);
}

TEST(SplineTest, CoincidentPointsAndTheDefaultCurve) {
    const auto jump = curve({{0, 0}, {0.5, 0.2}, {0.5, 0.8}, {1, 1}});
    EXPECT_DOUBLE_EQ(at(jump, 0.5), 0.2);  // the first of the two
    EXPECT_GE(at(jump, 0.75), 0.8);

    const auto& identity = EditParameters::defaultCurvePoints();
    ASSERT_EQ(identity.size(), 5u);
    for (int i = 0; i <= 255; ++i) EXPECT_NEAR(at(identity, i / 255.0), i / 255.0, 1e-12);
}

}  // namespace
}  // namespace vantrel
