#include "views/crop/CropAspectFit.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "services/TextFormatter.h"

namespace vantrel::cropbar {

namespace {

// The clamping initialiser of a rectangle built from a fit: x and y into
// 0 ... 1 (not a number gives 0), then each side at most what is left and at
// least 0.01.
NormalizedRect centredRect(double w, double h) {
    const auto unit = [](double v) { return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0); };
    const double x = unit((1 - w) * 0.5), y = unit((1 - h) * 0.5);
    return {x, y, std::max(std::min(w, 1 - x), 0.01), std::max(std::min(h, 1 - y), 0.01)};
}

}  // namespace

QSizeF turnedSize(const QSizeF& imageSize, int quarterTurns) {
    return quarterTurns % 2 != 0 ? imageSize.transposed() : imageSize;
}

std::optional<NormalizedRect> fittedRect(CropAspectRatio aspect, const QSizeF& imageSize, int quarterTurns) {
    const QSizeF frame = turnedSize(imageSize, quarterTurns);
    const std::optional<double> r = ratio(aspect, frame.width(), frame.height());
    if (!r) return std::nullopt;
    double a = frame.height() >= 1 ? frame.width() / frame.height() : frame.width();
    // A frame without a usable width has no shape of its own: the ratio fills it.
    if (!(a > 0) || !std::isfinite(a)) a = *r;
    return a < *r ? centredRect(1, a / *r) : centredRect(*r / a, 1);
}

QString angleText(double degrees) {
    const FormatArg argument = makeFormatArg(degrees);
    return QString::fromStdString(formatText("%+.1f°", std::span(&argument, 1)));
}

bool isAngleSet(double degrees) { return std::abs(degrees) > 0.05; }

}  // namespace vantrel::cropbar
