#pragma once
// The crop bar's arithmetic apart from any widget: the centred rectangle that
// fits an aspect ratio, and the straighten angle's text.
//
// The crop rectangle lies on the frame as the geometry stage turns it, so a
// ratio is fitted to the turned size: width and height swap when the quarter
// turns are odd, and "original" means the turned frame's own ratio.
#include <optional>

#include <QSizeF>
#include <QString>

#include "model/CropAspectRatio.h"
#include "model/NormalizedRect.h"

namespace vantrel::cropbar {

// `imageSize` after `quarterTurns` clockwise quarter turns (any sign).
QSizeF turnedSize(const QSizeF& imageSize, int quarterTurns);

// The largest centred rectangle of `aspect` on a frame of `imageSize` pixels
// turned by `quarterTurns`; none for free (the rectangle stays as it is).
std::optional<NormalizedRect> fittedRect(CropAspectRatio aspect, const QSizeF& imageSize, int quarterTurns);

// The angle with its sign and one decimal, then a degree sign: "+0.0°", "-2.4°".
QString angleText(double degrees);
// Whether the angle counts as set (shown in the accent colour).
bool isAngleSet(double degrees);

}  // namespace vantrel::cropbar
