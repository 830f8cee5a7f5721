#pragma once
// The crop overlay's geometry apart from any widget: where the crop frame, its
// dimming, thirds, corner marks and edge bars lie in the overlay, which handle
// a point hits, and the rectangles a move or a handle drag writes.
//
// Rectangles are image-relative (0 to 1, origin top left); the overlay shows
// them inside the fitted image rectangle `fitted`, in overlay points.
#include <array>
#include <optional>
#include <vector>

#include <QPainterPath>
#include <QRegion>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "model/CropAspectRatio.h"
#include "model/NormalizedRect.h"

namespace vantrel {

enum class CropHandleType { topLeft, topRight, bottomLeft, bottomRight, top, bottom, left, right };

// Drawing order: a later handle lies on top of an earlier one.
inline constexpr std::array<CropHandleType, 8> kCropHandles = {
    CropHandleType::topLeft, CropHandleType::topRight, CropHandleType::bottomLeft, CropHandleType::bottomRight,
    CropHandleType::top,     CropHandleType::bottom,   CropHandleType::left,       CropHandleType::right};

namespace crop {

// The frame is never drawn smaller than this (the stored rectangle is unaffected).
inline constexpr double kMinimumFrameSide = 30;
// A moved edge keeps this far from the opposite one.
inline constexpr double kMinimumExtent = 0.05;
inline constexpr double kCornerArm = 16;
inline constexpr double kCornerHitSide = 32;
inline constexpr double kEdgeHitSide = 24;
inline constexpr double kEdgeBarLength = 20;
inline constexpr double kEdgeBarThickness = 4;

bool isCorner(CropHandleType handle);

// The crop rectangle in overlay points, at least 30 points on each side.
QRectF frameRect(const QRectF& fitted, const NormalizedRect& rect);

// The dimmed bands above, below, left and right of the frame, each only when
// it has a positive height (above, below) or width (left, right).
std::vector<QRectF> dimmingBands(const QRectF& fitted, const QRectF& frame);

// Two vertical, then two horizontal lines at the thirds of the frame.
QPainterPath thirdsPath(const QRectF& frame);

// The corner's L: from the end of one 16-point arm through the corner to the
// end of the other, both arms running into the frame. Empty for an edge handle.
QPainterPath cornerMarkPath(CropHandleType handle, const QRectF& frame);

// The 20 x 4 (top, bottom) or 4 x 20 (left, right) bar centred on the edge's
// middle. Empty for a corner.
QRectF edgeBarRect(CropHandleType handle, const QRectF& frame);

// A corner takes hits in a 32-point square centred on it; an edge handle in a
// 24-point square whose top left is the bar's top left.
QRectF hitRect(CropHandleType handle, const QRectF& frame);

// The topmost handle whose hit square holds `point` (half-open), if any.
std::optional<CropHandleType> handleAt(const QRectF& frame, const QPointF& point);

// The whole rectangle moved by `unit` (a translation in fractions of the
// fitted rectangle), kept inside the image with its size, then clamped.
NormalizedRect movedRect(const NormalizedRect& start, const QPointF& unit);

// The rectangle after dragging `handle` by `unit` from `start`. `ratio` is the
// locked width-to-height ratio of the image (none when free) and `fitted` the
// fitted rectangle it is shown in. The result is clamped.
NormalizedRect draggedRect(CropHandleType handle, const NormalizedRect& start, const QPointF& unit,
                           std::optional<double> ratio, const QSizeF& fitted);

// What a frame moving from `before` to `after` repaints: the dimming that
// changes (the two frames' difference), and bands around both frames' edges
// and thirds, wide enough for the corner marks, edge bars and their shadows.
QRegion changedRegion(const QRectF& before, const QRectF& after);

// The ratio a locked drag holds: `aspect` measured on an image of `imageSize` pixels, the other
// way round where the crop rectangle `rect` stands so (a 3:2 crop turned a quarter holds 2:3).
std::optional<double> lockedRatio(CropAspectRatio aspect, const QSizeF& imageSize,
                                  const NormalizedRect& rect = NormalizedRect::full());

}  // namespace crop
}  // namespace vantrel
