#include "views/panels/ColorWheelGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>

#include "services/TextFormatter.h"

namespace vantrel::colorwheel {

HueSaturation pointerValue(QPointF point, double diameter) {
    const double c = centre(diameter);
    const double dx = point.x() - c;
    const double dy = point.y() - c;
    const double r = usableRadius(diameter);
    double s = r > 0 ? std::min(std::hypot(dx, dy) / r, 1.0) : 0.0;
    if (!(s >= kDeadZone)) s = 0;  // also a NaN distance
    double a = std::atan2(dy, dx);
    if (a < 0) a += 2 * std::numbers::pi;
    double hue = a * 180 / std::numbers::pi;
    if (!(hue < 360)) hue = 0;  // -0.0 plus 2π rounds to exactly 360
    return {hue, s};
}

QPointF puckCentre(const ColorWheelAdjustment& wheel, double diameter) {
    const double c = centre(diameter);
    const double theta = wheel.hue * std::numbers::pi / 180;
    const double r = wheel.saturation * usableRadius(diameter);
    const QPointF at(c + r * std::cos(theta), c + r * std::sin(theta));
    if (!std::isfinite(at.x()) || !std::isfinite(at.y())) return {c, c};
    return at;
}

QColor puckColor(const ColorWheelAdjustment& wheel) {
    if (!(wheel.saturation >= 0.01)) return Qt::white;
    double h = std::fmod(wheel.hue, 360.0);
    if (!std::isfinite(h)) h = 0;
    if (h < 0) h += 360;
    return QColor::fromHsvF(float(std::min(h / 360.0, 1.0 - 1e-9)), float(std::min(wheel.saturation, 1.0)), 0.9f);
}

QColor hueColor(double hue) {
    double h = std::fmod(hue, 360.0);
    if (!std::isfinite(h)) h = 0;
    if (h < 0) h += 360;
    // Between two stops one channel moves linearly while the other two rest.
    const double t = h / 60.0;
    const int segment = std::min(int(t), 5);
    const double f = t - segment;
    double r = 0, g = 0, b = 0;
    switch (segment) {
        case 0: r = 1, g = f; break;         // red to yellow
        case 1: r = 1 - f, g = 1; break;     // yellow to green
        case 2: g = 1, b = f; break;         // green to cyan
        case 3: g = 1 - f, b = 1; break;     // cyan to blue
        case 4: r = f, b = 1; break;         // blue to magenta
        default: r = 1, b = 1 - f; break;    // magenta to red
    }
    return QColor::fromRgbF(float(r), float(g), float(b));
}

bool onDisc(QPointF point, double diameter) {
    const double c = centre(diameter);
    return std::hypot(point.x() - c, point.y() - c) <= c;
}

QString luminancePercent(double luminance) {
    const long long percent = std::isfinite(luminance) ? std::llround(std::clamp(luminance, -1e6, 1e6) * 100) : 0;
    const FormatArg argument = makeFormatArg(percent);
    // A sign only for a shown value above zero, and never "-0".
    return QString::fromStdString(formatText(percent > 0 ? "+%lld %%" : "%lld %%", std::span(&argument, 1)));
}

}  // namespace vantrel::colorwheel
