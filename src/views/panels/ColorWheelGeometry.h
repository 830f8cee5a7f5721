#pragma once
// The geometry of a colour wheel, apart from any widget. In the wheel's own
// coordinates (origin top left, y down) the centre is at half the diameter on
// both axes and the usable radius is that less half the puck (6 points), so a
// puck at saturation 1 touches the rim from inside. Angles run from 3 o'clock
// clockwise on screen: hue 90 is at 6 o'clock, 270 at 12 o'clock.
#include <QColor>
#include <QPointF>
#include <QString>

#include "model/ColorGradingParameters.h"

namespace vantrel::colorwheel {

inline constexpr double kPuckSize = 12;
// Below this share of the usable radius the saturation is 0: a dead zone round the centre.
inline constexpr double kDeadZone = 0.02;

struct HueSaturation {
    double hue = 0;         // degrees, 0 up to 360
    double saturation = 0;  // 0...1

    bool operator==(const HueSaturation&) const = default;
};

inline double centre(double diameter) { return diameter * 0.5; }
inline double usableRadius(double diameter) { return centre(diameter) - kPuckSize / 2; }

// What a pointer at `point` sets: the hue of its direction from the centre and
// its distance in usable radii, at most 1, 0 in the dead zone. A wheel too small
// to have a usable radius gives saturation 0.
HueSaturation pointerValue(QPointF point, double diameter);

// Where the puck of `wheel` sits. Hue and saturation are not clamped (a stored
// saturation above 1 lies outside the disc); values that are not finite put it
// at the centre.
QPointF puckCentre(const ColorWheelAdjustment& wheel, double diameter);

// White below saturation 0.01; otherwise the hue at that saturation and brightness 0.9.
QColor puckColor(const ColorWheelAdjustment& wheel);

// The disc's colour at a hue: the sRGB stops red, yellow, green, cyan, blue,
// magenta every 60 degrees, blended linearly between them.
QColor hueColor(double hue);

// On the disc: within half the diameter of the centre.
bool onDisc(QPointF point, double diameter);

// A wheel's luminance in percent: "+40 %" for 0.4, "-100 %" for -1, "0 %" for 0.
QString luminancePercent(double luminance);

}  // namespace vantrel::colorwheel
