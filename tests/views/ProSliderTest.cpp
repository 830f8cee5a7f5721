#include <memory>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "views/kit/ProSlider.h"

namespace vantrel {
namespace {

struct SliderRig {
    std::shared_ptr<double> value = std::make_shared<double>(0);
    std::vector<bool> events;
    std::unique_ptr<ProSlider> slider;

    SliderRig(ProSlider::Range range, double defaultValue, double step = 0.01, QString format = "%.2f",
              QString unit = {}, QString title = "Exposure") {
        *value = defaultValue;
        slider = std::make_unique<ProSlider>(
            title, Binding<double>([v = value] { return *v; }, [v = value](const double& x) { *v = x; }), range,
            defaultValue, step, format, unit, QColor(Qt::cyan), [this](bool editing) { events.push_back(editing); });
        slider->resize(211, 40);  // a track 211 wide: 200 points of travel
        slider->show();
    }
    QWidget* track() const { return slider->track(); }
};

TEST(ProSliderTest, ValueTextSignsFormatsAndUnits) {
    SliderRig wide({-100, 100}, 0);
    EXPECT_EQ(wide.slider->formattedValue(12), "+12.00");
    EXPECT_EQ(wide.slider->formattedValue(-12), "-12.00");
    EXPECT_EQ(wide.slider->formattedValue(0.002), "+0.00");
    EXPECT_EQ(wide.slider->formattedValue(0.001), "0.00");  // the plus needs more than 0.001

    SliderRig positive({0, 100}, 0);
    EXPECT_EQ(positive.slider->formattedValue(12), "12.00");

    SliderRig kelvin({2500, 9500}, 6500, 50, "%.0f", "K");
    EXPECT_EQ(kelvin.slider->formattedValue(6500), "6500 K");
    EXPECT_EQ(kelvin.slider->readout()->text(), "6500 K");

    // Barely below zero still earns the plus, though the fill is one-sided.
    SliderRig nearZero({-0.0005, 1}, 0);
    EXPECT_EQ(nearZero.slider->formattedValue(0.5), "+0.50");

    // The tooltip names the default in the read-out's form.
    EXPECT_EQ(kelvin.slider->titleLabel()->toolTip(), "Double-click to reset to default (6500 K)");
    EXPECT_EQ(kelvin.slider->readout()->toolTip(), kelvin.slider->titleLabel()->toolTip());

    // No title: no row, only the track; unless the value is asked for, which
    // reads and resets as a titled row's does.
    SliderRig bare({-1, 1}, 0, 0.01, "%.2f", {}, QString());
    EXPECT_EQ(bare.slider->titleLabel(), nullptr);
    EXPECT_EQ(bare.slider->readout(), nullptr);
    *bare.value = 0.5;
    bare.slider->showValue();
    EXPECT_EQ(bare.slider->titleLabel(), nullptr);
    ASSERT_NE(bare.slider->readout(), nullptr);
    EXPECT_EQ(bare.slider->readout()->text(), "+0.50");
    EXPECT_EQ(bare.slider->readout()->toolTip(), "Double-click to reset to default (0.00)");
    QCoreApplication::sendPostedEvents();  // laid out
    EXPECT_LT(bare.slider->readout()->geometry().bottom(), bare.track()->geometry().top());
    EXPECT_EQ(bare.slider->readout()->geometry().right(), bare.track()->geometry().right());
    QTest::mouseClick(bare.slider->readout(), Qt::LeftButton);
    EXPECT_EQ(*bare.value, 0);
    EXPECT_EQ(bare.slider->readout()->text(), "0.00");
}

TEST(ProSliderTest, AValueFormatterShowsTheStoredValueInAnotherForm) {
    SliderRig feather({0.05, 1}, 0.5, 0.01, "%.0f%%", {}, "Feather");
    EXPECT_EQ(feather.slider->readout()->text(), "0%");  // the format alone does not scale (0.5 rounds to even)
    feather.slider->setValueFormatter(ProSlider::percentFormatter());
    EXPECT_EQ(feather.slider->readout()->text(), "50%");
    EXPECT_EQ(feather.slider->titleLabel()->toolTip(), "Double-click to reset to default (50%)");
    EXPECT_EQ(feather.slider->formattedValue(0.125), "13%");  // halves away from zero
    EXPECT_EQ(feather.slider->formattedValue(0.05), "5%");

    // Dragging still stores the fraction; only the read-out differs.
    const int y = feather.track()->height() / 2;
    QTest::mousePress(feather.track(), Qt::LeftButton, {}, QPoint(30, y));
    QTest::mouseMove(feather.track(), QPoint(205, y));
    QTest::mouseRelease(feather.track(), Qt::LeftButton, {}, QPoint(205, y));
    EXPECT_DOUBLE_EQ(*feather.value, 1);
    EXPECT_EQ(feather.slider->readout()->text(), "100%");

    // An empty formatter returns to the format.
    feather.slider->setValueFormatter({});
    EXPECT_EQ(feather.slider->readout()->text(), "1%");
    EXPECT_TRUE(feather.slider->titleLabel()->toolTip().startsWith("Double-click to reset to default (0%)"));
}

TEST(ProSliderTest, DragMappingSnapsHalvesAwayFromZeroAndClamps) {
    const ProSlider::Range range{-10, 10};
    // Travel 200 over a span of 20: x = 5.5 + 10 * (v + 10).
    EXPECT_DOUBLE_EQ(ProSlider::dragValue(5.5 + 125, 211, range, 1), 3);    // raw 2.5 -> 3
    EXPECT_DOUBLE_EQ(ProSlider::dragValue(5.5 + 75, 211, range, 1), -3);    // raw -2.5 -> -3
    EXPECT_NEAR(ProSlider::dragValue(5.5 + 123, 211, range, 0), 2.3, 1e-9);  // no step: unsnapped
    EXPECT_DOUBLE_EQ(ProSlider::dragValue(209, 211, range, 1), 10);         // past the travel: upper bound
    EXPECT_DOUBLE_EQ(ProSlider::dragValue(-40, 211, range, 1), -10);        // before it: lower bound
    // Snapping never leaves the range.
    EXPECT_DOUBLE_EQ(ProSlider::dragValue(205.5, 211, {0, 2.5}, 1), 2.5);
    // Equal bounds: the bound; a track narrower than the thumb divides by 1.
    EXPECT_DOUBLE_EQ(ProSlider::dragValue(100, 211, {3, 3}, 0.01), 3);
    EXPECT_DOUBLE_EQ(ProSlider::dragValue(6, 8, {0, 1}, 0), 0.5);
    EXPECT_DOUBLE_EQ(ProSlider::span({3, 3}), 0.0001);
}

TEST(ProSliderTest, DragReportsStartBeforeTheFirstWriteAndEndAfterRelease) {
    SliderRig rig({-10, 10}, 0, 1);
    QWidget* track = rig.track();
    ASSERT_EQ(track->width(), 211);
    const int y = track->height() / 2;

    // A press that does not move a point neither writes nor reports.
    *rig.value = 4;
    QTest::mousePress(track, Qt::LeftButton, {}, QPoint(30, y));
    QTest::mouseRelease(track, Qt::LeftButton, {}, QPoint(30, y));
    EXPECT_EQ(*rig.value, 4);
    EXPECT_TRUE(rig.events.empty());

    QTest::mousePress(track, Qt::LeftButton, {}, QPoint(30, y));
    QMouseEvent move(QEvent::MouseMove, QPointF(131, y), track->mapToGlobal(QPointF(131, y)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(track, &move);  // raw 2.55 -> 3
    EXPECT_EQ(rig.events, std::vector<bool>{true});
    EXPECT_TRUE(rig.slider->isDragging());
    EXPECT_DOUBLE_EQ(*rig.value, 3);
    EXPECT_EQ(rig.slider->readout()->text(), "+3.00");
    QTest::mouseRelease(track, Qt::LeftButton, {}, QPoint(131, y));
    EXPECT_EQ(rig.events, (std::vector<bool>{true, false}));
    EXPECT_FALSE(rig.slider->isDragging());
    EXPECT_DOUBLE_EQ(*rig.value, 3);  // nothing written at the end
}

TEST(ProSliderTest, EveryResetWritesTheDefaultAndReportsTheEndOnce) {
    SliderRig rig({0, 2}, 1);
    auto expectReset = [&](const char* how, const std::function<void()>& gesture) {
        *rig.value = 1.7;
        rig.slider->refresh();
        rig.events.clear();
        gesture();
        EXPECT_EQ(*rig.value, 1) << how;
        EXPECT_EQ(rig.events, std::vector<bool>{false}) << how;
        EXPECT_FALSE(rig.slider->isChanged()) << how;
    };
    expectReset("double click on the title", [&] { QTest::mouseDClick(rig.slider->titleLabel(), Qt::LeftButton); });
    expectReset("click on the read-out", [&] { QTest::mouseClick(rig.slider->readout(), Qt::LeftButton); });
    expectReset("double click on the track", [&] { QTest::mouseDClick(rig.track(), Qt::LeftButton); });

    // The changed state flips only beyond 0.0001.
    *rig.value = 1.0001;
    EXPECT_FALSE(rig.slider->isChanged());
    *rig.value = 1.0002;
    EXPECT_TRUE(rig.slider->isChanged());
}

TEST(ProSliderTest, ThumbFollowsTheFractionOfTheRange) {
    SliderRig rig({-1, 1}, 0);
    *rig.value = 0.5;
    EXPECT_DOUBLE_EQ(rig.slider->thumbOffset(211), 150);
    *rig.value = 5;  // beyond the range: at the right end
    EXPECT_DOUBLE_EQ(rig.slider->thumbOffset(211), 200);
    EXPECT_DOUBLE_EQ(rig.slider->thumbOffset(8), -3);  // narrower than the thumb
    // Rendering the states does not trip over anything.
    EXPECT_FALSE(rig.slider->grab().isNull());
}

}  // namespace
}  // namespace vantrel
