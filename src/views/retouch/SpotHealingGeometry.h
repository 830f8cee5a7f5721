#pragma once
// The spot-healing overlay's geometry apart from any widget: where a spot's
// target and source lie in the overlay, how large it is drawn, what a tap or a
// press hits, the values a target or source drag writes, and the arrowhead of
// a spot's connection.
//
// Spot units: `center` in fractions of the frame's width and height (origin
// top left), `sourceOffset` likewise, `radius` in fractions of the shorter
// side. In the overlay, the frame is the fitted image rectangle.
#include <functional>
#include <optional>
#include <vector>

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "model/Point.h"
#include "model/SpotHealingParameters.h"
#include "model/Uuid.h"

namespace vantrel::spots {

inline constexpr double kMinimumDrawnRadius = 6;   // points
// The part of its radius a spot heals whole (the healing stage blends its patch in fully up to
// there, then fades it out towards the ring).
inline constexpr double kHealedCore = 0.35;
inline constexpr double kDeleteButtonHitRadius = 10;  // points, around the button's centre
inline constexpr double kDeleteButtonRadius = 7.5;     // its drawn disc
inline constexpr double kCrossHairArm = 4;             // of the target's cross-hair
inline constexpr double kButtonClearance = 3;          // between a ring and the delete button's reach
inline constexpr double kSourceDotRadius = 2;          // of the source's centre dot
inline constexpr double kLabelGap = 12;               // between the ring's top and the label's centre
inline constexpr double kArrowBarb = 8;
inline constexpr double kArrowClearance = 6;
inline constexpr double kLowestUnit = 0.01;
inline constexpr double kHighestUnit = 0.99;

struct Layout {
    QRectF imageRect;      // the frame in overlay points
    double shortSide = 0;  // the smaller side of imageRect
};

// The frame of pixel size `image` fitted into an overlay of size `view`,
// `padding` points in from its edges.
Layout layoutFor(const QSizeF& view, const QSizeF& image, double padding = 0);

QPointF targetPoint(const Layout& layout, const SpotItem& spot);
QPointF sourcePoint(const Layout& layout, const SpotItem& spot);
// A spot's radius on screen, at least 6 points.
double drawnRadius(const Layout& layout, const SpotItem& spot);
// How far from its target or source a tap or press takes a spot: the part of
// the picture it heals whole, at least its cross-hair. The rest of its ring is
// picture still to heal: a click there makes a new spot, so that what a ring
// holds ends up healed.
double grabReach(const Layout& layout, const SpotItem& spot);

// The first spot in list order whose target, or else whose source, is within
// reach of `point`.
std::optional<Uuid> spotAtTap(const Layout& layout, const std::vector<SpotItem>& spots, const QPointF& point);

enum class SpotPart { deleteButton, target, source };
struct SpotHit {
    Uuid id;
    SpotPart part;
};
// The selected spot's delete button, where it stands.
struct DeleteButton {
    Uuid id;
    QPointF centre;
};

// What a press at `point` lands on: of the parts within reach (the delete
// button, each target's and source's grab reach), the one whose drawn mark (the
// button's disc, a target's cross-hair or a source's dot) is nearest,
// then the one whose centre is; the upper one (button, targets, sources, a
// later spot above an earlier one) when both are equal. So a target's centre
// takes its target and a source's centre its source, however close the two
// lie. None: the press falls through to the tap area.
std::optional<SpotHit> partAt(const Layout& layout, const std::vector<SpotItem>& spots,
                              const std::optional<DeleteButton>& button, const QPointF& point);

// The centre of a ring's label above it.
QPointF labelCentre(const QPointF& handlePoint, double drawnRadius);

// Where the selected spot's labels of the sizes given go: each above its
// ring, unless the two would meet (a source close beside or below its
// target) or one would cover the other's ring (a source right above its
// target); then the source's below its ring, else the target's below its
// own. Never one over the other.
struct LabelBoxes {
    QRectF target;
    QRectF source;
};
LabelBoxes labelBoxes(const QPointF& target, const QPointF& source, double drawnRadius, const QSizeF& targetLabel,
                      const QSizeF& sourceLabel);

// Whether the picture under the overlay shows a speck within a reach of a
// point (both in overlay points).
using SpeckAt = std::function<bool(const QPointF& centre, double reach)>;

// Where the selected spot `spot` of `spots` has its delete button, if
// anywhere: just outside its ring, where a click meant for healing does not
// land. Of the eight places round the ring, clockwise from the upper right,
// those off the source's side whose reach keeps clear of the line to the
// source, of the source's ring, of every other spot's rings and of any speck
// `speckAt` finds; of those, the first that hides least of the labels. None
// when every place is taken (the healing bar and the Delete key still remove
// the spot).
std::optional<QPointF> deleteButtonCentre(const Layout& layout, const std::vector<SpotItem>& spots,
                                          const SpotItem& spot, const LabelBoxes& labels, const SpeckAt& speckAt = {});

// The spot's centre after its target was dragged by `translation` points from
// `start`: each coordinate within 0.01 ... 0.99. None when the frame has no area.
std::optional<Point> draggedCenter(const Point& start, const QPointF& translation, const QRectF& imageRect);
// The source offset after the source was dragged by `translation` points from
// `startOffset`: the sample point (centre + offset) stays within 0.01 ... 0.99.
std::optional<Point> draggedSourceOffset(const Point& startOffset, const Point& center, const QPointF& translation,
                                         const QRectF& imageRect);

// The new spot of a tap at `point` with a brush of `brushRadius` points: its
// centre and its radius. None when the frame has no area.
struct NewSpot {
    Point center;
    double radius = 0;
};
std::optional<NewSpot> newSpotAt(const Layout& layout, const QPointF& point, double brushRadius);

// The two barbs of the arrowhead at the target's ring, pointing back towards
// the source; none when the source lies within r + 6 points of the target.
struct Arrowhead {
    QPointF tip;
    QPointF barbA;
    QPointF barbB;
};
std::optional<Arrowhead> arrowhead(const QPointF& source, const QPointF& target, double drawnRadius);

// Everything a spot may draw, selected or not: both rings with their shadows,
// the labels above or below them, the delete button and the connection.
QRectF paintedBounds(const Layout& layout, const SpotItem& spot);

// Whether a spot's source disc meets its target disc on a frame of pixel
// size `image` (the patch would copy part of what it covers).
bool sourceOverlapsTarget(const SpotItem& spot, const QSizeF& image);

// Index of the first spot with `id`, or none.
std::optional<std::size_t> indexOf(const std::vector<SpotItem>& spots, const Uuid& id);

}  // namespace vantrel::spots
