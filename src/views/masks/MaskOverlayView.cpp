#include "views/masks/MaskOverlayView.h"

#include <cmath>

#include <QHash>
#include <QLayout>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QResizeEvent>

#include "views/masks/MaskOverlayGeometry.h"
#include "views/kit/Geometry.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Symbols.h"
#include "views/masks/MaskEditing.h"
#include "views/masks/MaskLocalParameterHUD.h"
#include "views/masks/MaskWidgets.h"

namespace vantrel {

using namespace maskOverlay;

namespace {

// Shadows are given as the blur's reach; the kit's radius is its standard deviation.
constexpr double kShadowSigma = 0.5;

// How far from a handle's centre a press still takes it: its circle, and at
// least a fingertip for the small ones.
constexpr double kLinearEndHit = 13;
constexpr double kMoveHit = 10;
constexpr double kCentreHit = kCentreReach;
constexpr double kRadiusHit = kRadiusReach;

QPainterPath circle(const QPointF& centre, double diameter) {
    QPainterPath path;
    path.addEllipse(centre, diameter / 2, diameter / 2);
    return path;
}

QRectF centredRect(const QPointF& centre, const QSizeF& size) {
    return {centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(), size.height()};
}

bool within(const QPointF& p, const QPointF& centre, double radius) {
    return std::hypot(p.x() - centre.x(), p.y() - centre.y()) <= radius;
}

const QFont& badgeFont() {
    static const QFont font = pixelFont(8.5, QFont::Bold, FontDesign::Monospaced);
    return font;
}

constexpr double kBadgeSymbol = 7.5;
constexpr double kBadgeSpacing = 3;
constexpr double kBadgePaddingX = 6;
constexpr double kBadgePaddingY = 2.5;

constexpr double kBadgeShadow = 3 * kShadowSigma;
constexpr int kBadgeMargin = 6;  // room for the badge's shadow around it

// A badge drawn once per text (its capsule, outline, text, symbol and shadow);
// a drag repaints it many times with the same text.
struct BadgeImage {
    QSizeF size;     // the capsule
    QPixmap pixmap;  // the capsule and its shadow, kBadgeMargin points around it
};

BadgeImage drawBadge(const QString& text, double dpr) {
    const QFontMetricsF m(badgeFont());
    const double textWidth = m.horizontalAdvance(text);
    BadgeImage badge;
    badge.size = QSizeF(textWidth + kBadgeSpacing + kBadgeSymbol + 2 * kBadgePaddingX,
                        std::max(m.height(), kBadgeSymbol) + 2 * kBadgePaddingY);
    const QSize pixels = (badge.size + QSizeF(2 * kBadgeMargin, 2 * kBadgeMargin)).toSize() + QSize(1, 1);
    badge.pixmap = QPixmap(pixels * dpr);
    badge.pixmap.setDevicePixelRatio(dpr);
    badge.pixmap.fill(Qt::transparent);
    QPainter painter(&badge.pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF rect(QPointF(kBadgeMargin, kBadgeMargin), badge.size);
    const QPainterPath capsule = roundedRect(rect, rect.height() / 2);
    paintSoftShadow(painter, capsule, blackAt(0.6), kBadgeShadow);
    painter.fillPath(capsule, blackAt(0.8));
    painter.fillPath(roundedOutline(rect, rect.height() / 2, 0.8), whiteAt(0.35));
    const double x = rect.left() + kBadgePaddingX;
    painter.setFont(badgeFont());
    painter.setPen(Qt::white);
    painter.drawText(QRectF(x, rect.top(), textWidth + 1, rect.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
    Symbols::paint(painter,
                   QRectF(x + textWidth + kBadgeSpacing, rect.center().y() - kBadgeSymbol / 2, kBadgeSymbol,
                          kBadgeSymbol),
                   "slider.horizontal.3", whiteAt(0.8));
    return badge;
}

const BadgeImage& badgeImage(const QString& text, double dpr = 1.0) {
    static QHash<QString, BadgeImage> cache;  // painting happens on the main thread only
    const QString key = text + QLatin1Char('@') + QString::number(dpr);
    auto it = cache.find(key);
    if (it == cache.end()) {
        if (cache.size() > 64) cache.clear();
        it = cache.insert(key, drawBadge(text, dpr));
    }
    return *it;
}

// Beside its mask, or where the view leaves it room.
QRectF badgeFor(const QPointF& anchor, const QString& text, const QRectF& view) {
    return badgePlace(anchor, badgeImage(text).size, view);
}

void paintBadge(QPainter& painter, const QRectF& rect, const QString& text) {
    const double dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    painter.drawPixmap(rect.topLeft() - QPointF(kBadgeMargin, kBadgeMargin), badgeImage(text, dpr).pixmap);
}

// A filled handle with a ring, a shadow and an optional label or symbol.
void paintHandle(QPainter& painter, const QPointF& centre, double diameter, const QColor& fill, const QColor& ring,
                 double ringWidth, const QColor& shadow, double shadowRadius) {
    paintSoftShadow(painter, circle(centre, diameter + ringWidth), shadow, shadowRadius * kShadowSigma);
    painter.fillPath(circle(centre, diameter), fill);
    if (ringWidth > 0) painter.fillPath(ellipseRing(centre, diameter / 2, diameter / 2, ringWidth), ring);
}

void paintLabel(QPainter& painter, const QPointF& centre, double pixels, const QColor& colour, const QString& text) {
    // Narrow letters, so "100%" stays inside its 22-point handle.
    QFont font = pixelFont(pixels, QFont::Black);
    font.setStretch(QFont::SemiCondensed);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(centredRect(centre, QSizeF(40, 20)), Qt::AlignCenter, text);
}

// Dashes as separate short lines: much faster than a dashed pen on long lines and curves.
void drawDashes(QPainter& painter, const QPen& pen, const QPolygonF& line, double dash, double gap, bool closed) {
    const std::vector<QLineF> dashes = dashSegments(line, dash, gap, closed);
    painter.setPen(pen);
    painter.drawLines(dashes.data(), int(dashes.size()));
}

bool isLinearHandle(MaskOverlayView::Handle h) {
    using H = MaskOverlayView::Handle;
    return h == H::linearMove || h == H::linearStart || h == H::linearEnd;
}

bool isRadialHandle(MaskOverlayView::Handle h) {
    using H = MaskOverlayView::Handle;
    return h == H::radialCentre || h == H::radialRight || h == H::radialLeft || h == H::radialBottom ||
           h == H::radialTop;
}

// What a selected editor covers on screen, shadows included: the part of the
// view to repaint when its mask changes.
QRectF editorBounds(const LinearMask& mask, const QRectF& rect, const QRectF& view) {
    const LinearGeometry g = linearGeometry(mask, rect);
    const QPointF across = g.normal * g.reach;
    QRectF bounds = QPolygonF({g.start - across, g.start + across, g.end - across, g.end + across}).boundingRect();
    bounds = bounds.adjusted(-16, -16, 16, 16);
    return bounds.united(badgeFor(g.mid, exposureReadout(mask.exposure), view).adjusted(-6, -6, 6, 6));
}

// The radius handles where they are shown, and the badge.
struct RadialPlaces {
    RadialHandles handles;
    QRectF badge;
};

RadialPlaces radialPlaces(const RadialMask& mask, const QRectF& rect, const QRectF& view) {
    const RadialGeometry g = radialGeometry(mask, rect);
    const QRectF badge = badgeFor(g.centre, exposureReadout(mask.exposure), view);
    return {radialHandlePlaces(g, badge, view), badge};
}

QRectF editorBounds(const RadialMask& mask, const QRectF& rect, const QRectF& view) {
    const RadialGeometry g = radialGeometry(mask, rect);
    const QSizeF outline = g.outlineSize();
    const double ex = std::max(outline.width() / 2, std::abs(g.rx)) + 16;
    const double ey = std::max(outline.height() / 2, std::abs(g.ry)) + 16;
    QRectF bounds(g.centre.x() - ex, g.centre.y() - ey, 2 * ex, 2 * ey);
    // Handles brought in from beyond the view may stand off the outline.
    const RadialPlaces places = radialPlaces(mask, rect, view);
    for (const QPointF& p : {places.handles.right, places.handles.left, places.handles.bottom, places.handles.top})
        bounds |= QRectF(p - QPointF(16, 16), QSizeF(32, 32));
    return bounds.united(places.badge.adjusted(-6, -6, 6, 6));
}

// An unselected mask: a faint dashed line or outline with a dot at its handle.
void paintUnselected(QPainter& painter, const QPen& faint, const LinearMask& mask, const QRectF& rect,
                     const QRectF& exposed) {
    const LinearGeometry g = linearGeometry(mask, rect);
    if (!QRectF(g.start, g.end).normalized().adjusted(-6, -6, 6, 6).intersects(exposed)) return;
    drawDashes(painter, faint, QPolygonF({g.start, g.end}), 4, 4, false);
    painter.fillPath(circle(g.mid, 10), whiteAt(0.5));
}

void paintUnselected(QPainter& painter, const QPen& faint, const RadialMask& mask, const QRectF& rect,
                     const QRectF& exposed) {
    const RadialGeometry g = radialGeometry(mask, rect);
    const QSizeF outline = g.outlineSize();
    if (!centredRect(g.centre, outline).adjusted(-2, -2, 2, 2).intersects(exposed)) return;
    drawDashes(painter, faint, ellipsePolygon(g.centre, outline.width() / 2, outline.height() / 2), 4, 4, true);
    painter.fillPath(circle(g.centre, 8), whiteAt(0.5));
}

// The area the parameter display's shadow covers around a display at `r`.
QRect displayShadowArea(const QRect& r) {
    const int reach = int(std::ceil(3 * 14 * kShadowSigma)) + 1;
    return r.adjusted(-reach, -reach + 6, reach, reach + 6);
}

}  // namespace

MaskOverlayView::MaskOverlayView(Binding<MaskGroupParameters> masks, Binding<std::optional<Uuid>> selectedMaskID,
                                 Source<QSize> imageSize, QWidget* parent)
    : QWidget(parent),
      masks_(std::move(masks)),
      selectedMaskID_(std::move(selectedMaskID)),
      imageSize_(std::move(imageSize)) {
    setObjectName(QStringLiteral("maskOverlay"));
    setMouseTracking(true);
    lastSelection_ = selectedMaskID_.get();
    display_ = new MaskLocalParameterHUD(masks_, lastSelection_.value_or(Uuid()), this);
    display_->hide();
    display_->installEventFilter(this);  // its shadow is painted here and follows it
    connect(display_, &MaskLocalParameterHUD::closeRequested, this,
            [this] { setShowingDisplay(false, EaseInOut{0.15}); });
    // Its shadow follows it in and out.
    connect(&ScaleFade::of(display_), &ScaleFade::progressChanged, this,
            [this] { update(displayShadowArea(display_->geometry())); });
    connect(display_, &MaskLocalParameterHUD::deleteRequested, this, &MaskOverlayView::deleteSelectedMask);
    connect(display_, &MaskLocalParameterHUD::changed, this, [this] {
        Q_EMIT changed();
        update();  // the badges show the exposure
    });
    updateDisplay();
}

void MaskOverlayView::setPicturePadding(double padding) {
    padding_ = padding;
    update();
    updateDisplay();
}

QRectF MaskOverlayView::imageRect() const { return fittedInside(QSizeF(size()), QSizeF(imageSize_()), padding_); }

void MaskOverlayView::refresh() {
    const std::optional<Uuid> selection = selectedMaskID_.get();
    // Choosing a mask, from anywhere, brings its display back.
    if (selection != lastSelection_) {
        if (selection) showingDisplay_ = true;
        lastSelection_ = selection;
    }
    if (!display_->isHidden()) display_->refresh();
    updateDisplay();
    // Repainted only when what it draws differs from what it drew: a drag step has
    // already asked for its own area, and the window refreshes after every write.
    const MaskGroupParameters masks = masks_.get();
    if (masks == drawnMasks_ && selection == drawnSelection_ && imageRect() == drawnImageRect_) return;
    remember(masks);
    update();
}

void MaskOverlayView::remember(const MaskGroupParameters& masks) {
    drawnMasks_ = masks;
    drawnSelection_ = selectedMaskID_.get();
    drawnImageRect_ = imageRect();
}

std::optional<QPointF> MaskOverlayView::handleCentre(Handle handle) const {
    const MaskGroupParameters masks = masks_.get();
    const std::optional<Uuid> id = selectedMaskID_.get();
    const QRectF rect = imageRect();
    if (isLinearHandle(handle)) {
        const LinearMask* mask = findMaskOfType<LinearMask>(masks, id);
        if (!mask) return std::nullopt;
        const LinearGeometry g = linearGeometry(*mask, rect);
        return handle == Handle::linearMove ? g.mid : handle == Handle::linearStart ? g.start : g.end;
    }
    if (isRadialHandle(handle)) {
        const RadialMask* mask = findMaskOfType<RadialMask>(masks, id);
        if (!mask) return std::nullopt;
        const RadialHandles h = radialPlaces(*mask, rect, QRectF(this->rect())).handles;
        switch (handle) {
        case Handle::radialRight: return h.right;
        case Handle::radialLeft: return h.left;
        case Handle::radialBottom: return h.bottom;
        case Handle::radialTop: return h.top;
        default: return radialGeometry(*mask, rect).centre;
        }
    }
    if (const std::optional<QRectF> badge = badgeRect(handle)) return badge->center();
    return std::nullopt;
}

std::optional<QRectF> MaskOverlayView::badgeRect(Handle badge) const {
    const MaskGroupParameters masks = masks_.get();
    const std::optional<Uuid> id = selectedMaskID_.get();
    const QRectF rect = imageRect();
    if (badge == Handle::linearBadge) {
        if (const LinearMask* mask = findMaskOfType<LinearMask>(masks, id))
            return badgeFor(linearGeometry(*mask, rect).mid, exposureReadout(mask->exposure), QRectF(this->rect()));
    } else if (badge == Handle::radialBadge) {
        if (const RadialMask* mask = findMaskOfType<RadialMask>(masks, id))
            return radialPlaces(*mask, rect, QRectF(this->rect())).badge;
    }
    return std::nullopt;
}

std::vector<QRectF> MaskOverlayView::handleAreas() const {
    std::vector<QRectF> areas;
    auto add = [&](Handle handle, double reach) {
        if (const std::optional<QPointF> c = handleCentre(handle))
            areas.emplace_back(c->x() - reach, c->y() - reach, 2 * reach, 2 * reach);
    };
    add(Handle::linearStart, kLinearEndHit);
    add(Handle::linearEnd, kLinearEndHit);
    add(Handle::linearMove, kMoveHit);
    add(Handle::radialCentre, kCentreHit);
    for (Handle h : {Handle::radialRight, Handle::radialLeft, Handle::radialBottom, Handle::radialTop}) add(h, kRadiusHit);
    for (Handle badge : {Handle::linearBadge, Handle::radialBadge})
        if (const std::optional<QRectF> r = badgeRect(badge)) areas.push_back(r->adjusted(-2, -2, 2, 2));
    return areas;
}

MaskOverlayView::Handle MaskOverlayView::handleAt(const QPointF& point) const {
    const MaskGroupParameters masks = masks_.get();
    const std::optional<Uuid> id = selectedMaskID_.get();
    const QRectF rect = imageRect();
    // The radial editor lies above the linear one; within each, later elements above earlier ones.
    if (const RadialMask* mask = findMaskOfType<RadialMask>(masks, id)) {
        const RadialGeometry g = radialGeometry(*mask, rect);
        const RadialPlaces places = radialPlaces(*mask, rect, QRectF(this->rect()));
        if (within(point, places.handles.top, kRadiusHit)) return Handle::radialTop;
        if (within(point, places.handles.bottom, kRadiusHit)) return Handle::radialBottom;
        if (within(point, places.handles.left, kRadiusHit)) return Handle::radialLeft;
        if (within(point, places.handles.right, kRadiusHit)) return Handle::radialRight;
        if (places.badge.adjusted(-2, -2, 2, 2).contains(point)) return Handle::radialBadge;
        if (within(point, g.centre, kCentreHit)) return Handle::radialCentre;
    }
    if (const LinearMask* mask = findMaskOfType<LinearMask>(masks, id)) {
        const LinearGeometry g = linearGeometry(*mask, rect);
        if (within(point, g.end, kLinearEndHit)) return Handle::linearEnd;
        if (within(point, g.start, kLinearEndHit)) return Handle::linearStart;
        if (badgeFor(g.mid, exposureReadout(mask->exposure), QRectF(this->rect())).adjusted(-2, -2, 2, 2).contains(point))
            return Handle::linearBadge;
        if (within(point, g.mid, kMoveHit)) return Handle::linearMove;
    }
    return Handle::none;
}

// ---------------------------------------------------------------- painting

void MaskOverlayView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A drag repaints the edited mask's area only: masks outside it are not even computed.
    const QRectF exposed = QRectF(event->rect()).adjusted(-2, -2, 2, 2);
    const MaskGroupParameters masks = masks_.get();
    const std::optional<Uuid> id = selectedMaskID_.get();
    const QRectF rect = imageRect();

    // The floating display's shadow, under the display (a child drawn above this
    // layer), as large and as dark as the display is while it comes and goes.
    if (!display_->isHidden()) {
        const ScaleFade& fade = ScaleFade::of(display_);
        const QRectF panel = QRectF(display_->geometry());
        painter.save();
        painter.setOpacity(fade.opacity());
        painter.translate(panel.center());
        painter.scale(fade.scale(), fade.scale());
        painter.translate(-panel.center());
        paintSoftShadow(painter, roundedRect(panel, MaskLocalParameterHUD::kCornerRadius), blackAt(0.55),
                        14 * kShadowSigma, QPointF(0, 6));
        painter.restore();
    }

    // Unselected masks, each kind above the ones before it.
    const QPen faint = solidPen(whiteAt(0.35), 1.5);
    forEachMaskKind([&](const auto& kind) {
        for (const auto& mask : masks.*kind.member)
            if (mask.isEnabled && mask.id != id) paintUnselected(painter, faint, mask, rect, exposed);
    });

    // The selected linear mask's editor.
    if (const LinearMask* mask = findMaskOfType<LinearMask>(masks, id)) {
        const LinearGeometry g = linearGeometry(*mask, rect);
        const QPointF across = g.normal * g.reach;
        const QColor orange = standardColor(StandardColor::Orange);
        const QColor cyan = standardColor(StandardColor::Cyan);
        painter.setPen(solidPen(standardColor(StandardColor::Orange, 0.85), 1.5));
        painter.drawLine(g.start - across, g.start + across);
        drawDashes(painter, solidPen(standardColor(StandardColor::Cyan, 0.85), 1.5),
                   QPolygonF({g.end - across, g.end + across}), 6, 4, false);
        drawDashes(painter, solidPen(whiteAt(0.9), 2), QPolygonF({g.start, g.end}), 4, 4, false);

        paintHandle(painter, g.mid, 14, Qt::white, Qt::transparent, 0, blackAt(0.6), 3);
        Symbols::paint(painter, centredRect(g.mid, QSizeF(8, 8)), "arrow.up.and.down.and.arrow.left.and.right",
                       Qt::black);
        const QString readout = exposureReadout(mask->exposure);
        paintBadge(painter, badgeFor(g.mid, readout, QRectF(this->rect())), readout);
        paintHandle(painter, g.start, 22, orange, Qt::white, 2, blackAt(0.5), 4);
        paintLabel(painter, g.start, 7, Qt::white, QStringLiteral("100%"));
        paintHandle(painter, g.end, 22, cyan, Qt::white, 2, blackAt(0.5), 4);
        paintLabel(painter, g.end, 8, Qt::black, QStringLiteral("0%"));
    }

    // The selected radial mask's editor.
    if (const RadialMask* mask = findMaskOfType<RadialMask>(masks, id)) {
        const RadialGeometry g = radialGeometry(*mask, rect);
        const QColor accent = standardColor(StandardColor::Accent);
        const QSizeF ring = g.ringSize();
        const QSizeF outline = g.outlineSize();
        drawDashes(painter, solidPen(standardColor(StandardColor::Yellow, 0.6), 1.2),
                   ellipsePolygon(g.centre, ring.width() / 2, ring.height() / 2), 4, 4, true);
        painter.fillPath(ellipseRing(g.centre, outline.width() / 2, outline.height() / 2, 2), accent);

        paintHandle(painter, g.centre, 20, accent, Qt::white, 2, blackAt(0.5), 4);
        Symbols::paint(painter, centredRect(g.centre, QSizeF(9, 9)), "circle.circle", Qt::white);
        const QString readout = exposureReadout(mask->exposure);
        const RadialPlaces places = radialPlaces(*mask, rect, QRectF(this->rect()));
        paintBadge(painter, places.badge, readout);
        // The radius handles sit at the true radii (or at the view's edge), above the centre handle.
        for (const QPointF& at : {places.handles.right, places.handles.left, places.handles.bottom, places.handles.top})
            paintHandle(painter, at, 12, Qt::white, accent, 2, blackAt(0.4), 2);
    }
}

// ---------------------------------------------------------------- gestures

void MaskOverlayView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        tracker_.cancel();
        return;
    }
    active_ = handleAt(event->position());
    activeMask_ = selectedMaskID_.get();
    dragStart_ = {};
    tracker_.press(event->position());
}

void MaskOverlayView::mouseMoveEvent(QMouseEvent* event) {
    if (!tracker_.isPressed()) {
        updateCursor(event->position());
        return;
    }
    if (!tracker_.move(event->position())) return;
    if (isLinearHandle(active_) || isRadialHandle(active_)) dragStep(tracker_.translation());
}

void MaskOverlayView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPointF pressPoint = tracker_.pressPoint();
    const DragTracker::Release release = tracker_.release();
    const Handle handle = active_;
    endGesture();  // the next drag captures afresh
    if (release != DragTracker::Release::Tap) return;
    if (handle == Handle::linearBadge || handle == Handle::radialBadge) {
        setShowingDisplay(!displayShown_, Spring{0.25, 0.8, 0});
    } else if (handle == Handle::none) {
        // A tap on an unselected mask selects it; anywhere else keeps the selection.
        const std::optional<Uuid> hit =
            maskUnderPoint(masks_.get(), selectedMaskID_.get(), imageRect(), pressPoint);
        if (hit) selectMask(hit);
    }
}

void MaskOverlayView::dragStep(const QPointF& translation) {
    const QRectF rect = imageRect();
    const QRectF view(this->rect());
    MaskGroupParameters masks = masks_.get();
    bool written = false;
    QRectF dirty;
    if (isLinearHandle(active_)) {
        LinearMask* mask = findMaskOfType<LinearMask>(masks, activeMask_);
        if (!mask) return;  // removed under the drag
        if (active_ != Handle::linearEnd && !dragStart_.linearStart) dragStart_.linearStart = mask->startPoint;
        if (active_ != Handle::linearStart && !dragStart_.linearEnd) dragStart_.linearEnd = mask->endPoint;
        if (rect.width() <= 0 || rect.height() <= 0) return;
        const LinearMask before = *mask;
        if (active_ != Handle::linearEnd) mask->startPoint = draggedPoint(*dragStart_.linearStart, translation, rect);
        if (active_ != Handle::linearStart) mask->endPoint = draggedPoint(*dragStart_.linearEnd, translation, rect);
        written = !(before == *mask);
        dirty = editorBounds(before, rect, view).united(editorBounds(*mask, rect, view));
    } else {
        RadialMask* mask = findMaskOfType<RadialMask>(masks, activeMask_);
        if (!mask) return;
        const RadialMask before = *mask;
        switch (active_) {
        case Handle::radialCentre:
            if (!dragStart_.radialCentre) dragStart_.radialCentre = mask->center;
            if (rect.width() > 0 && rect.height() > 0)
                mask->center = draggedPoint(*dragStart_.radialCentre, translation, rect);
            break;
        case Handle::radialRight:
        case Handle::radialLeft:
            if (!dragStart_.radiusX) dragStart_.radiusX = mask->radiusX;
            if (rect.width() > 0)
                mask->radiusX = draggedRadius(*dragStart_.radiusX,
                                              active_ == Handle::radialRight ? translation.x() : -translation.x(),
                                              rect.width());
            break;
        case Handle::radialBottom:
        case Handle::radialTop:
            if (!dragStart_.radiusY) dragStart_.radiusY = mask->radiusY;
            if (rect.height() > 0)
                mask->radiusY = draggedRadius(*dragStart_.radiusY,
                                              active_ == Handle::radialBottom ? translation.y() : -translation.y(),
                                              rect.height());
            break;
        default: break;
        }
        written = !(before == *mask);
        dirty = editorBounds(before, rect, view).united(editorBounds(*mask, rect, view));
    }
    escape_.start();
    if (written) writeDragStep(masks, dirty);
}

void MaskOverlayView::writeDragStep(const MaskGroupParameters& masks, const QRectF& dirty) {
    masks_.set(masks);
    remember(masks);
    Q_EMIT changed();
    updateDisplay();
    // Only what the edited mask covered and covers now: the rest of the canvas
    // stays, and so does the opaque display over it.
    QRegion region(dirty.toAlignedRect());
    if (!display_->isHidden() && !ScaleFade::of(display_).isMoving()) region -= display_->opaqueRegion();
    update(region);
}

void MaskOverlayView::endGesture() {
    active_ = Handle::none;
    activeMask_.reset();
    dragStart_ = {};
    escape_.stop();
}

void MaskOverlayView::cancelDrag() {
    if (!tracker_.isDragging()) return;
    // The drag is called off: the mask takes back what the drag found when it
    // began, and the pointer moves nothing more until it is pressed again.
    const QRectF rect = imageRect();
    const QRectF view(this->rect());
    MaskGroupParameters masks = masks_.get();
    const DragStart start = dragStart_;
    QRectF dirty;
    bool restored = false;
    LinearMask* linear = isLinearHandle(active_) ? findMaskOfType<LinearMask>(masks, activeMask_) : nullptr;
    if (linear) {
        const LinearMask before = *linear;
        if (start.linearStart) linear->startPoint = *start.linearStart;
        if (start.linearEnd) linear->endPoint = *start.linearEnd;
        restored = !(before == *linear);
        dirty = editorBounds(before, rect, view).united(editorBounds(*linear, rect, view));
    }
    RadialMask* radial = isRadialHandle(active_) ? findMaskOfType<RadialMask>(masks, activeMask_) : nullptr;
    if (radial) {
        const RadialMask before = *radial;
        if (start.radialCentre) radial->center = *start.radialCentre;
        if (start.radiusX) radial->radiusX = *start.radiusX;
        if (start.radiusY) radial->radiusY = *start.radiusY;
        restored = !(before == *radial);
        dirty = editorBounds(before, rect, view).united(editorBounds(*radial, rect, view));
    }
    tracker_.cancel();
    endGesture();
    if (restored) writeDragStep(masks, dirty);
}

void MaskOverlayView::updateCursor(const QPointF& point) {
    switch (handleAt(point)) {
    case Handle::linearMove:
    case Handle::linearStart:
    case Handle::linearEnd:
    case Handle::radialCentre: setCursor(Qt::SizeAllCursor); return;
    case Handle::radialLeft:
    case Handle::radialRight: setCursor(Qt::SizeHorCursor); return;
    case Handle::radialTop:
    case Handle::radialBottom: setCursor(Qt::SizeVerCursor); return;
    case Handle::linearBadge:
    case Handle::radialBadge: setCursor(Qt::PointingHandCursor); return;
    case Handle::none: break;
    }
    const bool overMask = maskUnderPoint(masks_.get(), selectedMaskID_.get(), imageRect(), point).has_value();
    setCursor(overMask ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

// ---------------------------------------------------------------- selection and the display

void MaskOverlayView::selectMask(const std::optional<Uuid>& id) {
    selectedMaskID_.set(id);
    refresh();
}

void MaskOverlayView::deleteSelectedMask() {
    const std::optional<Uuid> id = selectedMaskID_.get();
    if (!id) return;
    MaskGroupParameters masks = masks_.get();
    const std::optional<Uuid> next = removeMask(masks, *id);
    masks_.set(masks);
    selectedMaskID_.set(next);
    Q_EMIT changed();
    refresh();
}

void MaskOverlayView::setShowingDisplay(bool showing, const Motion& motion) {
    showingDisplay_ = showing;
    updateDisplay(motion);
}

void MaskOverlayView::updateDisplay(const Motion& motion) {
    const std::optional<Uuid> id = selectedMaskID_.get();
    ScaleFade& fade = ScaleFade::of(display_);
    auto hide = [&] {
        // Closed or tapped away it moves; with no mask left it goes at once.
        fade.setShown(false, id ? motion : Motion{});
        displayShown_ = false;
    };
    if (!showingDisplay_ || !id) return hide();
    display_->setSelectedMaskID(*id);
    // Shown anew: collapsed and where the overlay puts it (called back while
    // still leaving, it stays as it was).
    if (!displayShown_ && display_->isHidden()) display_->resetViewState();
    // As much of the display as has a place clear of the handles, down to its
    // header alone (a small canvas); expanded by the user, all of it, clear or not.
    const QPointF anchor = parameterDisplayAnchor(masks_.get(), id, imageRect(), QSizeF(size()));
    const std::vector<QRectF> handles = handleAreas();
    placingDisplay_ = true;  // its resizes below are this placing's own
    const std::vector<QSize>& sizes = display_->reducedSizes();
    const int last = display_->isExpanded() ? 0 : int(sizes.size()) - 1;
    int level = 0;
    DisplayPlace place = clearDisplayPlace(anchor, QSizeF(size()), QSizeF(sizes[0]), handles);
    while (!place.clear && level < last)
        place = clearDisplayPlace(anchor, QSizeF(size()), QSizeF(sizes[std::size_t(++level)]), handles);
    display_->setReduction(level);
    display_->layout()->activate();  // its size for the rows it shows now
    placingDisplay_ = false;
    display_->placeAt(place.centre);
    if (!displayShown_) {
        fade.setShown(true, motion);
        display_->raise();
        displayShown_ = true;
    }
}

bool MaskOverlayView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == display_) {
        auto shadowArea = displayShadowArea;
        switch (event->type()) {
        case QEvent::Move:
            update(shadowArea(QRect(static_cast<QMoveEvent*>(event)->oldPos(), display_->size())));
            update(shadowArea(display_->geometry()));
            break;
        case QEvent::Resize:
            update(shadowArea(QRect(display_->pos(), static_cast<QResizeEvent*>(event)->oldSize())));
            update(shadowArea(display_->geometry()));
            // Grown or shrunk (expanded, another kind of mask): it may cover a handle where it stands.
            if (displayShown_ && !placingDisplay_) updateDisplay();
            break;
        case QEvent::Show:
        case QEvent::Hide: update(shadowArea(display_->geometry())); break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MaskOverlayView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateDisplay();
}

}  // namespace vantrel
