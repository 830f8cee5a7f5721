#include <algorithm>
#include <cmath>
#include <vector>

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "views/kit/SpringValue.h"

namespace vantrel {
namespace {

// The test program runs with animations off; these tests need them on.
struct AnimationsOn {
    AnimationsOn() { Animations::setEnabled(true); }
    ~AnimationsOn() { Animations::setEnabled(false); }
};

// Steps the spring by frames of 1/120 s until it rests (or gives up), recording the values.
std::vector<double> run(SpringValue& spring, double seconds = 3) {
    std::vector<double> values;
    for (int i = 0; i < int(seconds * 120) && spring.isMoving(); ++i) {
        spring.advance(1.0 / 120);
        values.push_back(spring.value());
    }
    return values;
}

TEST(SpringValue, SettlesOnItsTargetWithOvershootOnlyBelowCriticalDamping) {
    AnimationsOn on;
    SpringValue under({0.3, 0.5, 0}, 0);
    under.animateTo(1);
    const std::vector<double> a = run(under);
    EXPECT_FALSE(under.isMoving());
    EXPECT_DOUBLE_EQ(under.value(), 1);
    EXPECT_GT(*std::max_element(a.begin(), a.end()), 1.1);  // a damping fraction of 0.5 overshoots by about 16 %

    SpringValue critical({0.3, 1.0, 0}, 0);
    critical.animateTo(1);
    const std::vector<double> b = run(critical);
    EXPECT_LE(*std::max_element(b.begin(), b.end()), 1.0 + 1e-9);
    EXPECT_DOUBLE_EQ(critical.value(), 1);
}

TEST(SpringValue, TheResponseIsThePeriodOfTheUndampedSpring) {
    AnimationsOn on;
    SpringValue spring({0.4, 0.0, 0}, 0);
    spring.animateTo(1);
    for (int i = 0; i < 40; ++i) spring.advance(0.005);  // 0.2 s: half a period, at the far side
    EXPECT_NEAR(spring.value(), 2, 0.05);
    for (int i = 0; i < 40; ++i) spring.advance(0.005);  // a whole period: back at the start
    EXPECT_NEAR(spring.value(), 0, 0.05);
    EXPECT_TRUE(spring.isMoving());
}

TEST(SpringValue, ARetargetKeepsTheVelocity) {
    AnimationsOn on;
    SpringValue spring({0.25, 0.85, 0}, 0);
    spring.animateTo(100);
    for (int i = 0; i < 6; ++i) spring.advance(1.0 / 120);
    const double v = spring.velocity();
    ASSERT_GT(v, 0);
    spring.animateTo(-100, {0.3, 0.8, 0.25});
    EXPECT_DOUBLE_EQ(spring.velocity(), v);
    spring.advance(1.0 / 120);
    EXPECT_LT(spring.velocity(), v);  // now pulled back, smoothly
    run(spring);
    EXPECT_DOUBLE_EQ(spring.value(), -100);
}

TEST(SpringValue, TicksOnlyWhileMovingAndLandsAtOnceWithAnimationsOff) {
    {
        AnimationsOn on;
        SpringValue spring({0.1, 1.0, 0}, 0);
        QSignalSpy settled(&spring, &SpringValue::settled);
        spring.animateTo(5);
        EXPECT_TRUE(spring.isMoving());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !spring.isMoving(); }, 3000));  // the real timer drives it
        EXPECT_DOUBLE_EQ(spring.value(), 5);
        EXPECT_EQ(settled.count(), 1);
        spring.animateTo(5);  // already there: no timer starts
        EXPECT_FALSE(spring.isMoving());
    }
    SpringValue spring({0.25, 0.85, 0}, 2);
    QSignalSpy changes(&spring, &SpringValue::valueChanged);
    spring.animateTo(7);
    EXPECT_FALSE(spring.isMoving());
    EXPECT_DOUBLE_EQ(spring.value(), 7);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_DOUBLE_EQ(changes.at(0).at(0).toDouble(), 7);
    spring.animateTo(std::nan(""));  // ignored
    EXPECT_DOUBLE_EQ(spring.value(), 7);
    spring.setValue(3);
    EXPECT_EQ(changes.count(), 2);
}

}  // namespace
}  // namespace vantrel
