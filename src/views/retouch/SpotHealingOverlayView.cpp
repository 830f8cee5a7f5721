#include "views/retouch/SpotHealingOverlayView.h"

#include <cmath>

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPathStroker>

#include "views/kit/Geometry.h"
#include "views/kit/Icons.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Symbols.h"

namespace vantrel {

namespace {

// A press on the tap area that travels further than this is no tap.
constexpr double kTapSlop = 5;
// The handles' drags start at the first point of travel.
constexpr double kHandleDragDistance = 1;

// A spot's sample when no search is given: the record's own default offset.
Point defaultOffset() { return SpotItem{}.sourceOffset; }

const QFont& labelFont() {
    static const QFont font = pixelFont(9, QFont::Bold);
    return font;
}

QSizeF labelSize(const QString& text) {
    const QFontMetricsF metrics(labelFont());
    return {metrics.horizontalAdvance(text) + 8, metrics.height() + 4};
}

void paintLabel(QPainter& painter, const QRectF& box, const QString& text, const QColor& fill) {
    const QFont& font = labelFont();
    painter.fillPath(roundedRect(box, 3), fill);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignCenter, text);
}

}  // namespace

SpotHealingOverlayView::SpotHealingOverlayView(Binding<SpotHealingParameters> healing,
                                               std::optional<SelectionBinding> externalSelectedSpotID,
                                               Source<double> brushRadiusPixels, Source<QSize> imageSize,
                                               SourceSearch findSource, QWidget* parent)
    : QWidget(parent), healing_(std::move(healing)), externalSelectedSpotID_(std::move(externalSelectedSpotID)),
      brushRadiusPixels_(std::move(brushRadiusPixels)), imageSize_(std::move(imageSize)),
      findSource_(std::move(findSource)), brushRadius_(brushRadiusPixels_()) {
    setObjectName(QStringLiteral("SpotHealingOverlayView"));
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
}

// ---------------------------------------------------------------- state

std::optional<Uuid> SpotHealingOverlayView::selectedSpotID() const {
    if (externalSelectedSpotID_) {
        if (std::optional<Uuid> id = externalSelectedSpotID_->get()) return id;
    }
    return internalSelectedSpotID_;
}

void SpotHealingOverlayView::setSelectedSpotID(const std::optional<Uuid>& id) {
    const std::optional<Uuid> before = selectedSpotID();
    if (externalSelectedSpotID_) externalSelectedSpotID_->set(id);
    else internalSelectedSpotID_ = id;
    const std::vector<SpotItem> spots = currentSpots();
    repaintSpot(spots, before);
    repaintSpot(spots, id);
    noteSeen();
}

void SpotHealingOverlayView::repaintSpot(const std::vector<SpotItem>& spots, const std::optional<Uuid>& id) {
    if (!id) return;
    if (const std::optional<std::size_t> i = spots::indexOf(spots, *id))
        update(spots::paintedBounds(spotLayout(), spots[*i]).toAlignedRect());
}

QRect SpotHealingOverlayView::brushRect() const {
    if (!hoverLocation_) return {};
    const double r = brushRadiusPixels_() + 8;  // the outline and its shadow
    return QRectF(*hoverLocation_ - QPointF(r, r), QSizeF(2 * r, 2 * r)).toAlignedRect();
}

void SpotHealingOverlayView::noteSeen() {
    seen_ = {currentSpots(), selectedSpotID(), imageSize_()};
}

void SpotHealingOverlayView::setSpeckTest(SpeckTest test) {
    speckTest_ = std::move(test);
    update();
}

void SpotHealingOverlayView::setPicturePadding(double padding) {
    padding_ = padding;
    update();
}

spots::Layout SpotHealingOverlayView::spotLayout() const {
    return spots::layoutFor(QSizeF(size()), QSizeF(imageSize_()), padding_);
}

bool SpotHealingOverlayView::isBrushShown() const {
    return isHovering_ && hoverLocation_ && containsHalfOpen(imageRect(), *hoverLocation_) && !draggingTargetSpotID_ &&
           !draggingSourceSpotID_;
}

void SpotHealingOverlayView::refresh() {
    const double radius = brushRadiusPixels_();
    if (radius != brushRadius_) {
        brushRadius_ = radius;
        handleBrushRadiusChange(radius);
        update();  // the brush under the pointer takes the new size
    }
    // The recipe changed under a drag (undo, clear, another frame): a drag whose spot is gone ends.
    const std::optional<Uuid>& dragging = draggingTargetSpotID_ ? draggingTargetSpotID_ : draggingSourceSpotID_;
    if (dragging && !spots::indexOf(currentSpots(), *dragging)) abandonDrag();
    // Only a change from outside (undo, clear, another frame, the selection) repaints it all.
    const Seen now{currentSpots(), selectedSpotID(), imageSize_()};
    if (now == seen_) return;
    seen_ = now;
    update();
}

void SpotHealingOverlayView::writeSpots(std::vector<SpotItem> spots) {
    SpotHealingParameters healing = healing_.get();
    healing.spots = std::move(spots);
    healing_.set(healing);
    noteSeen();
}

// ---------------------------------------------------------------- actions

void SpotHealingOverlayView::handleCanvasTap(const QPointF& point) {
    const spots::Layout layout = spotLayout();
    if (!containsHalfOpen(layout.imageRect, point) || !(layout.shortSide > 0)) {
        setSelectedSpotID(std::nullopt);
        return;
    }
    std::vector<SpotItem> spots = currentSpots();
    if (const std::optional<Uuid> hit = spots::spotAtTap(layout, spots, point)) {
        setSelectedSpotID(hit);
        return;
    }
    const std::optional<spots::NewSpot> made = spots::newSpotAt(layout, point, brushRadiusPixels_());
    if (!made) return;
    SpotItem spot;
    spot.id = Uuid::random();
    spot.center = made->center;
    spot.radius = made->radius;
    // The search sees the spots as they were before this one.
    spot.sourceOffset = findSource_ ? findSource_(made->center, made->radius, spots) : defaultOffset();
    spot.opacity = 1.0;
    const Uuid id = spot.id;
    spots.push_back(spot);
    writeSpots(std::move(spots));
    setSelectedSpotID(id);
    Q_EMIT changed();
}

void SpotHealingOverlayView::handleBrushRadiusChange(double radius) {
    const std::optional<Uuid> selected = selectedSpotID();
    if (!selected) return;
    std::vector<SpotItem> spots = currentSpots();
    const std::optional<std::size_t> i = spots::indexOf(spots, *selected);
    const double shortSide = this->shortSide();
    if (!i || !(shortSide > 0)) return;
    repaintSpot(spots, selected);
    SpotItem& spot = spots[*i];
    spot.radius = radius / shortSide;
    // A grown disc that reaches its source would clone the speck beside
    // itself: the source is searched again, as for a new spot.
    if (findSource_ && spots::sourceOverlapsTarget(spot, QSizeF(imageSize_()))) {
        std::vector<SpotItem> others = spots;
        others.erase(others.begin() + std::ptrdiff_t(*i));
        spot.sourceOffset = findSource_(spot.center, spot.radius, others);
    }
    repaintSpot(spots, selected);
    writeSpots(std::move(spots));
    Q_EMIT changed();
}

void SpotHealingOverlayView::dragTarget(const Uuid& id) {
    std::vector<SpotItem> spots = currentSpots();
    const std::optional<std::size_t> i = spots::indexOf(spots, id);
    if (!i) return abandonDrag();
    setSelectedSpotID(id);
    if (draggingTargetSpotID_ != id) {
        draggingTargetSpotID_ = id;
        dragStartTargetCenter_ = spots[*i].center;
        escape_.start();
    }
    const std::optional<Point> center =
        spots::draggedCenter(dragStartTargetCenter_, tracker_.translation(), imageRect());
    if (!center) return;
    repaintSpot(spots, id);
    spots[*i].center = *center;
    repaintSpot(spots, id);
    writeSpots(std::move(spots));
    Q_EMIT changed();
}

void SpotHealingOverlayView::dragSource(const Uuid& id) {
    std::vector<SpotItem> spots = currentSpots();
    const std::optional<std::size_t> i = spots::indexOf(spots, id);
    if (!i) return abandonDrag();
    setSelectedSpotID(id);
    if (draggingSourceSpotID_ != id) {
        draggingSourceSpotID_ = id;
        dragStartSourceOffset_ = spots[*i].sourceOffset;
        escape_.start();
    }
    const std::optional<Point> offset =
        spots::draggedSourceOffset(dragStartSourceOffset_, spots[*i].center, tracker_.translation(), imageRect());
    if (!offset) return;
    repaintSpot(spots, id);
    spots[*i].sourceOffset = *offset;
    repaintSpot(spots, id);
    writeSpots(std::move(spots));
    Q_EMIT changed();
}

void SpotHealingOverlayView::endDrag() {
    const bool wasDragging = draggingTargetSpotID_ || draggingSourceSpotID_;
    draggingTargetSpotID_.reset();
    draggingSourceSpotID_.reset();
    escape_.stop();
    update(brushRect());  // the brush shows again
    if (wasDragging) Q_EMIT changed();
}

void SpotHealingOverlayView::abandonDrag() {
    draggingTargetSpotID_.reset();
    draggingSourceSpotID_.reset();
    escape_.stop();
    tracker_.cancel();
    pressed_.reset();
    update();
}

void SpotHealingOverlayView::cancelDrag() {
    const std::optional<Uuid> target = draggingTargetSpotID_, source = draggingSourceSpotID_;
    if (!(target || source)) return;
    // The drag is called off: the spot takes back its centre or sample point,
    // and the pointer moves nothing more until it is pressed again.
    std::vector<SpotItem> spots = currentSpots();
    const std::optional<std::size_t> i = spots::indexOf(spots, target ? *target : *source);
    abandonDrag();
    if (!i) return;
    repaintSpot(spots, spots[*i].id);
    if (target) spots[*i].center = dragStartTargetCenter_;
    else spots[*i].sourceOffset = dragStartSourceOffset_;
    repaintSpot(spots, spots[*i].id);
    writeSpots(std::move(spots));
    Q_EMIT changed();
}

void SpotHealingOverlayView::deleteSpot(const Uuid& id) {
    std::vector<SpotItem> spots = currentSpots();
    repaintSpot(spots, id);
    std::erase_if(spots, [&](const SpotItem& spot) { return spot.id == id; });
    writeSpots(std::move(spots));
    if (selectedSpotID() == id) setSelectedSpotID(std::nullopt);
    Q_EMIT changed();
    Q_EMIT spotDeleted();
}

// ---------------------------------------------------------------- pointer

void SpotHealingOverlayView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPointF point = event->position();
    pressed_ = spots::partAt(spotLayout(), currentSpots(), deleteButton(), point);
    tracker_ = DragTracker(pressed_ ? kHandleDragDistance : kTapSlop);
    tracker_.press(point);
}

void SpotHealingOverlayView::mouseMoveEvent(QMouseEvent* event) {
    hoverAt(event->position());
    if (!tracker_.move(event->position()) || !pressed_) return;
    if (pressed_->part == spots::SpotPart::target) dragTarget(pressed_->id);
    else if (pressed_->part == spots::SpotPart::source) dragSource(pressed_->id);
}

void SpotHealingOverlayView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const DragTracker::Release release = tracker_.release();
    const std::optional<spots::SpotHit> pressed = std::exchange(pressed_, std::nullopt);
    const QPointF point = event->position();
    if (release == DragTracker::Release::None) return;
    if (!pressed) {
        if (release == DragTracker::Release::Tap) handleCanvasTap(point);
        return;
    }
    switch (pressed->part) {
        case spots::SpotPart::deleteButton: {
            // A button: it acts when released over itself, while its spot is still the selected one.
            const std::optional<spots::SpotHit> now = spots::partAt(spotLayout(), currentSpots(), deleteButton(), point);
            if (now && now->part == spots::SpotPart::deleteButton && now->id == pressed->id) deleteSpot(pressed->id);
            break;
        }
        case spots::SpotPart::target:
        case spots::SpotPart::source:
            if (release == DragTracker::Release::Tap) {
                if (spots::indexOf(currentSpots(), pressed->id)) setSelectedSpotID(pressed->id);
            } else {
                endDrag();
            }
            break;
    }
}

void SpotHealingOverlayView::enterEvent(QEnterEvent* event) { hoverAt(event->position()); }

void SpotHealingOverlayView::leaveEvent(QEvent*) {
    // The last point stays; only the hovering ends.
    isHovering_ = false;
    update(brushRect());
}

void SpotHealingOverlayView::hoverAt(const QPointF& point) {
    const bool wasShown = isBrushShown();
    const QRect before = brushRect();
    hoverLocation_ = point;
    isHovering_ = true;
    if (wasShown) update(before);
    if (isBrushShown()) update(brushRect());
}

// ---------------------------------------------------------------- painting

const QImage& SpotHealingOverlayView::ringShadow(double r, double width, bool dashed, double opacity, double blur,
                                                 double dpr) const {
    const ShadowKey key{std::lround(r * 8), std::lround(width * 10), dashed, std::lround(opacity * 100),
                        std::lround(blur * 10), std::lround(dpr * 100)};
    if (const auto it = shadows_.find(key); it != shadows_.end()) return it->second;
    if (shadows_.size() > 128) shadows_.clear();  // brush and spot sizes come and go
    QPainterPath circle;
    circle.addEllipse(QPointF(0, 0), r, r);
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    if (dashed) stroker.setDashPattern(QList<qreal>{4 / width, 3 / width});
    // The blurred ring's image, drawn with its centre on the ring's centre.
    QImage image = softShadowImage(stroker.createStroke(circle), blackAt(opacity), blur, dpr);
    return shadows_.emplace(key, std::move(image)).first->second;
}

std::optional<spots::LabelBoxes> SpotHealingOverlayView::selectedLabels() const {
    const std::optional<Uuid> selected = selectedSpotID();
    const std::vector<SpotItem> spots = currentSpots();
    const std::optional<std::size_t> i = selected ? spots::indexOf(spots, *selected) : std::nullopt;
    if (!i) return std::nullopt;
    const spots::Layout layout = spotLayout();
    const SpotItem& spot = spots[*i];
    return spots::labelBoxes(spots::targetPoint(layout, spot), spots::sourcePoint(layout, spot),
                             spots::drawnRadius(layout, spot), labelSize(localized("healing.targetArea")),
                             labelSize(localized("healing.sampleSource")));
}

std::optional<spots::DeleteButton> SpotHealingOverlayView::deleteButton() const {
    const std::optional<spots::LabelBoxes> labels = selectedLabels();
    if (!labels) return std::nullopt;
    const std::vector<SpotItem> spots = currentSpots();
    const SpotItem& spot = spots[*spots::indexOf(spots, *selectedSpotID())];
    const spots::Layout layout = spotLayout();
    spots::SpeckAt speckAt;
    if (speckTest_ && layout.shortSide > 0)
        speckAt = [&](const QPointF& centre, double reach) {
            const QPointF unit = toUnit(layout.imageRect, centre);
            return speckTest_({unit.x(), unit.y()}, reach / layout.shortSide);
        };
    const std::optional<QPointF> centre = spots::deleteButtonCentre(layout, spots, spot, *labels, speckAt);
    if (!centre) return std::nullopt;
    return spots::DeleteButton{spot.id, *centre};
}

void SpotHealingOverlayView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const spots::Layout layout = spotLayout();
    std::vector<SpotItem> spots = currentSpots();
    // Spots away from what needs painting are left out.
    std::erase_if(spots, [&](const SpotItem& spot) {
        return !event->region().intersects(spots::paintedBounds(layout, spot).toAlignedRect());
    });
    const std::optional<Uuid> selected = selectedSpotID();
    const double dpr = devicePixelRatioF();
    const QColor yellow = standardColor(StandardColor::Yellow);
    const QColor cyan = standardColor(StandardColor::Cyan);

    const auto shadowAt = [&](const QPointF& centre, double r, double width, bool dashed, double opacity,
                              double blur) {
        const QImage& image = ringShadow(r, width, dashed, opacity, blur, dpr);
        if (image.isNull()) return;
        const QSizeF size = QSizeF(image.size()) / dpr;
        painter.drawImage(centre - QPointF(size.width() / 2, size.height() / 2), image);
    };

    const spots::LabelBoxes labels = selectedLabels().value_or(spots::LabelBoxes{});

    // Connections, then sources, then targets: every target lies above every source.
    for (const SpotItem& spot : spots) {
        const bool isSelected = spot.id == selected;
        const QPointF S = spots::sourcePoint(layout, spot), T = spots::targetPoint(layout, spot);
        const double r = spots::drawnRadius(layout, spot);
        painter.setPen(isSelected ? dashedPen(standardColor(StandardColor::Yellow, 0.85), 1.5, {4, 3})
                                  : dashedPen(standardColor(StandardColor::Cyan, 0.5), 1.0, {4, 3}));
        painter.drawLine(S, T);
        if (const std::optional<spots::Arrowhead> head = spots::arrowhead(S, T, r)) {
            painter.setPen(solidPen(isSelected ? yellow : cyan, 1.5));
            painter.drawLine(head->tip, head->barbA);
            painter.drawLine(head->tip, head->barbB);
        }
    }
    for (const SpotItem& spot : spots) {
        const bool isSelected = spot.id == selected;
        const QPointF S = spots::sourcePoint(layout, spot);
        const double r = spots::drawnRadius(layout, spot);
        const double width = isSelected ? 2.2 : 1.2;
        shadowAt(S, r, width, true, 0.7, 3);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(dashedPen(isSelected ? cyan : standardColor(StandardColor::Cyan, 0.75), width, {4, 3}));
        painter.drawEllipse(S, r, r);
        painter.setPen(Qt::NoPen);
        painter.setBrush(isSelected ? cyan : standardColor(StandardColor::Cyan, 0.85));
        painter.drawEllipse(S, spots::kSourceDotRadius, spots::kSourceDotRadius);
    }
    for (const SpotItem& spot : spots) {
        const bool isSelected = spot.id == selected;
        const QPointF T = spots::targetPoint(layout, spot);
        const double r = spots::drawnRadius(layout, spot);
        const double width = isSelected ? 2.2 : 1.2;
        shadowAt(T, r, width, false, 0.7, 3);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(solidPen(isSelected ? yellow : whiteAt(0.9), width));
        painter.drawEllipse(T, r, r);
        painter.setPen(solidPen(isSelected ? yellow : QColor(Qt::white), 1));
        painter.drawLine(T - QPointF(spots::kCrossHairArm, 0), T + QPointF(spots::kCrossHairArm, 0));
        painter.drawLine(T - QPointF(0, spots::kCrossHairArm), T + QPointF(0, spots::kCrossHairArm));
    }
    // The selected spot's labels over every ring and shadow, its delete button over them.
    if (selected && spots::indexOf(spots, *selected)) {
        paintLabel(painter, labels.source, localized("healing.sampleSource"), cyan);
        paintLabel(painter, labels.target, localized("healing.targetArea"), yellow);
    }
    if (const std::optional<spots::DeleteButton> shown = deleteButton();
        shown && selected && spots::indexOf(spots, *selected)) {
        const QPointF button = shown->centre;
        const double inner = spots::kDeleteButtonRadius - 1;
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(button, inner, inner);
        const double half = spots::kDeleteButtonRadius;
        Symbols::paint(painter, QRectF(button - QPointF(half, half), QSizeF(2 * half, 2 * half)),
                       "xmark.circle.fill", standardColor(StandardColor::Red));
    }

    if (isBrushShown()) {
        const double radius = brushRadiusPixels_();
        shadowAt(*hoverLocation_, radius, 1.2, false, 0.6, 2);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(solidPen(whiteAt(0.85), 1.2));
        painter.drawEllipse(*hoverLocation_, radius, radius);
    }
}

}  // namespace vantrel
