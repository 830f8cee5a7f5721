#include <QGraphicsOpacityEffect>
#include <QTest>
#include <gtest/gtest.h>

#include "views/kit/SpringValue.h"
#include "views/kit/VisibilityFade.h"

namespace vantrel {
namespace {

struct AnimationsOn {
    AnimationsOn() { Animations::setEnabled(true); }
    ~AnimationsOn() { Animations::setEnabled(false); }
};

double opacityOf(QWidget* widget) {
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(widget->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}

TEST(VisibilityFade, FadesOnScreenJumpsOtherwiseAndTurnsRoundMidway) {
    QWidget window;
    window.resize(200, 200);
    auto* panel = new QWidget(&window);
    panel->setGeometry(10, 10, 80, 60);

    // Not on screen yet: at once, and one fade per widget.
    fadeVisible(panel, false);
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(&VisibilityFade::of(panel), &VisibilityFade::of(panel));
    fadeVisible(panel, true);
    EXPECT_FALSE(panel->isHidden());

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Animations off: at once, no effect left behind.
    fadeVisible(panel, false);
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(panel->graphicsEffect(), nullptr);

    AnimationsOn on;
    fadeVisible(panel, true);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(VisibilityFade::of(panel).isFading());
    EXPECT_LT(opacityOf(panel), 1.0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !VisibilityFade::of(panel).isFading(); }, 2000));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->graphicsEffect(), nullptr);  // at rest it paints directly

    // Asked again for where it is: nothing starts.
    fadeVisible(panel, true);
    EXPECT_FALSE(VisibilityFade::of(panel).isFading());

    // Fading out it stays on screen until the fade ends.
    fadeVisible(panel, false);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(VisibilityFade::of(panel).isShown());
    ASSERT_TRUE(QTest::qWaitFor([&] { return opacityOf(panel) < 0.9; }, 2000));
    // Turned round midway: back up from where it was, and it stays.
    const double midway = opacityOf(panel);
    fadeVisible(panel, true);
    EXPECT_NEAR(opacityOf(panel), midway, 0.05);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !VisibilityFade::of(panel).isFading(); }, 2000));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_DOUBLE_EQ(opacityOf(panel), 1.0);

    fadeVisible(panel, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->isHidden(); }, 2000));
    EXPECT_EQ(panel->graphicsEffect(), nullptr);
}

}  // namespace
}  // namespace vantrel
